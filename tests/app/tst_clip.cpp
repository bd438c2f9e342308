#include "clipfile.h"
#include "frmClip.h"
#include "richtextbox.h"
#include "settings.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

using lc::ui::Answer;
using lc::ui::Icon;
using lc::ui::ScriptedUi;
using Kind = ScriptedUi::Kind;

namespace {
const QByteArray kRule = QByteArray(30, '=');
const QByteArray kDots = QByteArray(30, '.');
} // namespace

class TestClip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addClipAppendsRecordsInOrder()
    {
        TestHome home(TestHome::Db::None);
        QVERIFY(lc::clip::AddClip(QStringLiteral("First"), QStringLiteral("one\r\ntwo")));
        QVERIFY(lc::clip::AddClip(QStringLiteral("Café"), QStringLiteral("x")));
        QCOMPARE(home.read(QStringLiteral("~clp.tmp")),
                 "First\r\n" + kRule + "\r\none\r\ntwo\r\n\r\n" + kDots + "\r\n" + "Café\r\n" +
                     kRule + "\r\nx\r\n\r\n" + kDots + "\r\n");
        QCOMPARE(home.ui().messages(),
                 QStringList({QStringLiteral("Clip added!"), QStringLiteral("Clip added!")}));
        QCOMPARE(home.ui().calls[0].icon, Icon::Information);
        QCOMPARE(home.ui().calls[0].title, QStringLiteral("Lorecase"));
    }

    void unsavedClips_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("unsaved");
        QTest::newRow("missing") << -1 << false;
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("one byte") << 1 << false;
        QTest::newRow("two bytes") << 2 << true;
    }
    void unsavedClips()
    {
        QFETCH(int, bytes);
        QFETCH(bool, unsaved);
        TestHome home(TestHome::Db::None);
        if (bytes >= 0)
            home.write(QStringLiteral("~clp.tmp"), QByteArray(bytes, 'a'));
        QCOMPARE(lc::clip::hasUnsavedClips(), unsaved);
    }

    void loadShowsScratchAndEnablesCommands_data()
    {
        QTest::addColumn<QByteArray>("scratch");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("blank") << QByteArray(" \r\n ") << false;
        QTest::newRow("text") << QByteArray("a clip") << true;
    }
    void loadShowsScratchAndEnablesCommands()
    {
        QFETCH(QByteArray, scratch);
        QFETCH(bool, enabled);
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), scratch);
        frmClip w;
        QCOMPARE(w.textBox()->Text(), QString::fromLatin1(scratch));
        for (QAction *a : {w.mnuAddTo, w.mnuFileSaveAs, w.mnuFilePrint, w.mnuFileClear})
            QCOMPARE(a->isEnabled(), enabled);
        QCOMPARE(w.windowTitle(), QStringLiteral("Quick Clip Viewer"));
    }

    void fontAndPlaceAreKept()
    {
        TestHome home(TestHome::Db::None);
        {
            frmClip w;
            QVERIFY(w.mnuFontCourierNew->isChecked());
            w.mnuFontFixedsys->trigger();
            w.move(300, 200);
            w.mnuFileExit->trigger();
        }
        QCOMPARE(lc::settings::GetSetting("Settings", "QCFont"), QStringLiteral("Fixedsys"));
        QVERIFY(!lc::settings::GetSetting("Settings", "ClipLeft").isEmpty());
        frmClip again;
        QVERIFY(again.mnuFontFixedsys->isChecked());
        QVERIFY(!again.mnuFontCourierNew->isChecked());
        // Where Fixedsys is missing the text still gets a fixed-width face.
        const QFontMetrics m(again.textBox()->font());
        QVERIFY(m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W')) ||
                QFontDatabase::hasFamily(QStringLiteral("Fixedsys")));
    }

    void addToNewAndNonEmptyFiles_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new") << false << QByteArray() << QByteArray("clip text");
        QTest::newRow("empty") << true << QByteArray() << QByteArray("clip text");
        QTest::newRow("non-empty")
            << true << QByteArray("old\r\nbytes ") << QByteArray("old\r\nbytes \r\nclip text");
    }
    void addToNewAndNonEmptyFiles()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "  clip text\r\n\r\n");
        const QString target = home.file(QStringLiteral("keep.qcf"));
        if (exists)
            home.write(QStringLiteral("keep.qcf"), before);
        frmClip w;
        home.ui().files.enqueue(target);
        home.ui().answers.enqueue(Answer::Yes);
        w.mnuAddTo->trigger();
        QCOMPARE(home.read(QStringLiteral("keep.qcf")), after);
        QStringList expected;
        if (exists)
            expected << QStringLiteral("Are you sure you wish to add the Quick Clip contents to ") +
                            target + u'?';
        expected << QStringLiteral("The Quick Clip contents have been added to the File.");
        QCOMPARE(home.ui().messages(), expected);
        QVERIFY(!QFile::exists(home.file(QStringLiteral("~clp.tmp"))));
        QVERIFY(w.textBox()->Text().isEmpty());
        QVERIFY(!w.mnuAddTo->isEnabled());
        const auto dialogs = home.ui().callsOf(Kind::Save);
        QCOMPARE(dialogs[0].text, QStringLiteral("Add To..."));
        QCOMPARE(dialogs[0].extra, home.dir() + QStringLiteral("QuickClip") + QDir::separator());
    }

    void addToRefusedKeepsEverything()
    {
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "clip");
        home.write(QStringLiteral("keep.qcf"), "old");
        frmClip w;
        home.ui().files.enqueue(home.file(QStringLiteral("keep.qcf")));
        home.ui().answers.enqueue(Answer::No);
        w.mnuAddTo->trigger();
        QCOMPARE(home.read(QStringLiteral("keep.qcf")), QByteArray("old"));
        QCOMPARE(home.read(QStringLiteral("~clp.tmp")), QByteArray("clip"));
        QCOMPARE(w.textBox()->Text(), QStringLiteral("clip"));
    }

    void saveAsReplacesLongerFile()
    {
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "short");
        home.write(QStringLiteral("old.qcf"), QByteArray(500, 'z'));
        const QString target = home.file(QStringLiteral("old.qcf"));
        frmClip w;
        home.ui().files.enqueue(target);
        home.ui().answers.enqueue(Answer::Yes);
        w.mnuFileSaveAs->trigger();
        QCOMPARE(home.read(QStringLiteral("old.qcf")), QByteArray("short"));
        const auto boxes = home.ui().callsOf(Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, target + QStringLiteral(" already exists.\r\nDo you want to "
                                                        "replace it?"));
        QCOMPARE(boxes[0].title, QStringLiteral("Quick Clip"));
        QCOMPARE(home.read(QStringLiteral("~clp.tmp")), QByteArray("short"));
    }

    void failedWriteKeepsTextAndOldFile()
    {
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "clip");
        frmClip w;
        home.ui().files.enqueue(home.file(QStringLiteral("no/such/folder/x.qcf")));
        w.mnuAddTo->trigger();
        QCOMPARE(home.ui().messages().size(), 1);
        QVERIFY(
            home.ui().messages()[0].startsWith(QStringLiteral("The Quick Clip File could not")));
        QCOMPARE(w.textBox()->Text(), QStringLiteral("clip"));
        QVERIFY(QFile::exists(home.file(QStringLiteral("~clp.tmp"))));
    }

    void openShowsFileButLeavesScratch()
    {
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "scratch");
        home.write(QStringLiteral("mine.qcf"),
                   QByteArray("caf\xe9\0x", 6)); // not UTF-8, with a NUL
        frmClip w;
        home.ui().files.enqueue(home.file(QStringLiteral("mine.qcf")));
        w.mnuFileOpen->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("Quick Clip Viewer - mine.qcf"));
        QCOMPARE(w.textBox()->Text(), QStringLiteral("café x"));
        QCOMPARE(home.read(QStringLiteral("~clp.tmp")), QByteArray("scratch"));
        const auto opens = home.ui().callsOf(Kind::Open);
        QCOMPARE(opens[0].text, QStringLiteral("Open Quick Clip Files..."));
        QCOMPARE(opens[0].title, QStringLiteral("Quick Clip Files *.qcf|*.qcf"));
        QCOMPARE(opens[0].extra, home.dir() + QStringLiteral("QuickClip") + QDir::separator());
    }

    void oversizedFileIsRefused()
    {
        TestHome home(TestHome::Db::None);
        QFile big(home.file(QStringLiteral("~clp.tmp")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(50 * 1024 * 1024));
        big.close();
        frmClip w;
        QCOMPARE(home.ui().messages().size(), 1);
        QVERIFY(w.textBox()->Text().isEmpty());
        QVERIFY(QFile::exists(big.fileName()));
    }

    void clearAsksFirst()
    {
        TestHome home(TestHome::Db::None);
        home.write(QStringLiteral("~clp.tmp"), "clip");
        frmClip w;
        w.mnuFileClear->trigger(); // no answer: No
        QVERIFY(QFile::exists(home.file(QStringLiteral("~clp.tmp"))));
        home.ui().answers.enqueue(Answer::Yes);
        w.mnuFileClear->trigger();
        QCOMPARE(home.ui().messages()[0],
                 QStringLiteral("Are you sure you wish to clear the Quick Clip contents?"));
        QVERIFY(!QFile::exists(home.file(QStringLiteral("~clp.tmp"))));
        QVERIFY(w.textBox()->Text().isEmpty());
    }

    void print()
    {
        TestHome home(TestHome::Db::None);
        int printed = 0;
        frmClip::Margins used;
        const auto routine = [&](const QTextDocument &, QPrinter &, const frmClip::Margins &m) {
            ++printed;
            used = m;
            return true;
        };
        {
            frmClip empty;
            empty.setPrintRoutine(routine);
            empty.mnuFilePrint_Click(); // the item is disabled; the command still refuses
            QCOMPARE(home.ui().messages(),
                     QStringList{QStringLiteral("There is nothing to print.")});
            QVERIFY(home.ui().callsOf(Kind::Print).isEmpty());
        }
        home.write(QStringLiteral("~clp.tmp"), "clip");
        frmClip w;
        w.setPrintRoutine(routine);
        w.mnuFilePrint->trigger(); // cancelled: silent
        QCOMPARE(printed, 0);
        home.ui().printAnswers.enqueue(true);
        w.mnuFilePrint->trigger();
        QCOMPARE(printed, 1);
        QCOMPARE(used.left, 800);
        QCOMPARE(used.bottom, 1000);
        QCOMPARE(home.ui().messages().size(), 1);
        // A print that fails says so and is logged; the clips stay.
        w.setPrintRoutine(
            [](const QTextDocument &, QPrinter &, const frmClip::Margins &) { return false; });
        home.ui().printAnswers.enqueue(true);
        w.mnuFilePrint->trigger();
        QCOMPARE(home.ui().messages().last(),
                 QStringLiteral("The Quick Clips could not be printed."));
        QVERIFY(home.read(QStringLiteral("error.log")).contains("mnuFilePrint_Click"));
        QCOMPARE(w.textBox()->Text(), QStringLiteral("clip"));
    }
};

QTEST_MAIN(TestClip)
#include "tst_clip.moc"
