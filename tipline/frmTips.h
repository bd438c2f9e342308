#pragma once

#include "tipline_export.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The "Tip Of The Day" window.
class TIPLINE_EXPORT frmTips : public QDialog {
    Q_OBJECT
public:
    explicit frmTips(QWidget *parent = nullptr);

    QLabel *lblHeading = nullptr;
    QLabel *lblTipText = nullptr;
    QPushButton *cmdNextTip = nullptr;
    QCheckBox *chkLoadTipsAtStartup = nullptr;
    QPushButton *cmdOK = nullptr;

Q_SIGNALS:
    void NextTip();
    void OKClick(quint8 bytLoadWithStart);
};
