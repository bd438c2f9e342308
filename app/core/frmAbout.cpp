#include "frmAbout.h"

#include "errorlog.h"
#include "modMain.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

QString VersionLabelText()
{
    return QStringLiteral("Version ") + lc::errorlog::programInfo().version();
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Lorecase"));
    auto *outer = new QVBoxLayout(this);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setAlignment(Qt::AlignCenter);
    // A missing or unreadable logo leaves the picture empty.
    const QPixmap logo(AppPath() + QStringLiteral("logo.gif"));
    if (!logo.isNull())
        picIcon->setPixmap(logo);
    outer->addWidget(picIcon);

    auto *title = new QLabel(lc::errorlog::programInfo().Title, this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    outer->addWidget(title);

    lblVersion = new QLabel(VersionLabelText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);
    outer->addWidget(lblVersion);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    outer->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}
