#include "clsVWED.h"
#include "connection.h"
#include "fixedlists.h"
#include "frmFind.h"
#include "modScrivet.h"
#include "recordset.h"
#include "richtextbox.h"
#include "rtf.h"
#include "settings.h"
#include "testsupport.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

#include <sqlite3.h>

using lc::twips::toPixels;
using lc::ui::Answer;
using lc::ui::ScriptedUi;

namespace {

// The sample collection's third file: a review of an adventure on the GameCube.
constexpr qint32 kReview = 3;
constexpr qint32 kWebLink = 5;
constexpr qint32 kFirstGame = 1;
const QString kFirstTitle = QStringLiteral("Lanterns of the Hollow Reach");

// A small RTF text with one bold word, as the editor itself would hold it.
const QString kBoldRtf = QStringLiteral(
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}}\\f0\\fs20 plain \\b bold\\b0  "
    "end\\par}");

void exec(sqlite3 *h, const char *sql)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(h, sql, nullptr, nullptr, &error);
    QVERIFY2(rc == SQLITE_OK, error);
}

void exec(const QString &db, const char *sql)
{
    sqlite3 *h = nullptr;
    QCOMPARE(sqlite3_open(db.toUtf8().constData(), &h), SQLITE_OK);
    exec(h, sql);
    sqlite3_close(h);
}

struct Row {
    bool found = false;
    qint32 gameId = 0;
    int subCat = 0;
    QString source, description, text;
};

Row readRow(lc::db::Connection &conn, qint32 id)
{
    Row r;
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file "
                                "WHERE auto_id = ") +
                     QString::number(id),
                 conn) ||
        rs.recordCount() == 0)
        return r;
    r.found = true;
    r.gameId = rs.field(QStringLiteral("game_id")).toInt();
    r.subCat = rs.field(QStringLiteral("sub_cat")).toInt();
    r.source = rs.field(QStringLiteral("src")).toString();
    r.description = rs.field(QStringLiteral("desc")).toString();
    r.text = rs.field(QStringLiteral("txt_rtf")).toString();
    return r;
}

int fileCount(lc::db::Connection &conn)
{
    lc::db::Recordset rs;
    rs.open(QStringLiteral("SELECT auto_id FROM file"), conn);
    return rs.recordCount();
}

// What a caller passes to Show for a stored file, read as the file list would read it.
ViewEditArgs storedFile(lc::db::Connection &conn, qint32 fileId, enMode mode)
{
    const Row row = readRow(conn, fileId);
    lc::db::Recordset game;
    game.open(QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game WHERE "
                             "auto_id = ") +
                  QString::number(row.gameId),
              conn);
    ViewEditArgs a;
    a.vMode = mode;
    a.bytPlatformId = quint8(game.field(QStringLiteral("platform_id")).toInt());
    a.bytGenreId = quint8(game.field(QStringLiteral("genre_id")).toInt());
    a.strGameTitle = game.field(QStringLiteral("name")).toString();
    a.record = {fileId, row.gameId, quint8(row.subCat), row.source, row.description, row.text};
    return a;
}

// A new file for the first sample game, as "New File" in the file list opens it.
ViewEditArgs newFile()
{
    ViewEditArgs a;
    a.vMode = enNew;
    a.bytPlatformId = 3;
    a.bytGenreId = 2;
    a.record.gameId = kFirstGame;
    a.strGameTitle = kFirstTitle;
    return a;
}

QString logLine(const QByteArray &log, int line)
{
    return QString::fromUtf8(log).split(QStringLiteral("\r\n")).value(line);
}

} // namespace

