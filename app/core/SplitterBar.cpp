#include "SplitterBar.h"

#include <QMouseEvent>

SplitterBar::SplitterBar(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_orientation(orientation)
{
    setCursor(orientation == Qt::Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    setAttribute(Qt::WA_NoSystemBackground);
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_down = true;
    m_origin = event->globalPosition().toPoint();
    Q_EMIT pressed();
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_down)
        return;
    const QPoint d = event->globalPosition().toPoint() - m_origin;
    Q_EMIT moved(m_orientation == Qt::Vertical ? d.x() : d.y());
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_down || event->button() != Qt::LeftButton)
        return;
    m_down = false;
    Q_EMIT released();
}
