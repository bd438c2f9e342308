#include "richtextbox.h"
#include "rtf.h"
#include "testsupport.h"

#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest>

using lc::controls::FindOptions;
using lc::controls::RichTextBox;

namespace {

QString U(const char16_t *s)
{
    return QString::fromUtf16(s);
}

QString rich(const char *body)
{
    return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                          "Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}{\\colortbl ;\\red255"
                          "\\green0\\blue0;}\\viewkind4\\uc1\\pard\\f0\\fs20 ") +
           QLatin1String(body) + QStringLiteral("\\par\r\n}");
}

void select(RichTextBox &box, int start, int length)
{
    box.setSelStart(start);
    box.setSelLength(length);
}

} // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rtfLoadsAndSaves()
    {
        RichTextBox box;
        QSignalSpy changed(&box, &RichTextBox::Change);
        box.setTextRTF(rich("Hello \\b world\\b0\\par second {\\f1 line}"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(box.Text(), QStringLiteral("Hello world\r\nsecond line"));
        // What the box writes reads back to the same, and saves the same again.
        const QString saved = box.TextRTF();
        QVERIFY(saved.startsWith(QStringLiteral("{\\rtf1\\ansi\\ansicpg1252")));
        RichTextBox again;
        again.setTextRTF(saved);
        QCOMPARE(again.Text(), box.Text());
        QCOMPARE(again.TextRTF(), saved);
        // Text that is not RTF shows as text.
        box.setTextRTF(QStringLiteral("plain {words}"));
        QCOMPARE(box.Text(), QStringLiteral("plain {words}"));
        QCOMPARE(changed.count(), 2);
    }

    void textUsesCrLf()
    {
        RichTextBox box;
        QSignalSpy changed(&box, &RichTextBox::Change);
        box.setText(QStringLiteral("one\r\ntwo\nthree\rfour\r\n"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(box.Text(), QStringLiteral("one\r\ntwo\r\nthree\r\nfour\r\n"));
        QCOMPARE(box.document()->blockCount(), 5);
        // The box's text is the text extraction gives for its RTF.
        box.setTextRTF(rich("a\\line b\\~c\\par\\par d\\tab e"));
        QCOMPARE(box.Text(), QStringLiteral("a\nb c\r\n\r\nd\te"));
        QCOMPARE(lc::rtf::plainText(lc::rtf::toBytes(box.TextRTF())), box.Text());
    }

    void selectionCountsInText_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expectedStart");
        QTest::addColumn<int>("expectedLength");
        QTest::addColumn<QString>("selected");
        // Text: "ab\r\ncd\r\nef"
        QTest::newRow("inside the first paragraph") << 1 << 1 << 1 << 1 << "b";
        QTest::newRow("across a paragraph break") << 1 << 4 << 1 << 4 << "b\r\nc";
        QTest::newRow("start of the second paragraph") << 4 << 2 << 4 << 2 << "cd";
        QTest::newRow("between CR and LF stops before the break") << 3 << 1 << 2 << 0 << "";
        QTest::newRow("third paragraph") << 8 << 2 << 8 << 2 << "ef";
        QTest::newRow("past the end is clamped") << 50 << 5 << 10 << 0 << "";
        QTest::newRow("length past the end") << 8 << 50 << 8 << 2 << "ef";
        QTest::newRow("negative start") << -3 << 2 << 0 << 2 << "ab";
        QTest::newRow("everything") << 0 << 10 << 0 << 10 << "ab\r\ncd\r\nef";
    }

    void selectionCountsInText()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, expectedStart);
        QFETCH(int, expectedLength);
        QFETCH(QString, selected);
        RichTextBox box;
        box.setText(QStringLiteral("ab\r\ncd\r\nef"));
        select(box, start, length);
        QCOMPARE(box.SelStart(), expectedStart);
        QCOMPARE(box.SelLength(), expectedLength);
        QCOMPARE(box.SelText(), selected);
        QCOMPARE(box.Text().mid(box.SelStart(), box.SelLength()), selected);
    }

    void selectionFormattingIsTriState()
    {
        RichTextBox box;
        box.setTextRTF(rich("plain \\b bold\\b0  {\\i\\ul\\f1\\fs28\\cf1 fancy}"));
        select(box, 6, 4); // "bold"
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        QCOMPARE(box.SelItalic(), std::optional<bool>(false));
        QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(box.SelFontSize(), std::optional<double>(10));
        QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(Qt::black)));
        select(box, 3, 6); // "in bol": mixed bold, the rest alike
        QCOMPARE(box.SelBold(), std::nullopt);
        QCOMPARE(box.SelItalic(), std::optional<bool>(false));
        QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        select(box, 8, 6); // "ld fan": everything mixed
        QCOMPARE(box.SelBold(), std::nullopt);
        QCOMPARE(box.SelItalic(), std::nullopt);
        QCOMPARE(box.SelUnderline(), std::nullopt);
        QCOMPARE(box.SelFontName(), std::nullopt);
        QCOMPARE(box.SelFontSize(), std::nullopt);
        QCOMPARE(box.SelColor(), std::nullopt);
        select(box, 11, 5); // "fancy"
        QCOMPARE(box.SelUnderline(), std::optional<bool>(true));
        QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(box.SelFontSize(), std::optional<double>(14));
        QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(Qt::red)));
        // An empty selection reports what typing would get.
        select(box, 8, 0);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
    }

    void selectionFormattingApplies()
    {
        RichTextBox box;
        box.setTextRTF(rich("one two three"));
        QSignalSpy changed(&box, &RichTextBox::Change);
        select(box, 4, 3);
        box.setSelBold(true);
        box.setSelItalic(true);
        box.setSelUnderline(true);
        box.setSelFontName(QStringLiteral("Courier New"));
        box.setSelFontSize(18);
        box.setSelColor(QColor(0, 0, 255));
        QVERIFY(changed.count() >= 1);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        // The rest is untouched, and the mixed selection is undetermined.
        select(box, 0, 7);
        QCOMPARE(box.SelBold(), std::nullopt);
        // Toggling a mixed selection sets it throughout.
        box.setSelBold(true);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        // It is all in the RTF.
        RichTextBox again;
        again.setTextRTF(box.TextRTF());
        select(again, 4, 3);
        QCOMPARE(again.SelBold(), std::optional<bool>(true));
        QCOMPARE(again.SelItalic(), std::optional<bool>(true));
        QCOMPARE(again.SelUnderline(), std::optional<bool>(true));
        QCOMPARE(again.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(again.SelFontSize(), std::optional<double>(18));
        QCOMPARE(again.SelColor(), std::optional<QColor>(QColor(0, 0, 255)));
        select(again, 8, 5);
        QCOMPARE(again.SelItalic(), std::optional<bool>(false));

        // Formatting set on an empty selection applies to what is typed there next.
        RichTextBox composed;
        composed.setSelBold(true);
        composed.setSelText(QStringLiteral("Game"));
        composed.setSelBold(false);
        composed.setSelText(QStringLiteral(" - Review\r\n"));
        QCOMPARE(composed.Text(), QStringLiteral("Game - Review\r\n"));
        select(composed, 0, 4);
        QCOMPARE(composed.SelBold(), std::optional<bool>(true));
        select(composed, 4, 9);
        QCOMPARE(composed.SelBold(), std::optional<bool>(false));
    }

    void pickedFontsKeepTheirKindAndTabsAreHalfInches()
    {
        RichTextBox box;
        QFont courier(QStringLiteral("Courier New"));
        courier.setStyleHint(QFont::TypeWriter);
        box.document()->setDefaultFont(courier);
        box.setTextRTF(rich("one two"));
        // A picked face the machine lacks is not drawn in the default's typewriter kind.
        select(box, 4, 3);
        box.setSelFontName(QStringLiteral("Nosuch Face"));
        select(box, 0, 3);
        box.setSelFontName(QStringLiteral("Times New Roman"));
        QTextCursor c(box.document());
        c.setPosition(6);
        QCOMPARE(c.charFormat().font().resolve(box.document()->defaultFont()).styleHint(),
                 QFont::AnyStyle);
        const QString saved = box.TextRTF();
        QVERIFY2(saved.contains(QLatin1String("\\fnil\\fcharset0 Nosuch Face;")),
                 qPrintable(saved));
        QVERIFY2(saved.contains(QLatin1String("\\froman\\fcharset0 Times New Roman;")),
                 qPrintable(saved));
        // The control's default stops, whether the text came as RTF or as text.
        QCOMPARE(box.document()->defaultTextOption().tabStopDistance(), 48.0);
        box.setText(QStringLiteral("a\tb"));
        QCOMPARE(box.document()->defaultTextOption().tabStopDistance(), 48.0);
    }

    void selRtfAndSelText()
    {
        RichTextBox box;
        box.setTextRTF(rich("keep \\b this\\b0  part\\par next"));
        select(box, 5, 4);
        const QString part = box.SelRTF();
        QVERIFY(part.contains(QStringLiteral("\\b this")));
        QVERIFY(!part.contains(QStringLiteral("keep")));
        // Replacing a selection with RTF brings its formatting.
        select(box, 16, 4); // "next"
        box.setSelRTF(part);
        QCOMPARE(box.Text(), QStringLiteral("keep this part\r\nthis"));
        select(box, 16, 4);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        // A paragraph mark in the RTF becomes a break.
        select(box, 0, 0);
        box.setSelRTF(rich("top"));
        QCOMPARE(box.Text(), QStringLiteral("top\r\nkeep this part\r\nthis"));
        // Plain text replaces the selection in the current format.
        select(box, 0, 3);
        box.setSelText(QStringLiteral("A\r\nB"));
        QCOMPARE(box.Text(), QStringLiteral("A\r\nB\r\nkeep this part\r\nthis"));
        QCOMPARE(box.SelStart(), 4);
        QCOMPARE(box.SelLength(), 0);
    }

    void find_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<int>("expected");
        // Text: "ABC abc\r\nabcd abc."
        QTest::newRow("ignores case") << "abc" << 0 << -1 << false << false << 0;
        QTest::newRow("match case") << "abc" << 0 << -1 << true << false << 4;
        QTest::newRow("from a start") << "abc" << 1 << -1 << false << false << 4;
        QTest::newRow("counts CR LF") << "abcd" << 0 << -1 << false << false << 9;
        QTest::newRow("whole word skips abcd") << "abc" << 5 << -1 << false << true << 14;
        QTest::newRow("whole word before punctuation") << "abc" << 10 << -1 << true << true << 14;
        QTest::newRow("end bounds the search") << "abc" << 5 << 16 << false << false << 9;
        QTest::newRow("hit must end before end") << "abcd" << 0 << 12 << false << false << -1;
        QTest::newRow("not there") << "xyz" << 0 << -1 << false << false << -1;
        QTest::newRow("empty") << "" << 0 << -1 << false << false << -1;
    }

    void find()
    {
        QFETCH(QString, what);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(int, expected);
        RichTextBox box;
        box.setText(QStringLiteral("ABC abc\r\nabcd abc."));
        select(box, 1, 0);
        QCOMPARE(box.Find(what, start, end, {matchCase, wholeWord, false}), expected);
        if (expected >= 0) {
            QCOMPARE(box.SelStart(), expected);
            QCOMPARE(box.SelLength(), int(what.size()));
            QCOMPARE(box.SelText().compare(what, Qt::CaseInsensitive), 0);
        } else {
            QCOMPARE(box.SelStart(), 1);
        }
        // Without highlighting the selection stays.
        select(box, 1, 0);
        FindOptions quiet{matchCase, wholeWord, true};
        QCOMPARE(box.Find(what, start, end, quiet), expected);
        QCOMPARE(box.SelStart(), 1);
    }

    void clipboardCarriesRtfOnly()
    {
        TestHome home(TestHome::Db::None);
        QClipboard *clipboard = QGuiApplication::clipboard();
        RichTextBox box;
        box.setTextRTF(rich("copy \\b me\\b0  here"));
        select(box, 5, 2);
        box.copy();
        const QMimeData *data = clipboard->mimeData();
        QVERIFY(data);
        QVERIFY(data->hasFormat(QStringLiteral("text/rtf")));
        QVERIFY(data->hasFormat(QStringLiteral("application/rtf")));
        QVERIFY(!data->hasText());
        QCOMPARE(lc::rtf::plainText(data->data(QStringLiteral("text/rtf"))), QStringLiteral("me"));

        // Pasting RTF brings the formatting along.
        select(box, 0, 0);
        box.paste();
        QCOMPARE(box.Text(), QStringLiteral("mecopy me here"));
        select(box, 0, 2);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));

        // Plain text alone on the clipboard pastes nothing.
        clipboard->setText(QStringLiteral("plain"));
        QSignalSpy changed(&box, &RichTextBox::Change);
        select(box, 0, 0);
        box.paste();
        QCOMPARE(box.Text(), QStringLiteral("mecopy me here"));
        QCOMPARE(changed.count(), 0);

        // Cut takes the selection away and offers it as RTF.
        select(box, 2, 5);
        box.cut();
        QCOMPARE(box.Text(), QStringLiteral("meme here"));
        QCOMPARE(lc::rtf::plainText(clipboard->mimeData()->data(QStringLiteral("application/rtf"))),
                 QStringLiteral("copy "));
    }

    void lockedTextCanBeSelectedNotChanged()
    {
        RichTextBox box;
        box.setText(QStringLiteral("read only"));
        box.setLocked(true);
        QVERIFY(box.Locked());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setFocus();
        select(box, 0, 0);
        QTest::keyClicks(&box, QStringLiteral("xyz"));
        QTest::keyClick(&box, Qt::Key_Delete);
        QCOMPARE(box.Text(), QStringLiteral("read only"));
        // Keyboard selection still works.
        QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(box.SelLength(), 1);
        box.setLocked(false);
        select(box, 0, 0);
        QTest::keyClicks(&box, QStringLiteral("x"));
        QCOMPARE(box.Text(), QStringLiteral("xread only"));
    }

    void picturesGoInAtTheCaret()
    {
        TestHome home(TestHome::Db::None);
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        RichTextBox box;
        box.setText(QStringLiteral("ab"));
        select(box, 1, 0);
        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        box.insertPicture(image);
        QCOMPARE(box.Text(), U(u"a\uFFFCb"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
        const QString rtf = box.TextRTF();
        QVERIFY(
            rtf.contains(QStringLiteral("{\\pict\\pngblip\\picw6\\pich4\\picwgoal90\\pichgoal60")));
        // The picture comes back from its RTF.
        RichTextBox again;
        again.setTextRTF(rtf);
        QCOMPARE(again.Text(), box.Text());
        QCOMPARE(again.TextRTF(), rtf);
        // From a file; a file that is no picture inserts nothing.
        image.save(home.file(QStringLiteral("p.png")));
        QVERIFY(box.insertPicture(home.file(QStringLiteral("p.png"))));
        home.write(QStringLiteral("bad.png"), "not a picture");
        QVERIFY(!box.insertPicture(home.file(QStringLiteral("bad.png"))));
        QCOMPARE(box.Text().count(QChar(QChar::ObjectReplacementCharacter)), 2);
        // Copying a picture carries it to another box.
        select(box, 1, 2);
        box.copy();
        RichTextBox other;
        other.paste();
        QCOMPARE(other.Text(), U(u"\uFFFC\uFFFC"));
    }

    void selectionChangesAreReported()
    {
        RichTextBox box;
        box.setText(QStringLiteral("some text"));
        QSignalSpy moved(&box, &RichTextBox::SelChange);
        QSignalSpy changed(&box, &RichTextBox::Change);
        select(box, 2, 0);
        QCOMPARE(moved.count(), 1);
        box.setSelLength(3);
        QCOMPARE(moved.count(), 2);
        box.setSelLength(3); // no move, no report
        QCOMPARE(moved.count(), 2);
        QCOMPARE(changed.count(), 0);
    }
};

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
