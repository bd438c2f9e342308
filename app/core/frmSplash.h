#pragma once

#include <QWidget>

class QLabel;

// Shown while the main window loads; a key press or a click closes it early.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);
    QLabel *imgLogo = nullptr;
    QLabel *lblVersion = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
