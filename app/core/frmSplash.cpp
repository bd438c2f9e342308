#include "frmSplash.h"

#include "frmAbout.h"
#include "modMain.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto *layout = new QVBoxLayout(frame);

    imgLogo = new QLabel(frame);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setAlignment(Qt::AlignCenter);
    const QPixmap logo(AppPath() + QStringLiteral("logo.gif"));
    if (!logo.isNull())
        imgLogo->setPixmap(logo);
    layout->addWidget(imgLogo);

    lblVersion = new QLabel(VersionLabelText(), frame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignRight);
    layout->addWidget(lblVersion);
    adjustSize();
}

void frmSplash::keyPressEvent(QKeyEvent *)
{
    close();
}
void frmSplash::mousePressEvent(QMouseEvent *)
{
    close();
}
