#include "modPictures.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace scrivet {
namespace {

// Every picture is drawn on a grid of `design` units and scaled to the size asked for.
QPixmap render(int size, double design, const std::function<void(QPainter &)> &draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / design, size / design);
    draw(p);
    return pm;
}

QPen outline(const QColor &c, double width = 1.0)
{
    QPen pen(c, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// Sub-category pictures, on a 32-unit grid.

void drawMap(QPainter &p)
{
    QPainterPath sheet;
    sheet.moveTo(3, 7);
    sheet.lineTo(11, 4);
    sheet.lineTo(21, 7);
    sheet.lineTo(29, 4);
    sheet.lineTo(29, 25);
    sheet.lineTo(21, 28);
    sheet.lineTo(11, 25);
    sheet.lineTo(3, 28);
    sheet.closeSubpath();
    p.setPen(outline(QColor(0x8a, 0x6a, 0x2a), 1.2));
    p.setBrush(QColor(0xf3, 0xe2, 0xb0));
    p.drawPath(sheet);
    p.setPen(outline(QColor(0xc4, 0xa8, 0x64), 1));
    p.drawLine(QPointF(11, 4), QPointF(11, 25));
    p.drawLine(QPointF(21, 7), QPointF(21, 28));
    QPen trail = outline(QColor(0x2a, 0x5d, 0xb0), 1.6);
    trail.setDashPattern({1.5, 1.8});
    p.setPen(trail);
    QPainterPath route;
    route.moveTo(6, 23);
    route.cubicTo(9, 15, 15, 22, 17, 15);
    route.cubicTo(19, 9, 22, 12, 24, 11);
    p.setBrush(Qt::NoBrush);
    p.drawPath(route);
    p.setPen(outline(QColor(0xc8, 0x20, 0x20), 2));
    p.drawLine(QPointF(23, 7.5), QPointF(27, 11.5));
    p.drawLine(QPointF(27, 7.5), QPointF(23, 11.5));
}

void drawKey(QPainter &p)
{
    const QColor gold(0xe0, 0xa8, 0x20);
    p.setPen(outline(gold.darker(160), 1.2));
    p.setBrush(gold);
    QPainterPath key;
    key.addEllipse(QPointF(10, 12), 7, 7);
    key.addRect(QRectF(14, 10.5, 15, 4));
    key.addRect(QRectF(23, 14, 2.5, 5));
    key.addRect(QRectF(27, 14, 2.5, 7));
    p.drawPath(key.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.5, 10.5), 2.2, 2.2);
}

QPainterPath starPath(QPointF centre, double outer, double inner)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    return star;
}

void drawStar(QPainter &p)
{
    p.setPen(outline(QColor(0xa8, 0x68, 0x00), 1.2));
    QLinearGradient fill(0, 3, 0, 29);
    fill.setColorAt(0, QColor(0xff, 0xe0, 0x60));
    fill.setColorAt(1, QColor(0xf0, 0xa0, 0x10));
    p.setBrush(fill);
    p.drawPath(starPath(QPointF(16, 17), 14, 6));
}

void drawEye(QPainter &p)
{
    QPainterPath lid;
    lid.moveTo(2, 16);
    lid.quadTo(16, 2, 30, 16);
    lid.quadTo(16, 30, 2, 16);
    p.setPen(outline(QColor(0x30, 0x30, 0x40), 1.4));
    p.setBrush(Qt::white);
    p.drawPath(lid);
    p.setBrush(QColor(0x2e, 0x86, 0x5a));
    p.drawEllipse(QPointF(16, 16), 6, 6);
    p.setBrush(QColor(0x10, 0x10, 0x18));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 16), 2.6, 2.6);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14.2, 14.2), 1.2, 1.2);
}

void drawNewspaper(QPainter &p)
{
    p.setPen(outline(QColor(0x55, 0x55, 0x55), 1.2));
    p.setBrush(QColor(0xf6, 0xf6, 0xf2));
    p.drawRect(QRectF(4, 5, 24, 23));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRect(QRectF(7, 8, 18, 3.5));
    p.setBrush(QColor(0x9a, 0xb8, 0xd8));
    p.drawRect(QRectF(7, 14, 8, 7));
    p.setPen(outline(QColor(0x80, 0x80, 0x80), 1));
    for (double y : {14.5, 17.5, 20.5})
        p.drawLine(QPointF(17, y), QPointF(25, y));
    for (double y : {24.0, 26.0})
        p.drawLine(QPointF(7, y), QPointF(25, y));
}

void drawGlobe(QPainter &p)
{
    const QRectF ball(3, 3, 26, 26);
    QRadialGradient sea(QPointF(12, 11), 18);
    sea.setColorAt(0, QColor(0x8c, 0xc8, 0xff));
    sea.setColorAt(1, QColor(0x1f, 0x5f, 0xc0));
    p.setPen(outline(QColor(0x10, 0x3c, 0x80), 1.2));
    p.setBrush(sea);
    p.drawEllipse(ball);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0xe8, 0xf2, 0xff), 1));
    p.drawEllipse(QRectF(10, 3, 12, 26));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawArc(QRectF(5, 0, 22, 14), 200 * 16, 140 * 16);
    p.drawArc(QRectF(5, 18, 22, 14), 20 * 16, 140 * 16);
}

