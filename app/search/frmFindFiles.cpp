#include "frmFindFiles.h"

#include "clsCombos.h"
#include "clsGameName.h"
#include "connection.h"
#include "errorlog.h"
#include "fixedlists.h"
#include "programfolder.h"
#include "searchindex.h"
#include "searchprepare.h"
#include "settings.h"
#include "textlines.h"
#include "twips.h"
#include "uiservice.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace lc::search {

namespace {

const QString kSection = QStringLiteral("Find");
const QString kModule = QStringLiteral("frmFind");
// A history file is only read; a huge one must not fill the box or the memory.
constexpr int kHistoryLines = 500;
constexpr qint64 kHistoryLineBytes = 1024;

const char *const kCatCaptions[] = {
    "", "Walkthrough\\Guide", "Cheat\\Hint\\Code", "Review", "Preview", "News", "Web Link"};
const bool kCatDefaults[] = {false, true, true, false, false, false, false};
const char *const kFieldCaptions[] = {"", "Description", "Source", "Text"};
const bool kFieldDefaults[] = {false, true, true, false};

} // namespace

frmFind::frmFind(lc::db::Connection &conn, QWidget *parent) : QDialog(parent), m_conn(conn)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find Files..."));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont tahoma(QStringLiteral("Tahoma"), 8);
    setFont(tahoma);

    auto *top = new QVBoxLayout(this);
    auto *findRow = new QHBoxLayout;
    auto *Label1 = new QLabel(QStringLiteral("&Find:"), this);
    cboFind = new QComboBox(this);
    cboFind->setObjectName(QStringLiteral("cboFind"));
    cboFind->setEditable(true);
    cboFind->setInsertPolicy(QComboBox::NoInsert);
    cboFind->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label1->setBuddy(cboFind);
    findRow->addWidget(Label1);
    findRow->addWidget(cboFind);
    top->addLayout(findRow);

    auto *boxes = new QHBoxLayout;
    auto *Frame3 = new QGroupBox(QStringLiteral("Categories:"), this);
    auto *catGrid = new QGridLayout(Frame3);
    for (int i = 1; i <= 6; ++i) {
        chkFileCat[i] = new QCheckBox(QString::fromLatin1(kCatCaptions[i]), Frame3);
        chkFileCat[i]->setObjectName(QStringLiteral("chkFileCat%1").arg(i));
        catGrid->addWidget(chkFileCat[i], (i - 1) % 3, (i - 1) / 3);
    }
    auto *Frame2 = new QGroupBox(QStringLiteral("Fields:"), this);
    auto *fieldBox = new QVBoxLayout(Frame2);
    for (int i = 1; i <= 3; ++i) {
        chkFileField[i] = new QCheckBox(QString::fromLatin1(kFieldCaptions[i]), Frame2);
        chkFileField[i]->setObjectName(QStringLiteral("chkFileField%1").arg(i));
        fieldBox->addWidget(chkFileField[i]);
    }
    boxes->addWidget(Frame3, 2);
    boxes->addWidget(Frame2, 1);
    top->addLayout(boxes);

    Frame1 = new QGroupBox(this);
    auto *within = new QGridLayout(Frame1);
    chk1 = new QCheckBox(QStringLiteral("Search Within Game..."), Frame1);
    cboPlatform = new QComboBox(Frame1);
    cboGame = new QComboBox(Frame1);
    lblGame = new QLabel(QStringLiteral(" Game"), Frame1);
    cboPlatform->setObjectName(QStringLiteral("cboPlatform"));
    cboGame->setObjectName(QStringLiteral("cboGame"));
    within->addWidget(chk1, 0, 0, 1, 2);
    within->addWidget(new QLabel(QStringLiteral(" Platform"), Frame1), 1, 0);
    within->addWidget(cboPlatform, 1, 1);
    within->addWidget(lblGame, 2, 0);
    within->addWidget(cboGame, 2, 1);
    top->addWidget(Frame1);

    auto *buttons = new QHBoxLayout;
    prgSearch = new QProgressBar(this);
    prgSearch->setObjectName(QStringLiteral("prgSearch"));
    prgSearch->setRange(0, 100);
    prgSearch->setTextVisible(false);
    prgSearch->setVisible(false);
    buttons->addWidget(prgSearch, 1);
    buttons->addStretch();
    cmdFind = new QPushButton(QStringLiteral("&Find"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdFind->setDefault(true);
    buttons->addWidget(cmdFind);
    buttons->addWidget(cmdCancel);
    top->addLayout(buttons);

    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (m_searching)
            m_cancelled = true;
        else
            close();
    });
    connect(chk1, &QCheckBox::toggled, this, &frmFind::withinGameToggled);
    connect(cboPlatform, &QComboBox::currentIndexChanged, this, &frmFind::platformChosen);
    connect(cboFind, &QComboBox::editTextChanged, this,
            [this](const QString &text) { cmdFind->setEnabled(!text.trimmed().isEmpty()); });
    cboFind->lineEdit()->installEventFilter(this);

    Form_Load();
}

