#include "clsProgressBar.h"

#include <QPainter>

namespace renewer {

clsProgressBar::clsProgressBar(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void clsProgressBar::setPercent(int percent)
{
    percent = qBound(0, percent, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    update();
}

QString clsProgressBar::text() const
{
    return QString::number(m_percent) + QStringLiteral(" %");
}

void clsProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect all = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), palette().base());
    const int filled = all.width() * m_percent / 100;
    const QRect bar(all.left(), all.top(), filled, all.height() + 1);
    p.fillRect(bar, palette().highlight());
    p.setPen(palette().mid().color());
    p.drawRect(all);

    // The number reads on either colour: drawn once in each, clipped to its own part.
    const QString label = text();
    p.setClipRect(bar);
    p.setPen(palette().highlightedText().color());
    p.drawText(all, Qt::AlignCenter, label);
    p.setClipRect(QRect(bar.right() + 1, 0, width(), height()));
    p.setPen(palette().text().color());
    p.drawText(all, Qt::AlignCenter, label);
}

} // namespace renewer
