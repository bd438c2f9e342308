#include "clsFind.h"
#include "frmFind.h"
#include "richtextbox.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using lc::controls::RichTextBox;

namespace {
// The smallest box the search can work on.
struct Box {
    QString text;
    int selStart = -1;
    int selLength = -1;
    QString Text() const { return text; }
    void setSelStart(int s) { selStart = s; }
    void setSelLength(int n) { selLength = n; }
};
} // namespace

class TestFindlet : public QObject {
    Q_OBJECT

    // Runs one step and returns the 1-based position selected, or 0 with the message shown.
    static int step(clsFind &f, Box &box, TestHome &home, const QString &text, int whole = 0,
                    int matchCase = 0)
    {
        box.selStart = -1;
        const int before = int(home.ui().messages().size());
        f.FindText(text, quint8(whole), quint8(matchCase));
        if (home.ui().messages().size() > before)
            return 0;
        return box.selStart + 1;
    }
    static QString lastMessage(TestHome &home) { return home.ui().messages().last(); }

private Q_SLOTS:
    void caseAndRestart()
    {
        TestHome home(TestHome::Db::None);
        Box box{QStringLiteral("ABC abc")};
        clsFind f;
        f.setObjRichTextBox(FindTarget::of(&box));
        QCOMPARE(step(f, box, home, "abc"), 1);
        QCOMPARE(box.selLength, 3);
        QCOMPARE(step(f, box, home, "abc"), 5);
        QCOMPARE(step(f, box, home, "abc"), 0);
        QCOMPARE(lastMessage(home), QStringLiteral("The region has been searched."));
        QCOMPARE(home.ui().calls.last().icon, lc::ui::Icon::Exclamation);
        QCOMPARE(step(f, box, home, "abc"), 1); // starts over at the top

        clsFind exact;
        exact.setObjRichTextBox(FindTarget::of(&box));
        QCOMPARE(step(exact, box, home, "abc", 0, 1), 5);
        QCOMPARE(step(exact, box, home, "abc", 0, 1), 0);
        QCOMPARE(lastMessage(home), QStringLiteral("The region has been searched."));

        clsFind none;
        none.setObjRichTextBox(FindTarget::of(&box));
        QCOMPARE(step(none, box, home, "xyz"), 0);
        QCOMPARE(lastMessage(home), QStringLiteral("The search text is not found."));
    }

    void newTextKeepsTheFoundFlag()
    {
        TestHome home(TestHome::Db::None);
        Box box{QStringLiteral("ABC abc")};
        clsFind f;
        f.setObjRichTextBox(FindTarget::of(&box));
        QCOMPARE(step(f, box, home, "abc"), 1);
        QCOMPARE(step(f, box, home, "bc"), 2); // new text: back to position 1
        QCOMPARE(step(f, box, home, "zz"), 0);
        QCOMPARE(lastMessage(home), QStringLiteral("The region has been searched."));
        QCOMPARE(f.found(), quint8(0));
    }

    void wholeWordLooksOnlyAhead()
    {
        TestHome home(TestHome::Db::None);
        clsFind f;
        Box box{QStringLiteral("cat, cat\ncat scat cat")};
        f.setObjRichTextBox(FindTarget::of(&box));
        // Skipped: before a comma, before a line break, at the very end. "scat " counts.
        QCOMPARE(step(f, box, home, "cat", 1), 10);
        QCOMPARE(step(f, box, home, "cat", 1), 15);
        QCOMPARE(step(f, box, home, "cat", 1), 0);
    }