frmFind::~frmFind()
{
    saveSettings();
}

void frmFind::Form_Load()
{
    for (int i = 1; i <= 6; ++i)
        chkFileCat[i]->setChecked(lc::settings::GetNumber(kSection,
                                                          QStringLiteral("chkFC%1").arg(i),
                                                          kCatDefaults[i]) == 1);
    for (int i = 1; i <= 3; ++i)
        chkFileField[i]->setChecked(lc::settings::GetNumber(kSection,
                                                            QStringLiteral("chkFF%1").arg(i),
                                                            kFieldDefaults[i]) == 1);
    clsPCombo platforms;
    platforms.M_ADO_CONNECTION = &m_conn;
    {
        const QSignalBlocker block(cboPlatform);
        platforms.LoadCombo(cboPlatform);
        cboPlatform->setCurrentIndex(-1);
    }
    if (cboPlatform->count() > 0)
        cboPlatform->setCurrentIndex(0);

    cboFind->clear();
    int lines = 0;
    lc::readTextLines(lc::programFolder() + QStringLiteral("quickfind.log"), kHistoryLineBytes,
                      [&](const QString &line) {
                          if (!line.trimmed().isEmpty()) {
                              cboFind->addItem(line);
                              ++lines;
                          }
                          return lines < kHistoryLines;
                      });
    cboFind->setCurrentText(QString());
    cmdFind->setEnabled(false);
    withinGameToggled(false);
}

void frmFind::platformChosen(int index)
{
    if (index < 0)
        return;
    clsGCombo games;
    games.M_ADO_CONNECTION = &m_conn;
    const int count = games.LoadCombo(cboGame, quint8(cboPlatform->itemData(index).toUInt()), 0);
    lblGame->setText(QStringLiteral(" Games: %1").arg(count));
}

void frmFind::withinGameToggled(bool on)
{
    cboPlatform->setEnabled(on);
    cboGame->setEnabled(on);
    // The frame and window heights are the window's own, in twips.
    Frame1->setMinimumHeight(lc::twips::toPixels(on ? 3285 - 2480 : 0) +
                             Frame1->sizeHint().height());
    resize(width(), std::max(sizeHint().height(), lc::twips::toPixels(on ? 3615 : 2790)));
}

