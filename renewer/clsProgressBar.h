#pragma once

#include <QWidget>

namespace renewer {

// The download's progress bar: a bar filled to the whole percentage with "NN %" drawn at its
// centre, in the colours of the window.
class clsProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit clsProgressBar(QWidget *parent = nullptr);

    // Clamped to 0..100; repaints only when the value changes.
    void setPercent(int percent);
    int percent() const { return m_percent; }
    // The text drawn at the centre.
    QString text() const;

    QSize sizeHint() const override { return {200, 18}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_percent = 0;
};

} // namespace renewer
