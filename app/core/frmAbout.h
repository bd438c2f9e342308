#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The program's logo and version, shown modally from the Help menu.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *picIcon = nullptr;
    QLabel *lblVersion = nullptr;
    QPushButton *cmdOK = nullptr;
};

// "Version " and the running program's major.minor.revision, as the splash and about
// windows show it.
QString VersionLabelText();
