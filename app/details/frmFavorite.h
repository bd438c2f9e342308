#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class ctlDetails;

namespace lc::db {
class Connection;
}

// "Add Favorite": stores the browser's page with the user's description and lists it in the
// details pane. Shown modally, only after the pane found the address not yet a favourite.
class frmFavorite : public QDialog {
    Q_OBJECT
public:
    frmFavorite(lc::db::Connection &conn, ctlDetails &details, const QString &strURL,
                const QString &strTitle, QWidget *parent = nullptr);

    QLineEdit *txtDesc = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdOK_Click();

private:
    lc::db::Connection &m_conn;
    ctlDetails &m_details;
    QString m_url;
    QString m_title;
};
