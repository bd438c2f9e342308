#include "frmFind.h"

#include "programfolder.h"
#include "textlines.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The history is a short list; a huge or broken file must not keep the window from opening.
constexpr int kMaxHistory = 1000;
constexpr qint64 kMaxLineBytes = 1024;
} // namespace

frmFind::frmFind(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));

    Label1 = new QLabel(QStringLiteral("&Find:"), this);
    cboFind = new QComboBox(this);
    cboFind->setObjectName(QStringLiteral("cboFind"));
    cboFind->setEditable(true);
    cboFind->setInsertPolicy(QComboBox::NoInsert);
    cboFind->setMinimumWidth(240);
    Label1->setBuddy(cboFind);
    // Typed keys reach the combo box first and only then its line edit.
    cboFind->installEventFilter(this);
    cboFind->lineEdit()->installEventFilter(this);

    auto *Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    chkWholeWord = new QCheckBox(QStringLiteral("Find Whole Word &Only"), Frame1);
    chkWholeWord->setObjectName(QStringLiteral("chkWholeWord"));
    chkCase = new QCheckBox(QStringLiteral("Match &Case"), Frame1);
    chkCase->setObjectName(QStringLiteral("chkCase"));
    auto *fl = new QVBoxLayout(Frame1);
    fl->addWidget(chkWholeWord);
    fl->addWidget(chkCase);

    cmdFind = new QPushButton(QStringLiteral("Find &Next"), this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdClear = new QPushButton(QStringLiteral("Clear &Autosave"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    for (QPushButton *b : {cmdFind, cmdCancel, cmdClear})
        b->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cboFind, 0, 1);
    grid->addWidget(Frame1, 1, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdFind);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClear);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 2, 1);

    connect(cboFind, &QComboBox::editTextChanged, this,
            [this](const QString &t) { cmdFind->setEnabled(!t.trimmed().isEmpty()); });
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
}

void frmFind::Form_Load()
{
    cboFind->clear();
    QStringList items;
    const bool found = lc::readTextLines(lc::programFolder() + QStringLiteral("quickfind.log"),
                                         kMaxLineBytes, [&items](QString text) {
                                             text.remove(QChar(0));
                                             if (!text.isEmpty())
                                                 items << text;
                                             return items.size() < kMaxHistory;
                                         });
    if (!found)
        return;
    cboFind->addItems(items);
    cboFind->setCurrentIndex(-1);
    cboFind->setEditText(QString());
}

void frmFind::cmdFind_Click()
{
    if (!cmdFind->isEnabled())
        return;
    Q_EMIT FindIt(cboFind->currentText().trimmed(), chkWholeWord->isChecked() ? 1 : 0,
                  chkCase->isChecked() ? 1 : 0);
}

bool frmFind::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboFind->lineEdit() && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, cboFind->lineEdit(), &QLineEdit::selectAll);
    if (watched == cboFind || watched == cboFind->lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                cboFind->setFocus();
                cmdFind_Click();
                cboFind->setFocus();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
