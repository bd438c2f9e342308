#include "frmOptions.h"

#include "dialogbuttons.h"
#include "modMain.h"
#include "settings.h"
#include "uiservice.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kSection = QStringLiteral("Options");

QString defaultStartPage()
{
    return AppPath() + QStringLiteral("Start.html");
}
} // namespace

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    auto *outer = new QVBoxLayout(this);

    auto *start = new QGroupBox(QStringLiteral("Browser Start Page:"), this);
    auto *startRow = new QHBoxLayout(start);
    txtURL = new QLineEdit(start);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    txtURL->setMinimumWidth(320);
    txtURL->installEventFilter(this);
    cmdSelect = new QPushButton(QStringLiteral("..."), start);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setToolTip(QStringLiteral("Select File..."));
    cmdSelect->setAutoDefault(false);
    cmdSelect->setFixedWidth(cmdSelect->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 4);
    startRow->addWidget(txtURL, 1);
    startRow->addWidget(cmdSelect);
    outer->addWidget(start);

    auto *layoutFrame = new QGroupBox(QStringLiteral("Application Layout:"), this);
    auto *layoutRow = new QVBoxLayout(layoutFrame);
    chkAppLayout = new QCheckBox(QStringLiteral("Save Application Layout"), layoutFrame);
    chkAppLayout->setObjectName(QStringLiteral("chkAppLayout"));
    layoutRow->addWidget(chkAppLayout);
    outer->addWidget(layoutFrame);

    auto *view = new QGroupBox(QStringLiteral("File View:"), this);
    auto *viewRow = new QHBoxLayout(view);
    optView[3] = new QRadioButton(QStringLiteral("Report View"), view);
    optView[3]->setObjectName(QStringLiteral("optView_3"));
    optView[0] = new QRadioButton(QStringLiteral("Large Icons"), view);
    optView[0]->setObjectName(QStringLiteral("optView_0"));
    viewRow->addWidget(optView[3]);
    viewRow->addWidget(optView[0]);
    viewRow->addStretch();
    outer->addWidget(view);

    outer->addLayout(lc::controls::okCancelRow(this, &cmdOK, &cmdCancel));

    connect(cmdSelect, &QPushButton::clicked, this, &frmOptions::cmdSelect_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    Form_Load();
    setFixedSize(sizeHint());
}

void frmOptions::Form_Load()
{
    chkAppLayout->setChecked(lc::settings::GetNumber(kSection, QStringLiteral("AppLayout"), 0) !=
                             0);
    txtURL->setText(
        lc::settings::GetSetting(kSection, QStringLiteral("BrowsStart"), defaultStartPage()));
    const int mode = lc::settings::GetNumber(kSection, QStringLiteral("FileView"), 3);
    // A value no button stands for selects none, as the store holds something unknown.
    if (mode >= 0 && mode < 4 && optView[mode])
        optView[mode]->setChecked(true);
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event)
{
    // Selected after the focus change is done: a mouse press would otherwise put the caret
    // where it landed and drop the selection.
    if (watched == txtURL && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtURL, [box = txtURL] { box->selectAll(); });
    return QDialog::eventFilter(watched, event);
}

void frmOptions::cmdSelect_Click()
{
    const auto chosen = lc::ui::service().openFile(
        {QStringLiteral("Select File..."), QStringLiteral("HTML Files *.htm*|*.htm*"), {}, {}});
    if (!chosen || chosen->isEmpty())
        return;
    txtURL->setText(*chosen);
    txtURL->setFocus();
}

void frmOptions::cmdOK_Click()
{
    lc::settings::SaveSetting(kSection, QStringLiteral("AppLayout"),
                              chkAppLayout->isChecked() ? QStringLiteral("1")
                                                        : QStringLiteral("0"));
    const QString url = txtURL->text().trimmed();
    lc::settings::SaveSetting(kSection, QStringLiteral("BrowsStart"),
                              url.isEmpty() ? defaultStartPage() : url);
    lc::settings::SaveSetting(kSection, QStringLiteral("FileView"),
                              optView[3]->isChecked() ? QStringLiteral("3") : QStringLiteral("0"));
    Q_EMIT Re_View();
    accept();
}
