#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace lc::db {
class Connection;
}

namespace lc::search {

// "Find Files...": searches the stored files of the collection, or of one game, through the
// search index and hands every hit to the details pane through its signals.
class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(lc::db::Connection &conn, QWidget *parent = nullptr);
    ~frmFind() override;

    QComboBox *cboFind = nullptr;
    QCheckBox *chkFileCat[7] = {};   // 1..6
    QCheckBox *chkFileField[4] = {}; // 1..3
    QCheckBox *chk1 = nullptr;
    QComboBox *cboPlatform = nullptr;
    QComboBox *cboGame = nullptr;
    QLabel *lblGame = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdCancel = nullptr;
    QProgressBar *prgSearch = nullptr; // shown while a search runs

    void cmdFind_Click();
    // Looks through the box's text case-insensitively from the cursor, selecting each
    // occurrence and asking whether to go on.
    void TextSearch(QTextEdit *box, const QString &strFind, const QString &strPrompt);

Q_SIGNALS:
    void ClearSearch();
    void SelectTab(int intTab);
    void AddSearch(qint32 lngFileId, const QString &strPlatform, const QString &strGame,
                   quint8 bytSubCat, const QString &strDesc, const QString &strKey,
                   const QString &strColumn);
    void SearchTitle(const QString &strTitle);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void platformChosen(int index);
    void withinGameToggled(bool on);
    void saveSettings();

    lc::db::Connection &m_conn;
    bool m_searching = false;
    bool m_cancelled = false;
};

} // namespace lc::search
