#include "clsVWED.h"
#include "connection.h"
#include "ctlView.h"
#include "keyedlistview.h"
#include "recordset.h"
#include "richtextbox.h"
#include "settings.h"
#include "tabstrip.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using lc::ui::Answer;
using lc::ui::ScriptedUi;

namespace {

// Files of their own games, so the sample's files do not get in the way.
constexpr qint32 kGame = 9001;
constexpr qint32 kOther = 9002;
constexpr qint32 kEmptyGame = 9003;
const QString kRtf =
    QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0\\fs20 First \\b "
                   "bold\\b0  text\\par}");

struct Row {
    bool found = false;
    qint32 gameId = 0;
    int subCat = 0;
    QString source, description;
    QByteArray text;
};

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    lc::db::Connection m_conn;
    std::unique_ptr<ctlView> m_view;
    qint32 m_first = 0;

    ScriptedUi &ui() { return m_home->ui(); }

    Row row(qint32 id)
    {
        Row r;
        lc::db::Recordset rs;
        if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM "
                                    "file WHERE auto_id = ") +
                         QString::number(id),
                     m_conn) ||
            rs.recordCount() == 0)
            return r;
        r.found = true;
        r.gameId = rs.field(QStringLiteral("game_id")).toInt();
        r.subCat = rs.field(QStringLiteral("sub_cat")).toInt();
        r.source = rs.field(QStringLiteral("src")).toString();
        r.description = rs.field(QStringLiteral("desc")).toString();
        r.text = rs.field(QStringLiteral("txt_rtf")).toString().toLatin1();
        return r;
    }

    int filesOf(qint32 game)
    {
        lc::db::Recordset rs;
        rs.open(QStringLiteral("SELECT auto_id, game_id FROM file WHERE game_id = ") +
                    QString::number(game),
                m_conn);
        return rs.recordCount();
    }

    void list(qint32 game = kGame)
    {
        m_view->M_PLATFORM_ID = 5;
        m_view->M_GENRE_ID = 2;
        m_view->M_GAME_ID = game;
        m_view->M_GAME = QStringLiteral("Hollow");
        m_view->ListFiles(game, false);
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TestHome>(TestHome::Db::Sample);
        m_home->sql(QStringLiteral("INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                                   "(%1, 1, 'http://guides.example/a', 'Guide \"one\"', '%2');"
                                   "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                                   "(%1, 3, ' www.example', 'Review', '{\\rtf1 Second\\par}');"
                                   "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                                   "(%1, 2, 'WWW.CAPS', 'Codes', NULL);")
                        .arg(kGame)
                        .arg(kRtf));
        QVERIFY(m_conn.open(m_home->dbPath()));
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, game_id FROM file WHERE game_id = ") +
                            QString::number(kGame),
                        m_conn));
        m_first = rs.field(QStringLiteral("auto_id")).toInt();
        m_view = std::make_unique<ctlView>(m_conn);
        m_view->resize(800, 600);
        m_view->InitView();
    }

    void cleanup()
    {
        m_view.reset();
        m_conn.close();
        m_home.reset();
    }

    void listsAGame()
    {
        list();
        QCOMPARE(m_view->lvFiles->count(), 3);
        QCOMPARE(m_view->lblFiles->text(), QStringLiteral(" Hollow: 3 Files."));
        QCOMPARE(m_view->lvFiles->key(0), QStringLiteral("K_%1").arg(m_first));
        QCOMPARE(m_view->lvFiles->text(0, 0), QStringLiteral("Guide \"one\""));
        QCOMPARE(m_view->lvFiles->text(0, 2), QStringLiteral("Walkthrough\\Guide"));
        QCOMPARE(m_view->lvFiles->selectedRow(), 0);
        QCOMPARE(m_view->rtbText->Text().trimmed(), QStringLiteral("First bold text"));
        QVERIFY(!m_view->picCover->isVisibleTo(m_view.get()));

        // The same game again does not reload, even with a file added in between.
        m_home->sql(QStringLiteral("INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) "
                                   "VALUES (%1, 1, 's', 'Late', '')")
                        .arg(kGame));
        list();
        QCOMPARE(m_view->lvFiles->count(), 3);
        m_view->Reset();
        QVERIFY(m_view->picCover->isVisibleTo(m_view.get()));
        QCOMPARE(m_view->lblFiles->text(), QString());
        list();
        QCOMPARE(m_view->lvFiles->count(), 4);
    }

    void captionsAndNoSelect()
    {
        list(kEmptyGame);
        QCOMPARE(m_view->lblFiles->text(), QStringLiteral(" Hollow: 0 Files."));
        QVERIFY(m_view->rtbText->Text().isEmpty());

        m_view->M_GAME_ID = kGame;
        m_view->ListFiles(kGame, true);
        QCOMPARE(m_view->lvFiles->count(), 3);
        QCOMPARE(m_view->lblFiles->text(), QString());
        QVERIFY(m_view->rtbText->Text().isEmpty());
        QCOMPARE(m_view->lvFiles->selectedRow(), -1);
    }

    void selectFileAndMissingKey()
    {
        list();
        QSignalSpy missing(m_view.get(), &ctlView::NoFileKeyFound);
        m_view->SelectFile(QStringLiteral("K_%1").arg(m_first + 1));
        QCOMPARE(m_view->lvFiles->selectedRow(), 1);
        QCOMPARE(m_view->rtbText->Text().trimmed(), QStringLiteral("Second"));
        m_view->SelectFile(QStringLiteral("K_77777"));
        QCOMPARE(missing.count(), 1);
        QCOMPARE(missing.at(0).at(0).toString(), QStringLiteral("K_77777"));
        // A NULL text shows an empty viewer and leaves the row as it was.
        m_view->SelectFile(QStringLiteral("K_%1").arg(m_first + 2));
        QVERIFY(m_view->rtbText->Text().isEmpty());
        QVERIFY(row(m_first + 2).found);
    }

    void badTextsShowWhatTheyCan_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain") << QByteArray("just words");
        QTest::newRow("damaged") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}\\f0 cut \\b");
        QTest::newRow("braces") << QByteArray(5000, '{');
    }

    void badTextsShowWhatTheyCan()
    {
        QFETCH(QByteArray, text);
        m_home->sql(QStringLiteral("UPDATE file SET txt_rtf = '%1' WHERE auto_id = %2")
                        .arg(QString::fromLatin1(text), QString::number(m_first)));
        const Row before = row(m_first);
        list();
        QCOMPARE(m_view->lvFiles->count(), 3);
        const Row after = row(m_first);
        QCOMPARE(after.text, before.text);
    }

    void listsAwkwardTextsExactly()
    {
        const QString desc = QStringLiteral("Tab\there \"q\" 'a' ") + QString(2000, QChar(u'x')) +
                             QStringLiteral(" \u05e9\u05dc\u05d5\u05dd");
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf "
                                       "FROM file WHERE auto_id = ") +
                            QString::number(m_first),
                        m_conn));
        QVERIFY(rs.setField(QStringLiteral("desc"), desc));
        QVERIFY(rs.setField(QStringLiteral("src"), desc));
        QVERIFY(rs.update());
        list();
        QCOMPARE(m_view->lvFiles->text(0, 0), desc);
        QCOMPARE(m_view->lvFiles->text(0, 1), desc);
    }

    void viewerRefusesKeysButCopies()
    {
        list();
        const QString before = m_view->rtbText->Text();
        m_view->rtbText->setFocus();
        QTest::keyClicks(m_view->rtbText, QStringLiteral("abc"));
        QTest::keyClick(m_view->rtbText, Qt::Key_Backspace);
        QTest::keyClick(m_view->rtbText, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_view->rtbText->Text(), before);
        m_view->rtbText->setSelStart(0);
        m_view->rtbText->setSelLength(5);
        QApplication::clipboard()->clear();
        QTest::keyClick(m_view->rtbText, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    }

    void deleteAsksAndRemovesRowFirst()
    {
        list();
        QSignalSpy deleted(m_view.get(), &ctlView::FileDeleted);
        QSignalSpy counts(m_view.get(), &ctlView::UpdateGameNode);
        ui().answers.enqueue(Answer::No);
        m_view->DeleteFile();
        QCOMPARE(ui().messages().last(),
                 QStringLiteral("Are you sure you wish to delete this Walkthrough\\Guide file?"));
        QCOMPARE(m_view->lvFiles->count(), 3);

        ui().answers.enqueue(Answer::Yes);
        QTest::keyClick(static_cast<QWidget *>(m_view->lvFiles->currentView()), Qt::Key_Delete);
        QVERIFY(!row(m_first).found);
        QCOMPARE(m_view->lvFiles->count(), 2);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(),
                 QStringLiteral("K_%1|N_%2|G_2|P_5").arg(m_first).arg(kGame));
        QCOMPARE(counts.at(0).at(0).toString(), QStringLiteral("N_%1|G_2|P_5").arg(kGame));
        QCOMPARE(counts.at(0).at(1).toInt(), 1);
        QCOMPARE(m_view->lblFiles->text(), QStringLiteral(" Hollow: 2 Files."));
        QCOMPARE(m_view->lvFiles->selectedRow(), 0);
        QCOMPARE(m_view->rtbText->Text().trimmed(), QStringLiteral("Second"));

        // Nothing selected: the key does nothing and asks nothing.
        m_view->lvFiles->select(-1);
        const int asked = ui().messages().size();
        QTest::keyClick(static_cast<QWidget *>(m_view->lvFiles->currentView()), Qt::Key_Delete);
        QCOMPARE(ui().messages().size(), asked);
        QCOMPARE(m_view->lvFiles->count(), 2);
    }

    void failedDeleteKeepsTheItem()
    {
        list();
        m_home->sql(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON file BEGIN "
                                   "SELECT RAISE(ABORT, 'kept'); END;"));
        QSignalSpy deleted(m_view.get(), &ctlView::FileDeleted);
        ui().answers.enqueue(Answer::Yes);
        m_view->DeleteFile();
        QVERIFY(row(m_first).found);
        QCOMPARE(m_view->lvFiles->count(), 3);
        QCOMPARE(deleted.count(), 0);
        QVERIFY(m_home->read(QStringLiteral("error.log")).contains("File Delete"));
        QCOMPARE(ui().callsOf(ScriptedUi::Kind::Message).size(), 2);
    }

    void moveAndCopy()
    {
        list();
        QSignalSpy counts(m_view.get(), &ctlView::UpdateGameNode);
        QSignalSpy moved(m_view.get(), &ctlView::FileMoved);

        // To the game it is in, or cancelled: nothing.
        m_view->objSelector_CompleteSelect(5, 2, kGame, false);
        m_view->objSelector_CompleteSelect(1, 1, kOther, true);
        QCOMPARE(counts.count(), 0);
        QCOMPARE(filesOf(kOther), 0);

        // A copy is a whole new row; the list stays and only the target's count changes.
        const Row original = row(m_first);
        m_view->CopyFile();
        QVERIFY(m_view->selector());
        m_view->objSelector_CompleteSelect(1, 1, kOther, false);
        QCOMPARE(filesOf(kOther), 1);
        QCOMPARE(m_view->lvFiles->count(), 3);
        QCOMPARE(counts.count(), 1);
        QCOMPARE(counts.at(0).at(0).toString(), QStringLiteral("N_%1|G_1|P_1").arg(kOther));
        QCOMPARE(counts.at(0).at(1).toInt(), 0);
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, game_id FROM file WHERE game_id = ") +
                            QString::number(kOther),
                        m_conn));
        const Row copy = row(rs.field(QStringLiteral("auto_id")).toInt());
        QCOMPARE(copy.text, original.text);
        QCOMPARE(copy.source, original.source);
        QCOMPARE(copy.description, original.description);
        QCOMPARE(copy.subCat, original.subCat);

        // A move changes the row's game and takes the item away.
        counts.clear();
        m_view->MoveFile();
        m_view->objSelector_CompleteSelect(1, 1, kOther, false);
        QCOMPARE(row(m_first).gameId, kOther);
        QCOMPARE(filesOf(kOther), 2);
        QCOMPARE(m_view->lvFiles->count(), 2);
        QCOMPARE(counts.count(), 2);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.at(0).at(0).toString(),
                 QStringLiteral("K_%1|N_%2|G_2|P_5").arg(m_first).arg(kGame));
        QCOMPARE(moved.at(0).at(1).toString(),
                 QStringLiteral("K_%1|N_%2|G_1|P_1").arg(m_first).arg(kOther));
        QCOMPARE(m_view->lblFiles->text(), QStringLiteral(" Hollow: 2 Files."));
    }

    void bookmarkTitles_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("50 whole") << 50 << 50;
        QTest::newRow("51 shortened") << 51 << 50;
    }

    void bookmarkTitles()
    {
        QFETCH(int, length);
        QFETCH(int, expected);
        const QString title(length, QChar(u'a'));
        QCOMPARE(ctlView::ShortTitle(title).size(), expected);
        QCOMPARE(ctlView::ShortTitle(title).endsWith(QStringLiteral("...")), length >= 51);
        m_home->sql(QStringLiteral("UPDATE file SET desc = '%1' WHERE auto_id = %2")
                        .arg(title)
                        .arg(m_first));
        list();
        QSignalSpy marks(m_view.get(), &ctlView::Bookmark);
        m_view->BookmarkFile();
        QCOMPARE(marks.count(), 1);
        QCOMPARE(marks.at(0).at(0).toInt(), 1);
        QCOMPARE(marks.at(0).at(1).toString(),
                 QStringLiteral("K_%1|N_%2|G_2|P_5").arg(m_first).arg(kGame));
        QCOMPARE(marks.at(0).at(2).toString(), ctlView::ShortTitle(title));
    }

    void quickClip()
    {
        list();
        QSignalSpy clips(m_view.get(), &ctlView::SendQuick);
        m_view->QuickClipAll();
        m_view->rtbText->setSelStart(6);
        m_view->rtbText->setSelLength(4);
        m_view->QuickClipSelection();
        QCOMPARE(clips.count(), 2);
        QVERIFY(clips.at(0).at(0).toString().contains(QStringLiteral("\r\nGame: Hollow\r\n")));
        QCOMPARE(clips.at(0).at(1).toString(), QStringLiteral("First bold text"));
        QCOMPARE(clips.at(1).at(1).toString(), QStringLiteral("bold"));
    }

    void webSourceMenuEntry_data()
    {
        QTest::addColumn<int>("rowIndex");
        QTest::addColumn<bool>("web");
        QTest::newRow("http") << 0 << true;
        QTest::newRow("space first") << 1 << false;
        QTest::newRow("capitals") << 2 << true;
    }

    void webSourceMenuEntry()
    {
        QFETCH(int, rowIndex);
        QFETCH(bool, web);
        list();
        m_view->show();
        m_view->lvFiles->select(rowIndex);
        QWidget *vp = m_view->lvFiles->reportView()->viewport();
        const QRect r = m_view->lvFiles->reportView()->visualRect(
            m_view->lvFiles->reportView()->model()->index(rowIndex, 0));
        QTest::mouseClick(vp, Qt::RightButton, {}, r.center());
        QVERIFY(m_view->mnuFile->isVisible());
        QCOMPARE(m_view->mnuNavToSrc->isVisible(), web);
        m_view->mnuFile->hide();
        if (web)
            QCOMPARE(m_view->NavURL(), m_view->lvFiles->text(rowIndex, 1));
    }

    void openKeepsOneViewer()
    {
        list();
        m_view->EditFile();
        clsVWED *first = m_view->viewer();
        QVERIFY(first);
        QCOMPARE(first->ViewEditForm()->txtDesc->text(), QStringLiteral("Guide \"one\""));
        // An unsaved change: opening another file asks about the first one first.
        first->ViewEditForm()->txtDesc->setText(QStringLiteral("Changed"));
        ui().answers.enqueue(Answer::No);
        m_view->lvFiles->select(1);
        m_view->OpenFile();
        QCOMPARE(ui().callsOf(ScriptedUi::Kind::Message).size(), 1);
        QVERIFY(m_view->viewer() != first);
        QCOMPARE(m_view->viewer()->ViewEditForm()->txtDesc->text(), QStringLiteral("Review"));
        QCOMPARE(row(m_first).description, QStringLiteral("Guide \"one\""));

        m_view->AddNewFile();
        QCOMPARE(m_view->viewer()->ViewEditForm()->txtDesc->text(), QStringLiteral("New File"));
        QVERIFY(!m_view->viewer()->ViewEditForm()->txtSource->text().isEmpty());
        m_view->NewFile();
        QVERIFY(m_view->viewer()->ViewEditForm()->txtDesc->text().isEmpty());
    }

    void tabsAndBrowserEvents()
    {
        QString navigated;
        int focused = 0;
        m_view->setBrowser({{},
                            [&] { ++focused; },
                            [&](const QString &a) { navigated = a; },
                            {},
                            {},
                            [] { return QStringLiteral("Page"); }});
        QWidget top;
        m_view->setParent(&top);
        m_view->M_GAME = QStringLiteral("Hollow");
        m_view->SelectTab(2);
        QCOMPARE(m_view->SelectedTab(), 2);
        QCOMPARE(top.windowTitle(), QStringLiteral("Lorecase - Page"));
        QCOMPARE(focused, 1);
        m_view->SelectTab(1);
        QCOMPARE(top.windowTitle(), QStringLiteral("Lorecase - [Hollow] - Files"));
        m_view->BrowseNavigate(QStringLiteral("http://x/"));
        QCOMPARE(navigated, QStringLiteral("http://x/"));
        QCOMPARE(m_view->SelectedTab(), 2);

        QSignalSpy titles(m_view.get(), &ctlView::BrowseTitleChange);
        m_view->Browser_TitleChange(QStringLiteral("Start Page"));
        QCOMPARE(m_view->tbsTabs->caption(2), QStringLiteral("Web Browser - Start Page"));
        m_view->Browser_TitleChange(QStringLiteral("start page"));
        QCOMPARE(m_view->tbsTabs->caption(2), QStringLiteral("Web Browser"));
        QCOMPARE(titles.count(), 2);
        m_view->setParent(nullptr);
    }

    // A long file loads while the window goes on painting; a click on another file meanwhile
    // shows that one, and the long file never lands over it. Left alone, it shows whole.
    void longFileLoadsInTheBackground()
    {
        constexpr qint32 kLong = 9004;
        QByteArray big = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil Arial;}}\\f0 ";
        while (big.size() < 2 * lc::controls::RichTextBox::kBackgroundLoadSize)
            big += "A long line of the \\b walkthrough\\b0  text.\\par ";
        big += "The end.}";
        m_home->sql(QStringLiteral("INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                                   "(%1, 1, 's', 'Long', '%2');"
                                   "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                                   "(%1, 2, 's', 'Short', '{\\rtf1 Short one\\par}');")
                        .arg(kLong)
                        .arg(QString::fromLatin1(big)));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QSignalSpy loaded(m_view->rtbText, &lc::controls::RichTextBox::Loaded);

        list(kLong);
        QVERIFY(m_view->rtbText->loading());
        // Its start shows at once, ending with a whole line; a Quick Clip or a print of the
        // whole file takes all of it.
        QSignalSpy clips(m_view.get(), &ctlView::SendQuick);
        m_view->QuickClipAll();
        QVERIFY(clips.at(0).at(1).toString().endsWith(QStringLiteral("The end.")));
        lc::controls::RichTextBox printed;
        QVERIFY(m_view->PrintInfo(printed));
        QVERIFY(printed.Text().endsWith(QStringLiteral("The end.")));
        QCOMPARE(m_view->lblFiles->text(), QStringLiteral(" Hollow: 2 Files."));
        QTreeView *report = m_view->lvFiles->reportView();
        QTest::mouseClick(report->viewport(), Qt::LeftButton, {},
                          report->visualRect(report->model()->index(1, 0)).center());
        QCOMPARE(m_view->lvFiles->selectedRow(), 1);
        QVERIFY(!m_view->rtbText->loading());
        QCOMPARE(m_view->rtbText->Text().trimmed(), QStringLiteral("Short one"));
        // Let the abandoned worker finish: its document is dropped.
        QTest::qWait(300);
        QCOMPARE(m_view->rtbText->Text().trimmed(), QStringLiteral("Short one"));

        QTest::mouseClick(report->viewport(), Qt::LeftButton, {},
                          report->visualRect(report->model()->index(0, 0)).center());
        QVERIFY(m_view->rtbText->loading());
        const QString start = m_view->rtbText->document()->toPlainText();
        QVERIFY(start.size() > 1000);
        QVERIFY(!start.contains(QStringLiteral("The end.")));
        QVERIFY(start.trimmed().endsWith(QStringLiteral("walkthrough text.")));
        QVERIFY(m_view->rtbText->Text().endsWith(QStringLiteral("The end.")));
        // What the reader selected in the start stays selected in the whole.
        m_view->rtbText->setSelStart(19);
        m_view->rtbText->setSelLength(11);
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->rtbText->loading(), 10000);
        QVERIFY(m_view->rtbText->Text().endsWith(QStringLiteral("The end.")));
        QCOMPARE(m_view->rtbText->SelText(), QStringLiteral("walkthrough"));
        // Each finished load reported itself: the short one and the whole long one.
        QCOMPARE(loaded.count(), 2);

        // A pane closed while a long file loads waits for its worker and frees it.
        m_view->Reset();
        list(kLong);
        QVERIFY(m_view->rtbText->loading());
        m_view.reset();
    }
};

QTEST_MAIN(ViewTest)
#include "tst_view.moc"
