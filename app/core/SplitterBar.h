#pragma once

#include <QWidget>

// An invisible strip the user drags to move a splitter. It reports the pointer's offset
// from where the drag began, in pixels along its axis.
class SplitterBar : public QWidget {
    Q_OBJECT
public:
    SplitterBar(Qt::Orientation orientation, QWidget *parent);

Q_SIGNALS:
    void pressed();
    void moved(int offsetPixels);
    void released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Qt::Orientation m_orientation;
    QPoint m_origin;
    bool m_down = false;
};