class TestScrivet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TestHome>(TestHome::Db::Sample);
        QVERIFY(m_conn.open(m_home->dbPath()));
        m_viewer = std::make_unique<clsVWED>();
        m_viewer->M_ADO_CONNECTION = &m_conn;
        m_viewer->ErrLogFile = m_home->file(QStringLiteral("error.log"));
    }
    void cleanup()
    {
        // Whatever a failed test left unsaved goes without a prompt.
        if (m_viewer && m_viewer->ViewEditForm())
            m_viewer->ViewEditForm()->SaveButtons(false);
        m_viewer.reset();
        QList<QPointer<frmVWED>> left;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<frmVWED *>(w))
                left << f;
        for (const QPointer<frmVWED> &f : left)
            if (f) {
                f->SaveButtons(false);
                delete f;
            }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_conn.close();
        m_home.reset();
    }

    void modesLayoutAndCaptions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("view") << int(enView) << QStringLiteral("File: ") + kFirstTitle << false
                              << true;
        QTest::newRow("edit") << int(enEdit)
                              << QStringLiteral("Editing: ") + kFirstTitle + QStringLiteral(" File")
                              << true << false;
        QTest::newRow("new") << int(enNew) << QStringLiteral("Add New Game File To: ") + kFirstTitle
                             << true << true;
    }
    void modesLayoutAndCaptions()
    {
        QFETCH(int, mode);
        QFETCH(QString, caption);
        QFETCH(bool, editing);
        QFETCH(bool, saveEnabled);
        const ViewEditArgs args =
            mode == enNew ? newFile() : storedFile(m_conn, kReview, enMode(mode));
        m_viewer->Show(args);
        frmVWED *w = m_viewer->ViewEditForm();
        QVERIFY(w->isVisible());
        QCOMPARE(w->mode(), enMode(mode));
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->lblPlatform->text(), QStringLiteral(" Platform:  GameCube"));
        QCOMPARE(w->lblGenre->text(), QStringLiteral(" Genre:  Adventure"));

        QCOMPARE(w->tbrTools->isVisible(), editing);
        QCOMPARE(w->tbrSubCat->isVisible(), editing);
        QCOMPARE(w->mnuFileE->menuAction()->isVisible(), editing);
        QCOMPARE(w->mnuFileV->menuAction()->isVisible(), !editing);
        QCOMPARE(w->txtDesc->isReadOnly(), !editing);
        QCOMPARE(w->txtSource->isReadOnly(), !editing);
        QCOMPARE(w->rtbText->Locked(), !editing);
        QCOMPARE(w->txtDesc->hasFrame(), editing);
        QCOMPARE(w->lblPlatform->frameShape(), editing ? QFrame::Panel : QFrame::NoFrame);
        QCOMPARE(w->lblPlatform->palette().color(QPalette::Window),
                 QApplication::palette().color(editing ? QPalette::Dark : QPalette::Button));

        QCOMPARE(w->fFrame->y(), toPixels(editing ? 330 : -90));
        QCOMPARE(w->rtbText->x(), 0);
        QCOMPARE(w->rtbText->y(), w->fFrame->y() + w->fFrame->height() + toPixels(20));
        QCOMPARE(w->rtbText->width(), w->centralWidget()->width());
        const int bar = editing ? w->tbrTools->height() : 0;
        QCOMPARE(w->rtbText->height(), w->centralWidget()->height() - (bar + w->rtbText->y()));

        QCOMPARE(w->mnuFileESave->isEnabled(), saveEnabled);
        QCOMPARE(w->tbrToolsButton(QStringLiteral("Save"))->isEnabled(), saveEnabled);
        QCOMPARE(w->rtbText->font().family(), QStringLiteral("Courier New"));
        if (mode == enNew) { // an empty text shows the box's own font, as a size one can pick
            QCOMPARE(w->cboFontSize->currentText(), QStringLiteral("10"));
            QVERIFY(QTest::qWaitForWindowActive(w));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->txtDesc));
        }
    }

    void standardShortcuts()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->rtbText->setFocus();
        w->rtbText->selectAll();
        QTest::keySequence(w, QKeySequence::Bold);
        QTest::keySequence(w, QKeySequence::Italic);
        QTest::keySequence(w, QKeySequence::Underline);
        QCOMPARE(w->rtbText->SelBold(), std::optional<bool>(true));
        QCOMPARE(w->rtbText->SelItalic(), std::optional<bool>(true));
        QCOMPARE(w->rtbText->SelUnderline(), std::optional<bool>(true));
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        QSignalSpy printed(m_viewer.get(), &clsVWED::PrintInfo);
        QTest::keySequence(w, QKeySequence::Save);
        QCOMPARE(saved.count(), 1);
        QTest::keySequence(w, QKeySequence::Print);
        QCOMPARE(printed.count(), 1);
        QTest::keySequence(w, QKeySequence::Find);
        QCOMPARE(m_home->ui().callsOf(ScriptedUi::Kind::Modal).size(), 1);
        QTest::keySequence(w, QKeySequence::Close);
        QVERIFY(!w->isVisible());

        // The viewing menu answers the same keys.
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keySequence(w, QKeySequence::Print);
        QCOMPARE(printed.count(), 2);
        QTest::keySequence(w, QKeySequence::Close);
        QVERIFY(!w->isVisible());
    }

    void subCategoryPicturesAndSourceLook()
    {
        m_viewer->Show(storedFile(m_conn, kWebLink, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QCOMPARE(w->SelectedSubCategory(), quint8(6));
        QCOMPARE(w->lblSubCat->text(), QStringLiteral("Web Link"));
        QCOMPARE(w->lblLabel(3)->text(), QStringLiteral("URL:"));
        QVERIFY(w->txtSource->font().underline());
        QVERIFY(w->lblLabel(3)->font().underline());
        QCOMPARE(w->txtSource->palette().color(QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(w->lblLabel(3)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(w->imgSubCat(i)->isVisible(), i == 6);
        QVERIFY(!w->saveEnabled());

        // A click on another button is a change and takes the link look away.
        w->tbrSubCatButton(3)->trigger();
        QCOMPARE(w->SelectedSubCategory(), quint8(3));
        QVERIFY(!w->tbrSubCatButton(6)->isChecked());
        QCOMPARE(w->lblSubCat->text(), QStringLiteral("Review"));
        QCOMPARE(w->lblLabel(3)->text(), QStringLiteral("Source:"));
        QVERIFY(!w->txtSource->font().underline());
        QCOMPARE(w->txtSource->palette().color(QPalette::Text), QColor(Qt::black));
        QVERIFY(w->imgSubCat(3)->isVisible() && !w->imgSubCat(6)->isVisible());
        QVERIFY(w->saveEnabled());
        // Clicking the pressed button leaves it pressed: the group always has one choice.
        w->tbrSubCatButton(3)->trigger();
        QCOMPARE(w->SelectedSubCategory(), quint8(3));

        // A code outside the list presses nothing.
        w->SetSubCategory(9);
        QCOMPARE(w->SelectedSubCategory(), quint8(0));
        QCOMPARE(w->lblSubCat->text(), QString());
    }

    void newFilePreselectsTheLastSubCategory_data()
    {
        QTest::addColumn<QString>("lastCat");
        QTest::addColumn<int>("pressed");
        QTest::newRow("never saved") << QString() << 1;
        QTest::newRow("preview") << QStringLiteral("4") << 4;
        QTest::newRow("web link") << QStringLiteral("6") << 6;
        QTest::newRow("out of range") << QStringLiteral("9") << 1;
    }
    void newFilePreselectsTheLastSubCategory()
    {
        QFETCH(QString, lastCat);
        QFETCH(int, pressed);
        if (!lastCat.isNull())
            lc::settings::SaveSetting(QStringLiteral("ViewEdit"), QStringLiteral("LastCat"),
                                      lastCat);
        m_viewer->Show(newFile());
        frmVWED *w = m_viewer->ViewEditForm();
        QCOMPARE(int(w->SelectedSubCategory()), pressed);
        QCOMPARE(w->lblSubCat->text(), lc::names::subCatName(quint8(pressed)));
        // A new file shows its source plainly until the user picks "Web Link".
        QCOMPARE(w->lblLabel(3)->text(),
                 pressed == 6 ? QStringLiteral("URL:") : QStringLiteral("Source:"));
    }

    void placementFromTheSettings()
    {
        const QSize designed = m_viewer->ViewEditForm()->size();
        const auto save = [](const char *key, int value) {
            lc::settings::SaveNumber(QStringLiteral("ViewEdit"), QString::fromLatin1(key), value);
        };
        // "Top" exactly 0: the other three are ignored.
        save("Top", 0);
        save("Left", 1500);
        save("Width", 9600);
        save("Height", 6000);
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        QCOMPARE(m_viewer->ViewEditForm()->size(), designed);
        m_viewer->ViewEditForm()->close();

        save("Top", 1500);
        save("Left", 1500);
        save("Width", 9600);
        save("Height", 6000);
        clsVWED second;
        second.Show(storedFile(m_conn, kReview, enView));
        frmVWED *w = second.ViewEditForm();
        QCOMPARE(w->pos(), QPoint(toPixels(1500), toPixels(1500)));
        QCOMPARE(w->size(), QSize(toPixels(9600), toPixels(6000)));

        // Closing stores where the window is now, in twips.
        w->move(toPixels(600), toPixels(750));
        w->resize(toPixels(10500), toPixels(7500));
        QVERIFY(w->close());
        const auto number = [](const char *key) {
            return lc::settings::GetNumber(QStringLiteral("ViewEdit"), QString::fromLatin1(key),
                                           -1);
        };
        QCOMPARE(number("Top"), 750);
        QCOMPARE(number("Left"), 600);
        QCOMPARE(number("Width"), 10500);
        QCOMPARE(number("Height"), 7500);
    }

    void viewingIsNeverAChange()
    {
        // Every sample file, opened and closed unchanged, compares equal to itself.
        const int files = fileCount(m_conn);
        QVERIFY(files > 20);
        for (qint32 id = 1; id <= files; ++id) {
            clsVWED v;
            v.M_ADO_CONNECTION = &m_conn;
            v.Show(storedFile(m_conn, id, enEdit));
            QVERIFY2(!v.ViewEditForm()->changed(), qPrintable(QString::number(id)));
        }
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        QVERIFY(m_viewer->ViewEditForm()->close());
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void viewSwitchesToEdit()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        frmVWED *w = m_viewer->ViewEditForm();
        QVERIFY(w->saveEnabled()); // loading counts as a change until a mode says otherwise
        w->mnuFileVEdit->trigger();
        QCOMPARE(w->mode(), enEdit);
        QCOMPARE(w->windowTitle(),
                 QStringLiteral("Editing: ") + kFirstTitle + QStringLiteral(" File"));
        QVERIFY(w->tbrTools->isVisible());
        QVERIFY(w->mnuFileE->menuAction()->isVisible());
        QVERIFY(!w->mnuFileV->menuAction()->isVisible());
        QVERIFY(!w->rtbText->Locked());
        QVERIFY(!w->saveEnabled());
        QCOMPARE(w->fFrame->y(), toPixels(330));
        // Only from view to edit.
        w->mnuFileVEdit_Click();
        QCOMPARE(w->mode(), enEdit);
        QVERIFY(w->close());
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void brandNewKeepsTheDesignedLook()
    {
        ViewEditArgs args = newFile();
        args.vMode = enBrandNew;
        args.record.textRtf = QStringLiteral("Something");
        m_viewer->Show(args);
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy added(m_viewer.get(), &clsVWED::AddFile);
        QCOMPARE(w->windowTitle(), QStringLiteral("Lorecase"));
        QVERIFY(w->mnuFileE->menuAction()->isVisible());
        QVERIFY(w->tbrTools->isVisible());
        QVERIFY(!w->saveEnabled());
        w->rtbText->setText(QStringLiteral("Typed"));
        QVERIFY(w->saveEnabled());
        w->Save();
        QCOMPARE(added.count(), 0);
        QVERIFY(w->close());
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void editIsSavedAndReopensWithItsFormatting()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        w->txtDesc->setText(QStringLiteral("  Second opinion  "));
        w->rtbText->setTextRTF(kBoldRtf);
        w->rtbText->setSelStart(0);
        w->rtbText->setSelLength(5);
        w->tbrToolsButton(QStringLiteral("Italic"))->trigger();
        QVERIFY(w->saveEnabled());
        w->tbrToolsButton(QStringLiteral("Save"))->trigger();

        QCOMPARE(saved.count(), 1);
        const QList<QVariant> args = saved.first();
        QCOMPARE(args.at(0).toInt(), kReview);
        QCOMPARE(args.at(1).toInt(), 3);
        QCOMPARE(args.at(3).toString(), QStringLiteral("Second opinion"));
        const Row row = readRow(m_conn, kReview);
        QCOMPARE(row.description, QStringLiteral("Second opinion"));
        QCOMPARE(row.text, args.at(4).toString());
        QVERIFY(lc::rtf::isRtf(lc::rtf::toBytes(row.text)));
        QVERIFY(!w->saveEnabled());
        QVERIFY(w->isVisible()); // an edit window stays open after saving
        QCOMPARE(lc::settings::GetNumber(QStringLiteral("ViewEdit"), QStringLiteral("LastCat"), 0),
                 3);
        QVERIFY(w->close());
        QVERIFY(m_home->ui().messages().isEmpty());

        clsVWED again;
        again.Show(storedFile(m_conn, kReview, enView));
        lc::controls::RichTextBox *box = again.ViewEditForm()->rtbText;
        QCOMPARE(box->Text(), QStringLiteral("plain bold end"));
        box->setSelStart(0);
        box->setSelLength(5);
        QCOMPARE(box->SelItalic(), std::optional<bool>(true));
        box->setSelStart(6);
        box->setSelLength(4);
        QCOMPARE(box->SelBold(), std::optional<bool>(true));
        QCOMPARE(box->SelItalic(), std::optional<bool>(false));
        QCOMPARE(again.ViewEditForm()->txtDesc->text(), QStringLiteral("Second opinion"));
    }

    void newFileIsStoredAndClosed()
    {
        m_viewer->Show(newFile());
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy added(m_viewer.get(), &clsVWED::AddFile);
        const int before = fileCount(m_conn);
        w->tbrSubCatButton(5)->trigger();
        w->txtDesc->setText(QStringLiteral("Ferry timetable"));
        w->txtSource->setText(QStringLiteral(" Player notes "));
        w->rtbText->setText(QStringLiteral("Boats leave on the hour."));
        w->mnuFileESave->trigger();

        QCOMPARE(added.count(), 1);
        const QList<QVariant> a = added.first();
        QCOMPARE(a.at(0).toInt(), 3);
        QCOMPARE(a.at(1).toInt(), 2);
        QCOMPARE(a.at(2).toInt(), kFirstGame);
        const qint32 id = a.at(3).toInt();
        QCOMPARE(id, before + 1);
        QCOMPARE(a.at(4).toInt(), 5);
        QCOMPARE(a.at(5).toString(), QStringLiteral("Player notes"));
        QCOMPARE(fileCount(m_conn), before + 1);
        const Row row = readRow(m_conn, id);
        QCOMPARE(row.gameId, kFirstGame);
        QCOMPARE(row.subCat, 5);
        QCOMPARE(row.description, QStringLiteral("Ferry timetable"));
        QCOMPARE(lc::rtf::plainText(lc::rtf::toBytes(row.text)),
                 QStringLiteral("Boats leave on the hour."));
        QVERIFY(!w->isVisible());
        QCOMPARE(lc::settings::GetNumber(QStringLiteral("ViewEdit"), QStringLiteral("LastCat"), 0),
                 5);
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void blankNewFileGoesWithoutAWord()
    {
        const int before = fileCount(m_conn);
        // Saved blank: closes, stores nothing.
        m_viewer->Show(newFile());
        QSignalSpy added(m_viewer.get(), &clsVWED::AddFile);
        frmVWED *w = m_viewer->ViewEditForm();
        w->txtDesc->setText(QStringLiteral("   "));
        w->Save();
        QVERIFY(!w->isVisible());
        QCOMPARE(added.count(), 0);

        // Closed blank, with Save still enabled: no question.
        clsVWED second;
        second.Show(newFile());
        QVERIFY(second.ViewEditForm()->saveEnabled());
        QVERIFY(second.ViewEditForm()->close());
        QCOMPARE(fileCount(m_conn), before);
        QVERIFY(m_home->ui().messages().isEmpty());
        QCOMPARE(lc::settings::GetSetting(QStringLiteral("ViewEdit"), QStringLiteral("LastCat")),
                 QString());
    }

    void plainTextFileShowsAsTextAndSavesAsRtf()
    {
        exec(m_home->dbPath(),
             "UPDATE file SET txt_rtf = 'Old notes: caf\u00e9 \u2603'||char(13,10)||"
             "'second line' WHERE auto_id = 3");
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QCOMPARE(w->rtbText->Text(), QStringLiteral("Old notes: caf\u00e9 \u2603\r\nsecond line"));
        QVERIFY(!w->changed());
        w->Save();
        const Row row = readRow(m_conn, kReview);
        QVERIFY(lc::rtf::isRtf(lc::rtf::toBytes(row.text)));
        QCOMPARE(lc::rtf::plainText(lc::rtf::toBytes(row.text)),
                 QStringLiteral("Old notes: caf\u00e9 \u2603\r\nsecond line"));

        // An RTF text without any characters stays empty rather than showing its codes.
        clsVWED second;
        ViewEditArgs empty = storedFile(m_conn, kReview, enView);
        empty.record.textRtf = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 }");
        second.Show(empty);
        QCOMPARE(second.ViewEditForm()->rtbText->Text(), QString());
    }

    void onlyTheSubCategoryChanged()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        w->tbrSubCatButton(4)->trigger();
        QVERIFY(w->changed());
        m_home->ui().answers.enqueue(Answer::Yes);
        QVERIFY(w->close());
        QCOMPARE(m_home->ui().messages(),
                 QStringList{QStringLiteral("Do you wish to save changes?")});
        QCOMPARE(saved.count(), 1);
        QCOMPARE(readRow(m_conn, kReview).subCat, 4);

        // Pressing it and going back is no change: Save is on, yet nothing is asked.
        clsVWED second;
        second.M_ADO_CONNECTION = &m_conn;
        second.Show(storedFile(m_conn, kReview, enEdit));
        second.ViewEditForm()->tbrSubCatButton(1)->trigger();
        second.ViewEditForm()->tbrSubCatButton(4)->trigger();
        QVERIFY(second.ViewEditForm()->saveEnabled());
        QVERIFY(second.ViewEditForm()->close());
        QCOMPARE(m_home->ui().messages().size(), 1);
    }

    void editClosingPrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("stored");
        QTest::newRow("yes") << int(Answer::Yes) << true << true;
        QTest::newRow("no") << int(Answer::No) << true << false;
        QTest::newRow("cancel") << int(Answer::Cancel) << false << false;
    }
    void editClosingPrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, stored);
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        w->txtSource->setText(QStringLiteral("Magazine, number 12"));
        m_home->ui().answers.enqueue(Answer(answer));
        QCOMPARE(w->close(), closes);

        const auto calls = m_home->ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text, QStringLiteral("Do you wish to save changes?"));
        QCOMPARE(calls[0].title, QStringLiteral("Lorecase"));
        QCOMPARE(calls[0].buttons, lc::ui::Buttons::YesNoCancel);
        QCOMPARE(calls[0].icon, lc::ui::Icon::Exclamation);
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(saved.count(), stored ? 1 : 0);
        QCOMPARE(readRow(m_conn, kReview).source == QStringLiteral("Magazine, number 12"), stored);
        // Yes hides the window and lets pending events run before the save.
        QCOMPARE(m_home->ui().processEventsCalls > 0, stored);
        QCOMPARE(lc::settings::GetSetting(QStringLiteral("ViewEdit"), QStringLiteral("LastCat"))
                     .isEmpty(),
                 !stored);
        if (!closes)
            w->SaveButtons(false);
    }

    void newClosingPrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("stored");
        QTest::newRow("yes") << int(Answer::Yes) << true << true;
        QTest::newRow("no") << int(Answer::No) << true << false;
        QTest::newRow("cancel") << int(Answer::Cancel) << false << false;
    }
    void newClosingPrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, stored);
        m_viewer->Show(newFile());
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy added(m_viewer.get(), &clsVWED::AddFile);
        const int before = fileCount(m_conn);
        w->rtbText->setText(QStringLiteral("Half-written tip"));
        m_home->ui().answers.enqueue(Answer(answer));
        QCOMPARE(w->close(), closes);

        const auto calls = m_home->ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text,
                 QStringLiteral("This file has not been saved.  Do you wish to save it now?"));
        QCOMPARE(calls[0].title, QStringLiteral("Lorecase"));
        QCOMPARE(calls[0].buttons, lc::ui::Buttons::YesNoCancel);
        QCOMPARE(calls[0].icon, lc::ui::Icon::Exclamation);
        QCOMPARE(added.count(), stored ? 1 : 0);
        QCOMPARE(fileCount(m_conn), before + (stored ? 1 : 0));
        if (stored)
            QCOMPARE(lc::rtf::plainText(lc::rtf::toBytes(added.first().at(7).toString())),
                     QStringLiteral("Half-written tip"));
        QCOMPARE(w->isVisible(), !closes);
        if (!closes)
            w->SaveButtons(false);
    }

    void failedSaveKeepsTheText()
    {
        const Row original = readRow(m_conn, kReview);
        exec(m_conn.handle(), "PRAGMA query_only = 1");

        // An edit: the error is logged and shown, Save stays on, and closing still asks.
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        w->txtDesc->setText(QStringLiteral("Lost?"));
        w->Save();
        QCOMPARE(saved.count(), 0);
        QVERIFY(w->saveEnabled());
        QVERIFY(w->isVisible());
        const auto box = m_home->ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(box.size(), 1);
        QCOMPARE(box[0].title, QStringLiteral("Viewer\\Editor Error"));
        QCOMPARE(box[0].icon, lc::ui::Icon::Critical);
        QVERIFY2(box[0].text.startsWith(QStringLiteral(
                     "There has been a Save File error in module clsVWED.cls.\r\n\r\nError "
                     "Number: ")),
                 qPrintable(box[0].text));
        const QByteArray log = m_home->read(QStringLiteral("error.log"));
        QCOMPARE(logLine(log, 0), QStringLiteral("Component = Scrivet.dll"));
        QCOMPARE(logLine(log, 1), QStringLiteral("   Module = clsVWED.cls"));
        QCOMPARE(logLine(log, 2), QStringLiteral("   Source = Save File"));
        QVERIFY(logLine(log, 3).startsWith(QStringLiteral("   Number = ")));
        QVERIFY(logLine(log, 4).contains(QStringLiteral("readonly")));
        QCOMPARE(logLine(log, 5), QStringLiteral("     Date = 03-04-26"));
        QCOMPARE(logLine(log, 6), QStringLiteral("     Time = 03:06:07 PM"));
        QCOMPARE(logLine(log, 7), QString(38, u'.'));
        QCOMPARE(readRow(m_conn, kReview).description, original.description);
        QVERIFY(lc::settings::GetSetting(QStringLiteral("ViewEdit"), QStringLiteral("LastCat"))
                    .isEmpty());

        // Closing with Yes fails again: the window comes back instead of going away.
        m_home->ui().answers.enqueue(Answer::Yes);
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QCOMPARE(m_home->ui().messages().size(), 3); // prompt, then the error box

        // Once the database takes writes again, the same window saves.
        exec(m_conn.handle(), "PRAGMA query_only = 0");
        w->Save();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(readRow(m_conn, kReview).description, QStringLiteral("Lost?"));
        QVERIFY(w->close());
    }

    void failedNewFileStaysOpen()
    {
        exec(m_conn.handle(), "PRAGMA query_only = 1");
        m_viewer->Show(newFile());
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy added(m_viewer.get(), &clsVWED::AddFile);
        const int before = fileCount(m_conn);
        w->rtbText->setText(QStringLiteral("Do not lose me"));
        w->Save();
        QCOMPARE(added.count(), 0);
        QVERIFY(w->isVisible());
        QVERIFY(w->saveEnabled());
        QCOMPARE(logLine(m_home->read(QStringLiteral("error.log")), 2),
                 QStringLiteral("   Source = AddFile"));
        QCOMPARE(m_home->ui().callsOf(ScriptedUi::Kind::Message).value(0).title,
                 QStringLiteral("Viewer\\Editor Error"));

        // The closing prompt's Yes fails too, and the window stays.
        m_home->ui().answers.enqueue(Answer::Yes);
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());

        exec(m_conn.handle(), "PRAGMA query_only = 0");
        w->Save();
        QCOMPARE(added.count(), 1);
        QCOMPARE(fileCount(m_conn), before + 1);
        QVERIFY(!w->isVisible());
    }

    void savingAFileThatIsGone()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        exec(m_home->dbPath(), "DELETE FROM file WHERE auto_id = 3");
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy saved(m_viewer.get(), &clsVWED::SaveEdit);
        w->txtDesc->setText(QStringLiteral("Changed meanwhile"));
        w->Save();
        QCOMPARE(saved.count(), 0);
        QVERIFY(w->saveEnabled());
        QCOMPARE(logLine(m_home->read(QStringLiteral("error.log")), 3),
                 QStringLiteral("   Number = 3021"));
    }

    void droppingTheObjectClosesItsWindow()
    {
        // Unchanged: the window just goes.
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        QPointer<frmVWED> w = m_viewer->ViewEditForm();
        m_viewer.reset();
        QVERIFY(!w->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());

        // Changed and answered No: goes without saving.
        auto viewer = std::make_unique<clsVWED>();
        viewer->M_ADO_CONNECTION = &m_conn;
        viewer->Show(storedFile(m_conn, kReview, enEdit));
        w = viewer->ViewEditForm();
        w->txtDesc->setText(QStringLiteral("Dropped"));
        m_home->ui().answers.enqueue(Answer::No);
        viewer.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QCOMPARE(m_home->ui().messages().size(), 1);

        // Cancelled: the window stays, and can still save on its own.
        viewer = std::make_unique<clsVWED>();
        viewer->M_ADO_CONNECTION = &m_conn;
        viewer->Show(storedFile(m_conn, kReview, enEdit));
        w = viewer->ViewEditForm();
        w->txtDesc->setText(QStringLiteral("Kept"));
        m_home->ui().answers.enqueue(Answer::Cancel);
        viewer.reset();
        QVERIFY(!w.isNull());
        QVERIFY(w->isVisible());
        w->Save();
        QCOMPARE(readRow(m_conn, kReview).description, QStringLiteral("Kept"));
        QVERIFY(w->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }

    void ownerMayDropTheObjectOnItsEvent()
    {
        // Dropping the object from inside its own event must not pull the window away under
        // the save that raised it.
        auto viewer = std::make_unique<clsVWED>();
        viewer->M_ADO_CONNECTION = &m_conn;
        const auto drop = [&viewer] { viewer.reset(); };
        connect(viewer.get(), &clsVWED::AddFile, this, drop);
        viewer->Show(newFile());
        QPointer<frmVWED> w = viewer->ViewEditForm();
        w->rtbText->setText(QStringLiteral("Saved and dropped"));
        w->Save();
        QVERIFY(!viewer);
        QVERIFY(!w->isVisible());

        viewer = std::make_unique<clsVWED>();
        viewer->M_ADO_CONNECTION = &m_conn;
        connect(viewer.get(), &clsVWED::SaveEdit, this, drop);
        viewer->Show(storedFile(m_conn, kReview, enEdit));
        w = viewer->ViewEditForm();
        w->txtDesc->setText(QStringLiteral("Closed and dropped"));
        m_home->ui().answers.enqueue(Answer::Yes);
        QVERIFY(w->close());
        QVERIFY(!viewer);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QCOMPARE(readRow(m_conn, kReview).description, QStringLiteral("Closed and dropped"));
        QCOMPARE(m_home->ui().messages().size(), 1);
    }

    void formattingFollowsTheSelection()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        w->rtbText->setTextRTF(kBoldRtf);
        QAction *bold = w->tbrToolsButton(QStringLiteral("Bold"));
        w->SaveButtons(false);

        w->rtbText->setSelStart(6);
        w->rtbText->setSelLength(4);
        QVERIFY(bold->isChecked());
        w->rtbText->setSelStart(0);
        w->rtbText->setSelLength(5);
        QVERIFY(!bold->isChecked());
        // Partly bold: released, and the command makes all of it bold.
        w->rtbText->setSelLength(10);
        QVERIFY(!bold->isChecked());
        bold->trigger();
        QCOMPARE(w->rtbText->SelBold(), std::optional<bool>(true));
        QVERIFY(bold->isChecked());
        bold->trigger();
        QCOMPARE(w->rtbText->SelBold(), std::optional<bool>(false));
        QVERIFY(!bold->isChecked());
        w->tbrToolsButton(QStringLiteral("Underline"))->trigger();
        QCOMPARE(w->rtbText->SelUnderline(), std::optional<bool>(true));
        QVERIFY(w->tbrToolsButton(QStringLiteral("Underline"))->isChecked());
        QVERIFY(w->saveEnabled()); // formatting is a change of the text

        // Sizes and names: one value shows, mixed keeps the box's text.
        QCOMPARE(w->cboFontSize->currentText(), QStringLiteral("10"));
        Q_EMIT w->cboFontSize->activated(w->cboFontSize->findText(QStringLiteral("18")));
        QCOMPARE(w->rtbText->SelFontSize(), std::optional<double>(18));
        w->rtbText->setSelStart(0);
        w->rtbText->setSelLength(14);
        QVERIFY(!w->rtbText->SelFontSize().has_value());
        QCOMPARE(w->cboFontSize->currentText(), QStringLiteral("18"));
        w->rtbText->setSelStart(11);
        w->rtbText->setSelLength(3);
        QCOMPARE(w->cboFontSize->currentText(), QStringLiteral("10"));
        QCOMPARE(w->cboFontName->currentText(), QStringLiteral("Courier New"));
        const QString family = QFontDatabase::families().value(0);
        Q_EMIT w->cboFontName->activated(w->cboFontName->findText(family));
        QCOMPARE(w->rtbText->SelFontName(), std::optional<QString>(family));
    }

    void fontListsAndTheSizeBoxRefusesTyping()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        QStringList sizes;
        for (int i = 0; i < w->cboFontSize->count(); ++i)
            sizes << w->cboFontSize->itemText(i);
        QCOMPARE(sizes, QStringList({"8", "10", "12", "14", "18", "24", "36"}));
        QCOMPARE(w->cboFontName->count(), int(QFontDatabase::families().size()));

        const QString before = w->cboFontSize->currentText();
        QTest::keyClicks(w->cboFontSize, QStringLiteral("72"));
        QTest::keyClick(w->cboFontSize, Qt::Key_Backspace);
        QTest::keyClicks(w->cboFontSize->lineEdit(), QStringLiteral("5"));
        QCOMPARE(w->cboFontSize->currentText(), before);
        // The arrow keys still choose from the list, and that applies the size.
        w->cboFontSize->setCurrentIndex(0);
        QTest::keyClick(w->cboFontSize, Qt::Key_Down);
        QCOMPARE(w->cboFontSize->currentText(), QStringLiteral("10"));
        QCOMPARE(w->rtbText->SelFontSize(), std::optional<double>(10));
    }

    void fontColourFromTheDialog()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        w->rtbText->setText(QStringLiteral("red words"));
        w->rtbText->setSelStart(0);
        w->rtbText->setSelLength(3);
        m_home->ui().colors.enqueue(QColor(200, 0, 0));
        w->tbrToolsButton(QStringLiteral("Font Color"))->trigger();
        QCOMPARE(w->rtbText->SelColor(), std::optional<QColor>(QColor(200, 0, 0)));

        // The dialog opens on the last colour; Cancel changes nothing.
        w->rtbText->setSelStart(4);
        w->rtbText->setSelLength(5);
        w->tbrTools_ButtonClick(QStringLiteral("Font Color"));
        const auto calls = m_home->ui().callsOf(ScriptedUi::Kind::Color);
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].text, QColor(Qt::black).name());
        QCOMPARE(calls[1].text, QColor(200, 0, 0).name());
        QCOMPARE(w->rtbText->SelColor(), std::optional<QColor>(QColor(Qt::black)));
    }

    void clipboardCarriesRichTextOnly()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        w->rtbText->setTextRTF(kBoldRtf);
        QClipboard *clip = QGuiApplication::clipboard();

        // Plain text from another program is not pasted.
        clip->setText(QStringLiteral("from elsewhere"));
        w->rtbText->setSelStart(0);
        w->tbrTools_ButtonClick(QStringLiteral("Paste"));
        QCOMPARE(w->rtbText->Text(), QStringLiteral("plain bold end"));

        // Copy offers rich text alone, and pasting it keeps the bold.
        w->rtbText->setSelStart(6);
        w->rtbText->setSelLength(4);
        w->tbrTools_ButtonClick(QStringLiteral("Copy"));
        QVERIFY(clip->mimeData()->hasFormat(QStringLiteral("text/rtf")));
        QVERIFY(!clip->mimeData()->hasText());
        w->rtbText->setSelStart(0);
        w->tbrTools_ButtonClick(QStringLiteral("Paste"));
        QCOMPARE(w->rtbText->Text(), QStringLiteral("boldplain bold end"));
        w->rtbText->setSelStart(0);
        w->rtbText->setSelLength(4);
        QCOMPARE(w->rtbText->SelBold(), std::optional<bool>(true));

        // Cut takes the selection away.
        w->tbrTools_ButtonClick(QStringLiteral("Cut"));
        QCOMPARE(w->rtbText->Text(), QStringLiteral("plain bold end"));
        QVERIFY(clip->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    }

    void insertPictureLeavesTheClipboardAlone()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        w->rtbText->setText(QStringLiteral("ab"));
        w->rtbText->setSelStart(1);
        QImage image(12, 8, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString picture = m_home->file(QStringLiteral("map.bmp"));
        QVERIFY(image.save(picture));
        auto *mime = new QMimeData;
        mime->setText(QStringLiteral("keep me"));
        mime->setHtml(QStringLiteral("<b>keep me</b>"));
        QGuiApplication::clipboard()->setMimeData(mime);

        m_home->ui().files.enqueue(QStringLiteral(" ") + picture + QStringLiteral(" "));
        w->mnuInsertPicture->trigger();
        const auto calls = m_home->ui().callsOf(ScriptedUi::Kind::Open);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text, QStringLiteral("Insert Picture"));
        QCOMPARE(lc::ui::toDialogFilter(calls[0].title),
                 QStringLiteral("Image Files (*.bmp *.gif *.jpg *.jpeg *.png)"));
        QCOMPARE(w->rtbText->Text(), QStringLiteral("a\uFFFCb"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasHtml());
        QVERIFY(w->rtbText->TextRTF().contains(QStringLiteral("\\pict")));

        // Cancelled, or a file that is no picture: nothing happens.
        w->InsertPicture();
        m_home->write(QStringLiteral("broken.jpg"), "not a picture");
        m_home->ui().files.enqueue(m_home->file(QStringLiteral("broken.jpg")));
        w->InsertPicture();
        QCOMPARE(w->rtbText->Text(), QStringLiteral("a\uFFFCb"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));
    }

    void tabTypesInTheTextOnly()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enEdit));
        frmVWED *w = m_viewer->ViewEditForm();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->rtbText->setText(QStringLiteral("ab"));
        w->rtbText->setFocus();
        w->rtbText->setSelStart(1);
        QTest::keyClick(w->rtbText, Qt::Key_Tab);
        QCOMPARE(w->rtbText->Text(), QStringLiteral("a\tb"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->rtbText));

        w->txtDesc->setFocus();
        const QString desc = w->txtDesc->text();
        QTest::keyClick(w->txtDesc, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->txtSource));
        QCOMPARE(w->txtDesc->text(), desc);
        QTest::keyClick(w->txtSource, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->rtbText));
        QCOMPARE(w->rtbText->Text(), QStringLiteral("a\tb"));
    }

    void findOnThisPage()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        frmVWED *w = m_viewer->ViewEditForm();
        const auto findTwice = [](QDialog &d) {
            auto &f = static_cast<frmFind &>(d);
            f.cboFind->setEditText(QStringLiteral("lantern"));
            f.cmdFind->click();
            f.cmdFind->click();
            return 0;
        };
        m_home->ui().modalHandlers.enqueue(findTwice);
        w->mnuSearchFind->trigger();
        const QString text = w->rtbText->Text();
        const int first = int(text.indexOf(QStringLiteral("lantern"), 0, Qt::CaseInsensitive));
        const int second =
            int(text.indexOf(QStringLiteral("lantern"), first + 1, Qt::CaseInsensitive));
        QCOMPARE(w->rtbText->SelStart(), second);
        QCOMPARE(w->rtbText->SelLength(), 7);
        QCOMPARE(m_home->ui().callsOf(ScriptedUi::Kind::Modal).value(0).text,
                 QStringLiteral("Find"));

        // Each command makes a new find object: the search starts at the top again.
        m_home->ui().modalHandlers.enqueue([](QDialog &d) {
            auto &f = static_cast<frmFind &>(d);
            f.cboFind->setEditText(QStringLiteral("lantern"));
            f.cmdFind->click();
            return 0;
        });
        w->FindOnThisPage();
        QCOMPARE(w->rtbText->SelStart(), first);
    }

    void printRequest()
    {
        m_viewer->Show(storedFile(m_conn, kReview, enView));
        frmVWED *w = m_viewer->ViewEditForm();
        QSignalSpy print(m_viewer.get(), &clsVWED::PrintInfo);
        w->txtDesc->setText(QStringLiteral(" A review "));
        w->mnuFileVPrint->trigger();
        QCOMPARE(print.count(), 1);
        QCOMPARE(print[0][0].toString(),
                 QStringLiteral("File: Lanterns of the Hollow Reach - Review"));
        QCOMPARE(print[0][1].toString(), QStringLiteral("A review"));
        QCOMPARE(print[0][2].toString(),
                 QStringLiteral("https://example.org/reviews/lanterns-of-the-hollow-reach"));
        QCOMPARE(print[0][3].toString(), w->rtbText->TextRTF());

        w->mnuFileVEdit->trigger();
        w->tbrSubCatButton(4)->trigger();
        w->tbrToolsButton(QStringLiteral("Print"))->trigger();
        QCOMPARE(print.count(), 2);
        QCOMPARE(print[1][0].toString(),
                 QStringLiteral("Editing: Lanterns of the Hollow Reach File - Preview"));

        // Nothing but blanks: a message instead.
        w->rtbText->setText(QStringLiteral(" \r\n\t "));
        w->mnuFileEPrint->trigger();
        QCOMPARE(print.count(), 2);
        const auto calls = m_home->ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text, QStringLiteral("There is no text to print!"));
        QCOMPARE(calls[0].icon, lc::ui::Icon::Exclamation);
        w->SaveButtons(false);
    }

    void logErrorEdges()
    {
        const QString log = m_home->file(QStringLiteral("error.log"));
        scrivet::LogError(QStringLiteral("clsVWED.cls"), QStringLiteral("AddFile"), 0,
                          QStringLiteral("nothing"), log, true);
        QVERIFY(!QFile::exists(log));
        QVERIFY(m_home->ui().calls.isEmpty());
        // No path: the box alone.
        scrivet::LogError(QStringLiteral("clsVWED.cls"), QStringLiteral("AddFile"), 3900,
                          QStringLiteral("disk full"), QString(), true);
        QVERIFY(!QFile::exists(log));
        QCOMPARE(m_home->ui().messages(),
                 QStringList{QStringLiteral("There has been a AddFile error in module "
                                            "clsVWED.cls.\r\n\r\nError Number: 3900\r\nError "
                                            "Description: disk full")});
        scrivet::LogError(QStringLiteral("clsVWED.cls"), QStringLiteral("AddFile"), 3900,
                          QStringLiteral("disk full"), log, false);
        QCOMPARE(m_home->ui().messages().size(), 1);
        QCOMPARE(logLine(m_home->read(QStringLiteral("error.log")), 4),
                 QStringLiteral("     Desc = disk full"));
    }

private:
    std::unique_ptr<TestHome> m_home;
    lc::db::Connection m_conn;
    std::unique_ptr<clsVWED> m_viewer;
};

QTEST_MAIN(TestScrivet)
#include "tst_scrivet.moc"
