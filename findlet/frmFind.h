#pragma once

#include "findlet_export.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The "Find" window: a search text with its history, two options and Find Next.
class FINDLET_EXPORT frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(QWidget *parent = nullptr);

    // Fills the history from quickfind.log in the program folder.
    void Form_Load();
    void cmdFind_Click();

    QLabel *Label1 = nullptr;
    QComboBox *cboFind = nullptr;
    QCheckBox *chkWholeWord = nullptr;
    QCheckBox *chkCase = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdClear = nullptr;

Q_SIGNALS:
    void FindIt(const QString &str, quint8 chk1, quint8 chk2);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
