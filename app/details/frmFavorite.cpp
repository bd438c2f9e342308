#include "frmFavorite.h"

#include "ctlDetails.h"
#include "dialogbuttons.h"
#include "errorlog.h"
#include "recordset.h"
#include "treekeys.h"
#include "uiservice.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmFavorite::frmFavorite(lc::db::Connection &conn, ctlDetails &details, const QString &strURL,
                         const QString &strTitle, QWidget *parent)
    : QDialog(parent), m_conn(conn), m_details(details), m_url(strURL), m_title(strTitle)
{
    setObjectName(QStringLiteral("frmFavorite"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    auto *frame = new QGroupBox(QStringLiteral("Add this link to my internet favorites."), this);
    auto *row = new QHBoxLayout(frame);
    auto *label = new QLabel(QStringLiteral("Desc:"), frame);
    txtDesc = new QLineEdit(frame);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    label->setBuddy(txtDesc);
    row->addWidget(label);
    row->addWidget(txtDesc, 1);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    outer->addLayout(lc::controls::okCancelRow(this, &cmdOK, &cmdCancel));
    resize(420, sizeHint().height());

    connect(cmdOK, &QPushButton::clicked, this, &frmFavorite::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmFavorite::cmdOK_Click()
{
    const QString url = m_url.trimmed();
    const QString title = m_title.trimmed();
    const QString desc = txtDesc->text().trimmed();
    lc::db::Recordset rs;
    if (!rs.open(
            QStringLiteral("SELECT auto_id, url, title, desc FROM favorites WHERE auto_id = 0"),
            m_conn) ||
        !rs.addNew() || !rs.setField(QStringLiteral("url"), url) ||
        !rs.setField(QStringLiteral("title"), title) ||
        !rs.setField(QStringLiteral("desc"), desc) || !rs.update()) {
        lc::errorlog::Reporter::program().report(
            QStringLiteral("frmFavorite"), QStringLiteral("cmdOK_Click"), rs.lastError(), true);
        return;
    }
    const qint32 id = qint32(rs.lastInsertId());
    rs.close();
    lc::ui::service().processEvents();
    m_details.AddFavorite(lc::keys::fileKey(id), url, title, desc);
    lc::ui::msgBox(QLatin1Char('"') + title + QStringLiteral("\" has been added."),
                   lc::ui::Buttons::Ok, lc::ui::Icon::Information);
    accept();
}