    void stateSurvivesShowings()
    {
        TestHome home(TestHome::Db::None);
        Box box{QStringLiteral("one two one")};
        clsFind f;
        f.setObjRichTextBox(FindTarget::of(&box));
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = static_cast<frmFind &>(d);
            w.cboFind->setEditText(QStringLiteral("  one "));
            w.cmdFind->click();
            return 0;
        });
        f.ShowFindForm();
        QCOMPARE(box.selStart, 0);
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            static_cast<frmFind &>(d).cmdFind->click();
            return 0;
        });
        f.ShowFindForm();
        QCOMPARE(box.selStart, 8);
        QCOMPARE(box.selLength, 3);
    }

    void historyAndEnabling()
    {
        TestHome home(TestHome::Db::None);
        QByteArray log = "dragon\r\n\r\nsecret door\n";
        log += QByteArray(100000, 'x') + "\n\xff\xfe broken\nlast";
        home.write("quickfind.log", log);
        frmFind w;
        w.Form_Load();
        QCOMPARE(w.cboFind->count(), 5);
        QCOMPARE(w.cboFind->itemText(0), QStringLiteral("dragon"));
        QCOMPARE(w.cboFind->itemText(1), QStringLiteral("secret door"));
        QVERIFY(w.cboFind->itemText(2).size() <= 1024);
        QCOMPARE(w.cboFind->itemText(4), QStringLiteral("last"));
        QVERIFY(!w.cmdFind->isEnabled());
        w.cboFind->setEditText(QStringLiteral("   "));
        QVERIFY(!w.cmdFind->isEnabled());
        w.cboFind->setCurrentIndex(1);
        QVERIFY(w.cmdFind->isEnabled());
        QCOMPARE(w.windowTitle(), QStringLiteral("Find"));
        QCOMPARE(w.chkWholeWord->text(), QStringLiteral("Find Whole Word &Only"));
        QCOMPARE(w.chkCase->text(), QStringLiteral("Match &Case"));
        QCOMPARE(w.cmdFind->text(), QStringLiteral("Find &Next"));
        QCOMPARE(w.cmdClear->text(), QStringLiteral("Clear &Autosave"));
    }

    void enterInTheBoxFindsNext()
    {
        TestHome home(TestHome::Db::None);
        frmFind w;
        int asked = 0;
        QString text;
        connect(&w, &frmFind::FindIt, this, [&](const QString &t, quint8, quint8) {
            ++asked;
            text = t;
        });
        w.chkCase->setChecked(true);
        w.cboFind->setEditText(QStringLiteral(" key "));
        QTest::keyClick(w.cboFind->lineEdit(), Qt::Key_Return);
        QCOMPARE(asked, 1);
        QCOMPARE(text, QStringLiteral("key"));

        // As a user types: the keys go to the combo box.
        w.cboFind->setEditText(QString());
        QTest::keyClicks(w.cboFind, QStringLiteral("door"));
        QTest::keyClick(w.cboFind, Qt::Key_Return);
        QCOMPARE(asked, 2);
        QCOMPARE(text, QStringLiteral("door"));
        QTest::keyClick(w.cboFind, Qt::Key_Enter);
        QCOMPARE(asked, 3);
    }

    void worksOnTheRichTextBox()
    {
        TestHome home(TestHome::Db::None);
        RichTextBox box;
        box.setTextRTF(QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Go {\\b "
                                      "north}\\par Then north again\\par}"));
        clsFind f;
        f.setObjRichTextBox(FindTarget::of(&box));
        f.FindText(QStringLiteral("north"), 0, 0);
        QCOMPARE(box.SelText(), QStringLiteral("north"));
        f.FindText(QStringLiteral("north"), 0, 0);
        QCOMPARE(box.SelText(), QStringLiteral("north"));
        QVERIFY(box.SelStart() > 8); // the second one, past the paragraph break
        QVERIFY(home.ui().messages().isEmpty());
    }

    void missingHistoryLeavesTheListEmpty()
    {
        TestHome home(TestHome::Db::None);
        frmFind w;
        w.cboFind->addItem(QStringLiteral("old"));
        w.Form_Load();
        QCOMPARE(w.cboFind->count(), 0);
    }
};

QTEST_MAIN(TestFindlet)
#include "tst_findlet.moc"
