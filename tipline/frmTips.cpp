#include "frmTips.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmTips::frmTips(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTips"));
    setWindowTitle(QStringLiteral("Tip Of The Day"));

    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(0xff, 0xfd, 0xf0));
    panel->setPalette(pal);
    auto *icon = new QLabel(panel);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    lblHeading = new QLabel(QStringLiteral("Did you know..."), panel);
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    QFont big = lblHeading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblHeading->setFont(big);
    lblTipText = new QLabel(panel);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lblTipText->setTextFormat(Qt::PlainText);
    lblTipText->setMinimumHeight(90);
    auto *text = new QVBoxLayout;
    text->addWidget(lblHeading);
    text->addWidget(lblTipText, 1);
    auto *inner = new QHBoxLayout(panel);
    inner->addWidget(icon);
    inner->addLayout(text, 1);

    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setToolTip(QStringLiteral("Show next tip."));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("&Show Tips At Startup"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    chkLoadTipsAtStartup->setToolTip(QStringLiteral("Check to show tips at startup."));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdNextTip);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(panel, 1);
    top->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addWidget(chkLoadTipsAtStartup);
    resize(460, 220);

    connect(cmdNextTip, &QPushButton::clicked, this, &frmTips::NextTip);
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Q_EMIT OKClick(chkLoadTipsAtStartup->isChecked() ? 1 : 0); });
}
