#include "treeimages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lc::controls {
namespace {

struct Badge {
    QColor fill;
    QString letter;
};

// Brand pictures are plain coloured badges with a letter: recognisable, and ours.
const QHash<QString, Badge> &badges()
{
    static const QHash<QString, Badge> b = {
        {QStringLiteral("Microsoft"), {QColor(0x2e, 0x8b, 0x3a), QStringLiteral("M")}},
        {QStringLiteral("Nintendo"), {QColor(0xc8, 0x2a, 0x2a), QStringLiteral("N")}},
        {QStringLiteral("Sega"), {QColor(0x1f, 0x4f, 0xb4), QStringLiteral("S")}},
        {QStringLiteral("Sony"), {QColor(0x33, 0x33, 0x3d), QStringLiteral("P")}},
        {QStringLiteral("PC"), {QColor(0x5a, 0x6e, 0x82), QStringLiteral("PC")}},
        {QStringLiteral("Arcade"), {QColor(0x8e, 0x3c, 0xb0), QStringLiteral("A")}},
    };
    return b;
}

void drawBook(QPainter &p, bool open, bool hot)
{
    const QColor cover = hot ? QColor(0xe0, 0x9a, 0x1a) : QColor(0x8a, 0x4b, 0x1e);
    p.setPen(QPen(cover.darker(140), 0.8));
    if (!open) {
        p.setBrush(cover);
        p.drawRoundedRect(QRectF(3, 1.5, 10, 13), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 12, 8.5, 1.6));
        p.setPen(QPen(QColor(0xf4, 0xe3, 0xb2), 1));
        p.drawLine(QPointF(6, 5), QPointF(11, 5));
        return;
    }
    p.setBrush(QColor(0xfb, 0xf6, 0xe8));
    QPainterPath left, right;
    left.moveTo(8, 4);
    left.cubicTo(6, 2.5, 3, 2.5, 1, 3.5);
    left.lineTo(1, 13);
    left.cubicTo(3, 12, 6, 12, 8, 13.5);
    left.closeSubpath();
    right.moveTo(8, 4);
    right.cubicTo(10, 2.5, 13, 2.5, 15, 3.5);
    right.lineTo(15, 13);
    right.cubicTo(13, 12, 10, 12, 8, 13.5);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(QColor(0x9a, 0x8a, 0x70), 0.6));
    for (double y : {6.0, 8.0, 10.0}) {
        p.drawLine(QPointF(2.5, y), QPointF(6.5, y + 0.3));
        p.drawLine(QPointF(9.5, y + 0.3), QPointF(13.5, y));
    }
}

void drawBadge(QPainter &p, const Badge &b, bool hot)
{
    p.setPen(QPen(b.fill.darker(150), 0.8));
    p.setBrush(hot ? b.fill.lighter(140) : b.fill);
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(b.letter.size() > 1 ? 7 : 10);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, b.letter);
}

void drawConsole(QPainter &p, bool hot)
{
    const QColor body = hot ? QColor(0xff, 0xc8, 0x3c) : QColor(0x70, 0x78, 0x88);
    p.setPen(QPen(body.darker(160), 0.8));
    p.setBrush(body);
    QPainterPath pad;
    pad.addRoundedRect(QRectF(1, 4.5, 14, 7.5), 3.5, 3.5);
    p.drawPath(pad);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.2, 7.6, 3.6, 1.2));
    p.drawRect(QRectF(4.4, 6.4, 1.2, 3.6));
    p.setBrush(QColor(0xd0, 0x30, 0x30));
    p.drawEllipse(QPointF(11.2, 7.2), 0.9, 0.9);
    p.setBrush(QColor(0x30, 0x60, 0xd0));
    p.drawEllipse(QPointF(12.6, 9.0), 0.9, 0.9);
}

void drawFolder(QPainter &p, bool hot)
{
    const QColor fill = hot ? QColor(0xff, 0xd8, 0x5a) : QColor(0xe8, 0xb8, 0x4a);
    p.setPen(QPen(fill.darker(150), 0.8));
    p.setBrush(fill.darker(110));
    p.drawRoundedRect(QRectF(1, 3, 6, 3), 1, 1);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 4.5, 14, 9.5), 1, 1);
}

void drawDisc(QPainter &p, bool hot)
{
    QRadialGradient g(QPointF(6, 6), 9);
    g.setColorAt(0, hot ? QColor(0xff, 0xf4, 0xc0) : QColor(0xf4, 0xf6, 0xfa));
    g.setColorAt(0.6, hot ? QColor(0xf0, 0xb8, 0x40) : QColor(0xa8, 0xc4, 0xe0));
    g.setColorAt(1, hot ? QColor(0xc8, 0x80, 0x20) : QColor(0x8a, 0x9a, 0xc8));
    p.setPen(QPen(QColor(0x60, 0x68, 0x78), 0.8));
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

QPixmap render(const QString &base, bool hot, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    if (base == u"pg")
        drawBook(p, false, hot);
    else if (base == u"ROOT")
        drawBook(p, true, hot);
    else if (base == u"console")
        drawConsole(p, hot);
    else if (base == u"genre")
        drawFolder(p, hot);
    else if (base == u"cd")
        drawDisc(p, hot);
    else
        drawBadge(p, badges().value(base), hot);
    return pm;
}

bool known(const QString &base)
{
    return base == u"pg" || base == u"ROOT" || base == u"console" || base == u"genre" ||
           base == u"cd" || badges().contains(base);
}

} // namespace

QIcon treeImage(const QString &key)
{
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const bool hot = key.endsWith(QStringLiteral("_hot"));
    const QString base = hot ? key.chopped(4) : key;
    QIcon icon;
    if (known(base)) {
        icon.addPixmap(render(base, hot, 16));
        icon.addPixmap(render(base, hot, 32));
    }
    cache.insert(key, icon);
    return icon;
}

} // namespace lc::controls