// Tool bar images, on a 16-unit grid.

void drawFloppy(QPainter &p)
{
    p.setPen(outline(QColor(0x14, 0x24, 0x50), 0.9));
    p.setBrush(QColor(0x2c, 0x4c, 0x9c));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xdc, 0xe4));
    p.drawRect(QRectF(4, 1.8, 7, 4.5));
    p.setBrush(QColor(0x2c, 0x4c, 0x9c));
    p.drawRect(QRectF(8.5, 2.5, 1.6, 3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 5.5));
}

void drawScissors(QPainter &p)
{
    p.setPen(outline(QColor(0x60, 0x60, 0x68), 1.3));
    p.drawLine(QPointF(4, 1.5), QPointF(10.5, 11));
    p.drawLine(QPointF(12, 1.5), QPointF(5.5, 11));
    p.setPen(outline(QColor(0xb0, 0x20, 0x20), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12.5), 2.4, 2.4);
    p.drawEllipse(QPointF(11.5, 12.5), 2.4, 2.4);
}

void drawPage(QPainter &p, const QRectF &r)
{
    p.setPen(outline(QColor(0x50, 0x50, 0x58), 0.9));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(outline(QColor(0x70, 0x90, 0xc0), 0.8));
    for (double y = r.top() + 2.5; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

void drawCopy(QPainter &p)
{
    drawPage(p, QRectF(1.5, 1.5, 8, 10));
    drawPage(p, QRectF(6.5, 4.5, 8, 10));
}

void drawClipboard(QPainter &p)
{
    p.setPen(outline(QColor(0x6a, 0x44, 0x1c), 0.9));
    p.setBrush(QColor(0xb8, 0x84, 0x48));
    p.drawRoundedRect(QRectF(2, 2.5, 10, 12.5), 1, 1);
    p.setBrush(QColor(0x9a, 0x9a, 0xa4));
    p.drawRoundedRect(QRectF(4.5, 1, 5, 3), 0.8, 0.8);
    drawPage(p, QRectF(6.5, 6, 8, 9));
}

void drawPrinter(QPainter &p)
{
    p.setPen(outline(QColor(0x50, 0x50, 0x58), 0.9));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(0xa8, 0xac, 0xb8));
    p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 10, 8, 4.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0xb0, 0x40));
    p.drawEllipse(QPointF(12.5, 8), 0.8, 0.8);
}

void drawLetter(QPainter &p, const QString &letter, bool bold, bool italic, bool underline,
                const QColor &bar = QColor())
{
    QFont f(QStringLiteral("Serif"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(12);
    f.setBold(bold);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(QColor(0x10, 0x10, 0x10));
    const QRectF box(0, 0, 16, bar.isValid() || underline ? 13 : 15);
    p.drawText(box, Qt::AlignCenter, letter);
    if (underline) {
        p.setPen(outline(QColor(0x10, 0x10, 0x10), 1.2));
        p.drawLine(QPointF(4, 14), QPointF(12, 14));
    }
    if (bar.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(bar);
        p.drawRect(QRectF(2, 12.5, 12, 3));
    }
}

std::function<void(QPainter &)> toolDrawing(const QString &key)
{
    if (key == QLatin1String("Save"))
        return drawFloppy;
    if (key == QLatin1String("Cut"))
        return drawScissors;
    if (key == QLatin1String("Copy"))
        return drawCopy;
    if (key == QLatin1String("Paste"))
        return drawClipboard;
    if (key == QLatin1String("Print"))
        return drawPrinter;
    if (key == QLatin1String("Bold"))
        return [](QPainter &p) { drawLetter(p, QStringLiteral("B"), true, false, false); };
    if (key == QLatin1String("Italic"))
        return [](QPainter &p) { drawLetter(p, QStringLiteral("I"), true, true, false); };
    if (key == QLatin1String("Underline"))
        return [](QPainter &p) { drawLetter(p, QStringLiteral("U"), false, false, true); };
    if (key == QLatin1String("Font Color"))
        return [](QPainter &p) {
            drawLetter(p, QStringLiteral("A"), true, false, false, QColor(0xd0, 0x10, 0x10));
        };
    return {};
}

} // namespace

QPixmap subCatPicture(quint8 code, int size)
{
    static void (*const drawings[])(QPainter &) = {drawMap, drawKey,       drawStar,
                                                   drawEye, drawNewspaper, drawGlobe};
    if (code < 1 || code > 6 || size <= 0)
        return {};
    return render(size, 32, drawings[code - 1]);
}

QIcon toolIcon(const QString &key)
{
    const auto draw = toolDrawing(key);
    if (!draw)
        return {};
    QIcon icon;
    // A second, sharper size for screens that scale the window up.
    for (int size : {16, 32})
        icon.addPixmap(render(size, 16, draw));
    return icon;
}

} // namespace scrivet
