#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The user's preferences: the browser's start page, whether the window layout is kept, and
// how the file list shows its files. OK writes them; Cancel leaves the store alone.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);

    QLineEdit *txtURL = nullptr;
    QPushButton *cmdSelect = nullptr;
    QCheckBox *chkAppLayout = nullptr;
    // Indexed by the file list's view mode: 3 "Report View", 0 "Large Icons"; the others
    // are null.
    QRadioButton *optView[4] = {};
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void Form_Load();
    void cmdSelect_Click();
    void cmdOK_Click();

Q_SIGNALS:
    // "FileView" was written: the file view pane applies it again.
    void Re_View();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