bool frmFind::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboFind->lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                cmdFind_Click();
                if (isVisible())
                    cboFind->setFocus();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            QTimer::singleShot(0, cboFind->lineEdit(), &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFind::cmdFind_Click()
{
    // Enter pressed while a search lets events run must not start a second one inside it.
    if (m_searching)
        return;
    const QString t = cboFind->currentText().trimmed();
    if (t.isEmpty()) {
        close();
        return;
    }
    Q_EMIT ClearSearch();
    Q_EMIT SelectTab(3);

    lc::db::SearchIndex::Query query;
    query.text = t;
    if (chk1->isChecked() && cboGame->count() > 0 && cboGame->currentIndex() >= 0)
        query.gameId = cboGame->currentData().toInt();
    for (int i = 1; i <= 6; ++i)
        if (chkFileCat[i]->isChecked())
            query.categories << quint8(i);
    query.description = chkFileField[1]->isChecked();
    query.source = chkFileField[2]->isChecked();
    query.text_ = chkFileField[3]->isChecked();
    if (!query.description && !query.source && !query.text_) {
        lc::ui::msgBox(QStringLiteral("You don't have any fields selected!"), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Exclamation);
        return;
    }
    lc::db::Error error;
    const qint64 rows = lc::db::SearchIndex::countRows(m_conn, query, &error);
    if (rows < 0) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("cmdFind_Click"), error,
                                                 true);
        return;
    }
    if (rows == 0) {
        lc::ui::msgBox(QStringLiteral("No records found."));
        return;
    }
    // Without an index (its side file cannot be made here) the files are scanned instead:
    // slower, the same hits.
    const Prepared prepared = PrepareIndex(m_conn, this, kModule, QStringLiteral("cmdFind_Click"));
    if (prepared == Prepared::Cancelled)
        return;

    clsGameName names;
    names.M_ADO_CONNECTION = &m_conn;
    if (!names.InitNames()) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("cmdFind_Click"),
                                                 names.lastError(), true);
        return;
    }
    // While it runs, the bar moves and Cancel stops the search; what was found stays listed.
    m_searching = true;
    m_cancelled = false;
    cmdFind->setEnabled(false);
    prgSearch->setVisible(true);
    qint64 count = 0;
    lc::db::SearchIndex::Callbacks callbacks;
    callbacks.hit = [&](const lc::db::SearchIndex::Hit &hit) {
        const QString game = names.Name(hit.gameId);
        Q_EMIT AddSearch(hit.id, lc::names::platformName(names.Platform_id), game, hit.subCat,
                         hit.desc,
                         QStringLiteral("N_%1|G_%2|P_%3")
                             .arg(hit.gameId)
                             .arg(names.Genre_id)
                             .arg(names.Platform_id),
                         QStringLiteral("File"));
        ++count;
        if (count % 200 == 0)
            lc::ui::service().processEvents();
        return !m_cancelled;
    };
    callbacks.tick = [&] {
        prgSearch->setValue((prgSearch->value() + 1) % 100);
        lc::ui::service().processEvents();
        return !m_cancelled;
    };
    const bool ok = prepared == Prepared::Ready
                        ? lc::db::SearchIndex::search(m_conn, query, callbacks, &error)
                        : lc::db::SearchIndex::scan(m_conn, query, callbacks, &error);
    m_searching = false;
    prgSearch->setVisible(false);
    cmdFind->setEnabled(!cboFind->currentText().trimmed().isEmpty());
    if (!ok) {
        // What was listed stays listed; the engine's words go to the log only.
        lc::errorlog::Reporter::program().write(kModule, QStringLiteral("cmdFind_Click"), error);
        return;
    }
    if (m_cancelled) {
        // Stopped by the user: the hits so far stay listed under their count, and the window
        // stays open for another try.
        Q_EMIT SearchTitle(QString::number(count) + (count == 1 ? QStringLiteral(" item found.")
                                                                : QStringLiteral(" items found.")));
        return;
    }
    Q_EMIT SearchTitle(QString::number(count) + (count == 1 ? QStringLiteral(" item found.")
                                                            : QStringLiteral(" items found.")));
    lc::ui::msgBox(QStringLiteral("Finished!"), lc::ui::Buttons::Ok, lc::ui::Icon::Information);
    close();
}

void frmFind::TextSearch(QTextEdit *box, const QString &strFind, const QString &strPrompt)
{
    if (!box || strFind.isEmpty())
        return;
    const QString text = box->toPlainText();
    int from = box->textCursor().position();
    while (true) {
        const int at = text.indexOf(strFind, from, Qt::CaseInsensitive);
        if (at < 0)
            return;
        QTextCursor cursor = box->textCursor();
        cursor.setPosition(at);
        cursor.setPosition(at + int(strFind.size()), QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
        if (lc::ui::service().messageBox(strPrompt + QStringLiteral(" Continue Looking?"),
                                         QStringLiteral("Found"), lc::ui::Buttons::YesNo,
                                         lc::ui::Icon::None) != lc::ui::Answer::Yes)
            return;
        from = at + int(strFind.size());
    }
}

void frmFind::saveSettings()
{
    for (int i = 1; i <= 6; ++i)
        lc::settings::SaveNumber(kSection, QStringLiteral("chkFC%1").arg(i),
                                 chkFileCat[i]->isChecked() ? 1 : 0);
    for (int i = 1; i <= 3; ++i)
        lc::settings::SaveNumber(kSection, QStringLiteral("chkFF%1").arg(i),
                                 chkFileField[i]->isChecked() ? 1 : 0);
}

void frmFind::closeEvent(QCloseEvent *event)
{
    // Closing during a search stops it first.
    m_cancelled = true;
    saveSettings();
    QDialog::closeEvent(event);
}

} // namespace lc::search
