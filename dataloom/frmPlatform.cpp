#include "frmPlatform.h"

#include "captionlook.h"
#include "dialogbuttons.h"
#include "fixedlists.h"
#include "uiservice.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmPlatform::frmPlatform(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPlatform"));
    setWindowTitle(QStringLiteral("Platforms"));

    auto *outer = new QVBoxLayout(this);
    auto *strip = new QLabel(QStringLiteral(" Platforms"), this);
    strip->setObjectName(QStringLiteral("lblTitle"));
    lc::controls::setCaptionLook(strip, true);
    QFont bold = strip->font();
    bold.setBold(true);
    strip->setFont(bold);
    strip->setMinimumHeight(24);
    outer->addWidget(strip);

    auto *note = new QLabel(
        QStringLiteral("Select the platforms you want to keep in your collection."), this);
    note->setWordWrap(true);
    outer->addWidget(note);
    auto *reload =
        new QLabel(QStringLiteral("(Data will be re-loaded after changing your settings)"), this);
    reload->setEnabled(false);
    outer->addWidget(reload);

    int rowsCount = 0;
    const lc::names::PlatformRow *rows = lc::names::platformRows(&rowsCount);
    for (int i = 0; i < rowsCount && rows[i].id <= kPlatforms; ++i) {
        auto *box = new QCheckBox(QString::fromLatin1(rows[i].checkCaption), this);
        box->setObjectName(QStringLiteral("chkPlatform_%1").arg(rows[i].id));
        m_boxes[rows[i].id] = box;
    }

    // Groups by maker; the two single platforms stand on their own.
    const auto group = [this](const QString &title, int from, int to) {
        auto *g = new QGroupBox(title, this);
        auto *l = new QVBoxLayout(g);
        for (int i = from; i <= to; ++i)
            l->addWidget(m_boxes[i]);
        l->addStretch();
        return g;
    };
    auto *grid = new QGridLayout;
    grid->addWidget(group(QStringLiteral("Nintendo"), 1, 8), 0, 0, 2, 1);
    grid->addWidget(group(QStringLiteral("SEGA"), 9, 14), 0, 1);
    grid->addWidget(group(QStringLiteral("Sony"), 15, 16), 1, 1);
    grid->addWidget(group(QStringLiteral("Microsoft"), 17, 17), 0, 2);
    auto *others = new QWidget(this);
    auto *ol = new QVBoxLayout(others);
    ol->addWidget(m_boxes[18]);
    ol->addWidget(m_boxes[19]);
    ol->addStretch();
    grid->addWidget(others, 1, 2);
    outer->addLayout(grid);

    outer->addLayout(lc::controls::okCancelRow(this, &cmdOK, &cmdCancel));

    connect(cmdOK, &QPushButton::clicked, this, &frmPlatform::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPlatform::cmdCancel_Click);

    adjustSize();
    if (const QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

QCheckBox *frmPlatform::chkPlatform(int index) const
{
    return index >= 1 && index <= kPlatforms ? m_boxes[index] : nullptr;
}

void frmPlatform::cmdOK_Click()
{
    unload(false);
}

void frmPlatform::cmdCancel_Click()
{
    unload(true);
}

void frmPlatform::reject()
{
    // A window already hidden by OK or Cancel has reported its end: closing it is no second one.
    if (!isVisible()) {
        QDialog::reject();
        return;
    }
    setResult(Rejected);
    unload(true);
}

void frmPlatform::unload(bool cancel)
{
    hide();
    lc::ui::service().processEvents();
    Q_EMIT UnloadPlatforms(cancel);
}
