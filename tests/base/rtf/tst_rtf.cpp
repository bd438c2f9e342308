#include "rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QtTest>

namespace {

QString U(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// The header a rich-edit control writes, with the fonts and colours the cases use.
QByteArray rich(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl"
           "{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}"
           "{\\f2\\fswiss\\fcharset204 Arial CYR;}{\\f3\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 "
           "Gothic;}{\\f4\\fnil\\fcharset134 SimSun;}}\r\n"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;"
           "\\red255\\green255\\blue0;}\r\n"
           "\\viewkind4\\uc1\\pard\\f0\\fs20 " +
           body + "\\par\r\n}\r\n";
}

QString describe(const QTextCharFormat &f)
{
    QStringList s;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        s << families.first();
    if (f.hasProperty(QTextFormat::FontPointSize))
        s << QString::number(f.fontPointSize()) + QStringLiteral("pt");
    if (f.fontWeight() >= QFont::Bold)
        s << QStringLiteral("b");
    if (f.fontItalic())
        s << QStringLiteral("i");
    if (f.fontUnderline())
        s << QStringLiteral("u");
    if (f.fontStrikeOut())
        s << QStringLiteral("s");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        s << QStringLiteral("sup");
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        s << QStringLiteral("sub");
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        s << QStringLiteral("fg") + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        s << QStringLiteral("bg") + f.background().color().name();
    if (f.isAnchor())
        s << QStringLiteral("link:") + f.anchorHref();
    return s.join(u' ');
}

// The format of the first character of the first occurrence of word.
QString formatOf(const QTextDocument &doc, const QString &word)
{
    const int at = doc.toPlainText().indexOf(word);
    if (at < 0)
        return QStringLiteral("<missing>");
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(at + 1);
    return describe(c.charFormat());
}

// The blocks' own text: unlike toPlainText(), keeps line separators and no-break spaces.
QString text(const QTextDocument &doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(u'\n');
}

QString text(QByteArrayView rtf)
{
    QTextDocument doc;
    lc::rtf::read(rtf, doc);
    return text(doc);
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return png;
}

QImage testImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    return img;
}

QByteArray dib(int w, int h)
{
    // BITMAPINFOHEADER, 24 bits, bottom-up, rows padded to 4 bytes.
    QByteArray d;
    auto put = [&d](quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            d.append(char((v >> (8 * i)) & 0xFF));
    };
    const int stride = (w * 3 + 3) & ~3;
    put(40, 4), put(w, 4), put(h, 4), put(1, 2), put(24, 2), put(0, 4);
    put(stride * h, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            d.append("\x00\x00\xff", 3); // red in BGR
        d.append(QByteArray(stride - w * 3, '\0'));
    }
    return d;
}

QList<QImage> images(const QTextDocument &doc)
{
    QList<QImage> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                out << doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
            }
    return out;
}

QTextImageFormat firstImageFormat(const QTextDocument &doc)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                return it.fragment().charFormat().toImageFormat();
    return {};
}

// Every fragment's text and format, for comparing two documents.
QStringList fragments(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out << QStringLiteral("[para align=%1 li=%2 fi=%3 sa=%4]")
                   .arg(int(bf.alignment()))
                   .arg(bf.leftMargin())
                   .arg(bf.textIndent())
                   .arg(bf.bottomMargin());
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out << it.fragment().text() + QStringLiteral(" {") +
                       describe(it.fragment().charFormat()) + u'}';
    }
    return out;
}

// Columns and lists as a rich-edit control writes them: a dotted right stop, bullets and
// numbers with a hanging indent, a centred and a decimal stop and a bar.
const QByteArray kTabsAndLists =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
    "Tahoma;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
    "\\pard\\tx2880\\tqr\\tldot\\tx7200\\f0\\fs20 Level\\tab Boss\\tab Page\\par\r\n"
    "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-"
    "360\\li720 "
    "First item, long enough to wrap onto a second line in a narrow box\\par\r\n"
    "{\\pntext\\f1\\'B7\\tab}Second\\par\r\n"
    "\\pard{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}"
    "\\fi-360\\li720 One\\par\r\n"
    "{\\pntext\\f0 2.\\tab}Two\\par\r\n"
    "\\pard\\tqc\\tx4320\\tqdec\\tx7200\\tb8000 a\\tab Centre\\tab 12.50\\par\r\n}\r\n";

// Where a character of a block is drawn, in pixels from the document's left edge.
qreal xOf(const QTextDocument &doc, int blockNumber, const QString &text, int line = 0)
{
    const QTextBlock block = doc.findBlockByNumber(blockNumber);
    doc.documentLayout()->blockBoundingRect(block); // lays the block out
    const int at = block.text().indexOf(text);
    return at < 0 ? -1 : block.layout()->lineAt(line).cursorToX(at);
}

QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(RTF_SAMPLES) + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRtf : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void characterFormatting_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("expected");

        QTest::newRow("rich-edit default") << QByteArray("plain") << "plain"
                                           << "Arial 10pt";
        QTest::newRow("bold on and off") << QByteArray("\\b bold\\b0  after") << "bold"
                                         << "Arial 10pt b";
        QTest::newRow("off again") << QByteArray("\\b bold\\b0  after") << "after"
                                   << "Arial 10pt";
        QTest::newRow("italic underline strike")
            << QByteArray("\\i\\ul\\strike all\\i0\\ulnone\\strike0  none") << "all"
            << "Arial 10pt i u s";
        QTest::newRow("ul0 ends underline") << QByteArray("\\ul a\\ul0  plainword") << "plainword"
                                            << "Arial 10pt";
        QTest::newRow("word underline counts") << QByteArray("\\ulw words") << "words"
                                               << "Arial 10pt u";
        QTest::newRow("font and size") << QByteArray("\\f1\\fs28 code") << "code"
                                       << "Courier New 14pt";
        QTest::newRow("odd half points") << QByteArray("\\fs19 small") << "small"
                                         << "Arial 9.5pt";
        QTest::newRow("colour 1 is the first entry") << QByteArray("\\cf1 red\\cf0  auto") << "red"
                                                     << "Arial 10pt fg#ff0000";
        QTest::newRow("cf0 is automatic") << QByteArray("\\cf1 red\\cf0  auto") << "auto"
                                          << "Arial 10pt";
        QTest::newRow("highlight") << QByteArray("\\highlight3 marked") << "marked"
                                   << "Arial 10pt bg#ffff00";
        QTest::newRow("cb") << QByteArray("\\cb2 shaded") << "shaded"
                            << "Arial 10pt bg#000080";
        QTest::newRow("colour past the table") << QByteArray("\\cf99 none") << "none"
                                               << "Arial 10pt";
        QTest::newRow("super and sub") << QByteArray("x\\super 2\\nosupersub  y\\sub i") << "2"
                                       << "Arial 10pt sup";
        QTest::newRow("sub") << QByteArray("H\\sub 2\\nosupersub O") << "2"
                             << "Arial 10pt sub";
        QTest::newRow("plain resets to the default font")
            << QByteArray("\\f1\\b\\fs40 big\\plain  small") << "small"
            << "Arial 12pt";
        QTest::newRow("group scopes formatting") << QByteArray("{\\b inner} outer") << "outer"
                                                 << "Arial 10pt";
        QTest::newRow("unknown font number") << QByteArray("\\f77 lost") << "lost"
                                             << "10pt";
        QTest::newRow("huge size is clamped") << QByteArray("\\fs99999999999 big") << "big"
                                              << "Arial 1638pt";
    }

    void characterFormatting()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, word);
        QFETCH(QString, expected);
        QTextDocument doc;
        lc::rtf::read(rich(body), doc);
        QCOMPARE(formatOf(doc, word), expected);
    }

    void paragraphs()
    {
        QTextDocument doc;
        lc::rtf::read(rich("\\qc centred\\par\\pard\\qr right\\par\\pard\\qj\\li720\\ri360\\fi-360"
                           "\\sb120\\sa240 just\\par\\pard\\sl276\\slmult1 spaced\\par\\pard "
                           "a\\line b\\tab c"),
                      doc);
        QCOMPARE(doc.blockCount(), 5);
        QCOMPARE(doc.findBlockByNumber(0).text(), QStringLiteral("centred"));
        QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignRight);
        const QTextBlockFormat j = doc.findBlockByNumber(2).blockFormat();
        QCOMPARE(j.alignment(), Qt::AlignJustify);
        QCOMPARE(j.leftMargin(), 48.0); // 720 twips at 15 a pixel
        QCOMPARE(j.rightMargin(), 24.0);
        QCOMPARE(j.textIndent(), -24.0);
        QCOMPARE(j.topMargin(), 8.0);
        QCOMPARE(j.bottomMargin(), 16.0);
        const QTextBlockFormat s = doc.findBlockByNumber(3).blockFormat();
        QCOMPARE(s.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        QCOMPARE(s.lineHeight(), 115.0);
        // \pard went back to the defaults; \line stays inside the paragraph.
        QCOMPARE(doc.findBlockByNumber(4).blockFormat().leftMargin(), 0.0);
        QCOMPARE(doc.findBlockByNumber(4).text(), U(u"a\u2028b\tc"));
        // The final \par is the document's last paragraph mark, not an empty paragraph.
        QCOMPARE(text(rich("one\\par two")), QStringLiteral("one\ntwo"));
        QCOMPARE(text(rich("one\\par\\par")), QStringLiteral("one\n\n"));
        // A backslash before a raw line end is a paragraph mark; raw line ends are nothing.
        QCOMPARE(text("{\\rtf1 a\\\r\nb\r\nc}"), QStringLiteral("a\nbc"));
    }

    // Only the start of a long text: whole paragraphs past the limit, or a cut at twice it.
    void readTheStartOnly()
    {
        QByteArray lines = "{\\rtf1 ", oneLine = "{\\rtf1 ";
        for (int i = 0; lines.size() < 4000; ++i)
            lines += "Line " + QByteArray::number(i) + " of \\b many\\b0 .\\par ";
        while (oneLine.size() < 4000)
            oneLine += "word ";
        lc::rtf::ReadOptions start;
        start.stopAfter = 1000;
        QTextDocument doc;
        lc::rtf::read(lines + "}", doc, start);
        const QString shown = doc.toPlainText();
        // 1,000 bytes of markup are about 600 characters of text.
        QVERIFY(shown.size() > 550 && shown.size() < 700);
        QVERIFY(shown.endsWith(QStringLiteral(" of many.")));
        lc::rtf::read(oneLine + "}", doc, start);
        QVERIFY(doc.toPlainText().size() > 1000 && doc.toPlainText().size() <= 2000);
        // Plain text, cut between the bytes of one character, still reads as UTF-8.
        QByteArray plain = "Start of the text.\r";
        while (plain.size() < 4000)
            plain += "Ünder the bridge.\r\n";
        lc::rtf::read(plain, doc, start);
        QVERIFY(doc.toPlainText().startsWith(U(u"Start of the text.\n\u00dcnder the bridge.\n")));
        QVERIFY(doc.blockCount() > 40 && doc.blockCount() < 70);
    }

    void fontFamilies_data()
    {
        QTest::addColumn<QByteArray>("family");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("hint");
        QTest::newRow("roman") << QByteArray("\\froman") << "Nosuch Serif" << int(QFont::Serif);
        QTest::newRow("swiss") << QByteArray("\\fswiss") << "Nosuch Sans" << int(QFont::SansSerif);
        QTest::newRow("modern") << QByteArray("\\fmodern") << "Nosuch Mono"
                                << int(QFont::TypeWriter);
        QTest::newRow("script") << QByteArray("\\fscript") << "Nosuch Hand" << int(QFont::Cursive);
        QTest::newRow("decor") << QByteArray("\\fdecor") << "Nosuch Show" << int(QFont::Fantasy);
        QTest::newRow("nil names a known face")
            << QByteArray("\\fnil") << "Arial" << int(QFont::SansSerif);
        QTest::newRow("nil, unknown face")
            << QByteArray("\\fnil") << "Nosuch" << int(QFont::AnyStyle);
        QTest::newRow("tech") << QByteArray("\\ftech") << "Wingdings" << int(QFont::AnyStyle);
    }

    // A face the machine lacks is drawn in the kind the file names, not in the kind of the
    // editor's default font, and the family word goes back with the font.
    void fontFamilies()
    {
        QFETCH(QByteArray, family);
        QFETCH(QString, name);
        QFETCH(int, hint);
        QTextDocument doc;
        QFont courier(QStringLiteral("Courier New"));
        courier.setStyleHint(QFont::TypeWriter);
        doc.setDefaultFont(courier);
        const QByteArray entry = family + "\\fcharset0 " + name.toLatin1() + ';';
        lc::rtf::read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}{\\f1" + entry +
                          "}}\\f1 sample}",
                      doc);
        QTextCursor c(&doc);
        c.setPosition(1);
        const QFont shown = c.charFormat().font().resolve(doc.defaultFont());
        QCOMPARE(int(shown.styleHint()), hint);
        // Judged by the glyphs: fontconfig does not flag every monospace face as fixed pitch.
        const QFontMetrics m(shown);
        QCOMPARE(m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W')),
                 hint == QFont::TypeWriter);
        QVERIFY2(lc::rtf::write(doc).contains("{\\f1" + entry + '}'), lc::rtf::write(doc));
    }

    void windowsFacesHaveMetricCompatibleStandIns_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<QString>("standIn");
        QTest::newRow("Arial") << "Arial"
                               << "Liberation Sans";
        QTest::newRow("Times New Roman") << "Times New Roman"
                                         << "Liberation Serif";
        QTest::newRow("Courier New") << "Courier New"
                                     << "Liberation Mono";
        QTest::newRow("Tahoma") << "Tahoma"
                                << "Liberation Sans";
        QTest::newRow("Calibri") << "Calibri"
                                 << "Carlito";
    }

    void windowsFacesHaveMetricCompatibleStandIns()
    {
        QFETCH(QString, face);
        QFETCH(QString, standIn);
        QTextDocument doc;
        lc::rtf::read(rich("x"), doc);
        QCOMPARE(QFont::substitutes(face).value(0).toLower(), standIn.toLower());
        // The stand-in is installed (scripts/deps.sh) and drawn.
        QCOMPARE(QFontInfo(QFont(face)).family(), standIn);
    }

    void tabStopsAndListIndents()
    {
        QTextDocument doc;
        lc::rtf::read(kTabsAndLists, doc);
        doc.setTextWidth(300);
        QCOMPARE(doc.blockCount(), 6);
        const QList<QTextOption::Tab> columns = doc.firstBlock().blockFormat().tabPositions();
        QCOMPARE(columns.size(), 2);
        QCOMPARE(columns[0].position, 192.0);
        QCOMPARE(columns[1].type, QTextOption::RightTab);
        QCOMPARE(xOf(doc, 0, QStringLiteral("Boss")), 192.0);
        // A right stop ends the text after it there, whatever Qt's default stops are.

        // Labels once, their text starting at the indent like the lines that wrap.
        const QTextBlock bullet = doc.findBlockByNumber(1);
        QVERIFY(bullet.text().startsWith(U(u"·\tFirst")));
        QCOMPARE(bullet.blockFormat().leftMargin(), 48.0);
        QCOMPARE(bullet.blockFormat().textIndent(), -24.0);
        QCOMPARE(xOf(doc, 1, QStringLiteral("First")), 48.0);
        QVERIFY(bullet.layout()->lineCount() > 1);
        QCOMPARE(bullet.layout()->lineAt(1).x(), 48.0);
        QCOMPARE(xOf(doc, 2, QStringLiteral("Second")), 48.0);
        QCOMPARE(doc.findBlockByNumber(3).text(), QStringLiteral("1.\tOne"));
        QCOMPARE(xOf(doc, 4, QStringLiteral("Two")), 48.0);

        // Centre and decimal stops keep their kinds; the bar draws none.
        const QList<QTextOption::Tab> mixed = doc.lastBlock().blockFormat().tabPositions();
        QCOMPARE(mixed.size(), 2);
        QCOMPARE(mixed[0].type, QTextOption::CenterTab);
        QCOMPARE(mixed[1].type, QTextOption::DelimiterTab);

        // The writer gives it all back: stops, leaders, bars, labels in their groups and the
        // list definitions as they were; the stop the hanging indent implies is not written.
        const QByteArray saved = lc::rtf::write(doc);
        QVERIFY2(saved.contains("\\pard\\tx2880\\tqr\\tldot\\tx7200"), saved);
        QVERIFY2(saved.contains("{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0"
                                "{\\pntxtb\\'B7}}"),
                 saved);
        QVERIFY2(saved.contains("{\\pntext 2.\\tab}Two\\par"), saved);
        QVERIFY2(saved.contains("\\tqc\\tx4320\\tqdec\\tx7200\\tb8000"), saved);
        QVERIFY(!saved.contains("\\tx720\\"));
        QTextDocument back;
        lc::rtf::read(saved, back);
        QCOMPARE(text(back), text(doc));
        QCOMPARE(back.findBlockByNumber(1).blockFormat().tabPositions().size(), 1);
    }

    void specialCharacters_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("escaped braces and backslash") << QByteArray("\\{a\\}\\\\b") << "{a}\\b";
        QTest::newRow("non-breaking space, optional and non-breaking hyphen")
            << QByteArray("a\\~b\\-c\\_d") << U(u"a\u00A0b\u00ADc\u2011d");
        QTest::newRow("dashes and quotes")
            << QByteArray("\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet")
            << U(u"\u2014\u2013\u2018\u2019\u201C\u201D\u2022");
        QTest::newRow("control word eats one space only") << QByteArray("\\b  two") << " two";
        QTest::newRow("digits end with the parameter") << QByteArray("\\fs20123") << "";
        QTest::newRow("raw tab") << QByteArray("a\tb") << "a\tb";
        QTest::newRow("delimiter other than space stays") << QByteArray("\\b;x") << ";x";
    }

    void specialCharacters()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(text(rich(body)), expected);
    }

    void codePages_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cp1252 bytes") << rich("caf\\'e9 \\'80 \\'93q\\'94") << U(u"café € “q”");
        QTest::newRow("cp1251 in a charset 204 font inside ansicpg1252")
            << rich("{\\f2 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2} \\'e9") << U(u"Привет é");
        QTest::newRow("cp1251 document")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}") << U(u"Аб");
        QTest::newRow("cp1250 document")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8}") << U(u"Šč");
        QTest::newRow("shift-jis with a backslash trail byte")
            << rich("{\\f3 \\'83\\\\\\'83\\'5c\\'82\\'a0}") << U(u"ソソあ");
        QTest::newRow("shift-jis trail byte as plain text")
            << rich("{\\f3 \\'82\\'a0\\'83|}") << U(u"あポ");
        QTest::newRow("gbk") << rich("{\\f4 \\'d6\\'d0\\'ce\\'c4}") << U(u"中文");
        QTest::newRow("cpg overrides the charset")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1253 X;}}\\f0 \\'e1}")
            << U(u"α");
        QTest::newRow("raw high bytes decode too")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0}") << U(u"Пр");
        QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << U(u"é");
        QTest::newRow("unknown code page falls back to cp1252")
            << QByteArray("{\\rtf1\\ansi\\ansicpg99999 \\'e9}") << U(u"é");
        QTest::newRow("a page where ASCII differs is not used")
            << QByteArray("{\\rtf1\\ansi\\ansicpg37 a\\'e9}") << U(u"aé");
    }

    void codePages()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(rtf), expected);
        QCOMPARE(lc::rtf::plainText(rtf), expected);
    }

    void fontNamesDecodeThroughTheirCharset()
    {
        QTextDocument doc;
        lc::rtf::read(rich("{\\f3 x}"), doc);
        QCOMPARE(formatOf(doc, QStringLiteral("x")), U(u"ＭＳ Gothic 10pt"));
    }

    void unicodeEscapes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("uc1 skips one") << QByteArray("\\u1055?\\u1088?") << U(u"Пр");
        QTest::newRow("uc0 skips nothing") << QByteArray("\\uc0\\u1055 x") << U(u"Пx");
        QTest::newRow("uc2 skips two hex bytes")
            << QByteArray("\\uc2\\u20013\\'d6\\'d0x") << U(u"中x");
        QTest::newRow("uc scoped to the group")
            << QByteArray("{\\uc2\\u1055??}\\u1088?a") << U(u"Прa");
        QTest::newRow("negative N") << QByteArray("\\u-3913?") << U(u"\uF0B7");
        QTest::newRow("above 32767") << QByteArray("\\u65533?") << U(u"\uFFFD");
        QTest::newRow("surrogate pair")
            << QByteArray("\\u-10179?\\u-8694?") << QString::fromUcs4(U"\U0001F60A");
        QTest::newRow("lone surrogate is replaced") << QByteArray("\\u-10179?x") << U(u"\uFFFDx");
        QTest::newRow("a control word counts as one") << QByteArray("\\u1055\\tab x") << U(u"Пx");
        QTest::newRow("a brace ends the skipping") << QByteArray("\\uc3{\\u1055}ab") << U(u"Пab");
        QTest::newRow("a skipped control word does nothing")
            << QByteArray("\\uc3\\u1055 a\\par b\\par cd") << U(u"П\ncd");
        QTest::newRow("huge uc is bounded by the group")
            << QByteArray("{\\uc999999999\\u1055 x}y") << U(u"Пy");
    }

    void unicodeEscapes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(text(rich(body)), expected);
    }

    void destinations_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tables and info are not text")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
                          "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
                          "{\\*\\generator Quill 2.0;}body}")
            << "body";
        QTest::newRow("unknown starred group skipped")
            << QByteArray("{\\rtf1 a{\\*\\mystery b{c}}d}") << "ad";
        QTest::newRow("unknown group without star keeps its text")
            << QByteArray("{\\rtf1 a{\\mystery b}c}") << "abc";
        QTest::newRow("legacy bullet shown once")
            << QByteArray("{\\rtf1{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}"
                          "item}")
            << U(u"·\titem");
        QTest::newRow("picture alternatives not doubled")
            << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict\\emfblip 0102}}{\\nonshppict{\\pict"
                          "\\wmetafile8 0304}}b}")
            << U(u"a\uFFFCb");
        QTest::newRow("upr uses the unicode branch")
            << QByteArray("{\\rtf1{\\upr{ansi}{\\*\\ud{uni}}}}") << "uni";
        QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v hidden}b}") << "ab";
        QTest::newRow("field instruction is not text")
            << QByteArray("{\\rtf1{\\field{\\*\\fldinst{ PAGE }}{\\fldrslt 7}}}") << "7";
        QTest::newRow("footnote kept out of the text")
            << QByteArray("{\\rtf1 a{\\footnote note}b}") << "ab";
    }

    void destinations()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(rtf), expected);
    }

    void hyperlinks_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("href");
        QTest::newRow("rich-edit, unquoted")
            << QByteArray("{\\field{\\*\\fldinst{HYPERLINK https://x.example/a }}"
                          "{\\fldrslt{\\ul\\cf2 Site}}}")
            << "https://x.example/a";
        QTest::newRow("quoted with a switch")
            << QByteArray("{\\field{\\*\\fldinst{HYPERLINK \"https://x.example/b\" \\\\t "
                          "\"_blank\"}}{\\fldrslt Site}}")
            << "https://x.example/b";
        QTest::newRow("place in the document")
            << QByteArray("{\\field{\\*\\fldinst HYPERLINK \\\\l \"part2\"}{\\fldrslt Site}}")
            << "#part2";
    }

    void hyperlinks()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, href);
        QTextDocument doc;
        lc::rtf::read(rich("see " + field + " now"), doc);
        QCOMPARE(doc.toPlainText(), QStringLiteral("see Site now"));
        QVERIFY(formatOf(doc, QStringLiteral("Site")).contains(QStringLiteral("link:") + href));
        QVERIFY(!formatOf(doc, QStringLiteral("now")).contains(QStringLiteral("link")));
        // Written back as a field, read back as the same link.
        QTextDocument again;
        lc::rtf::read(lc::rtf::write(doc), again);
        QCOMPARE(again.toPlainText(), doc.toPlainText());
        QCOMPARE(formatOf(again, QStringLiteral("Site")), formatOf(doc, QStringLiteral("Site")));
    }

    void tablesAsTabbedLines()
    {
        const QByteArray rtf = rich(
            "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl A\\cell B\\cell C\\cell\\row"
            "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl D\\cell\\cell F\\cell\\row"
            "\\pard after");
        QCOMPARE(text(rtf), QStringLiteral("A\tB\tC\nD\t\tF\nafter"));
        QCOMPARE(lc::rtf::plainText(rtf), QStringLiteral("A\tB\tC\r\nD\t\tF\r\nafter"));
    }

    void pictures_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QSize>("pixels"); // decoded image, or empty for a placeholder
        QTest::addColumn<QSizeF>("shown");

        const QByteArray png = pngBytes(testImage(40, 20)).toHex();
        QTest::newRow("png at its goal size")
            << "{\\pict\\pngblip\\picw40\\pich20\\picwgoal1200\\pichgoal600 " + png + "}"
            << QSize(40, 20) << QSizeF(80, 40);
        QTest::newRow("png scaled")
            << "{\\pict\\pngblip\\picw40\\pich20\\picwgoal600\\pichgoal300\\picscalex50"
               "\\picscaley200 " +
                   png + "}"
            << QSize(40, 20) << QSizeF(20, 40);
        QTest::newRow("png without sizes, upper-case hex with line breaks")
            << "{\\pict\\pngblip\r\n" + png.toUpper().insert(10, "\r\n") + "}" << QSize(40, 20)
            << QSizeF(40, 20);
        const QByteArray raw = pngBytes(testImage(40, 20));
        QTest::newRow("png as binary, braces and all")
            << "{\\pict\\pngblip\\picw40\\pich20\\bin" + QByteArray::number(raw.size()) + ' ' +
                   raw + "}"
            << QSize(40, 20) << QSizeF(40, 20);
        QByteArray jpg;
        {
            QBuffer b(&jpg);
            b.open(QIODevice::WriteOnly);
            testImage(16, 16).save(&b, "JPEG");
        }
        QTest::newRow("jpeg") << "{\\pict\\jpegblip\\picw16\\pich16 " + jpg.toHex() + "}"
                              << QSize(16, 16) << QSizeF(16, 16);
        QTest::newRow("dib") << "{\\pict\\dibitmap0\\picw3\\pich2 " + dib(3, 2).toHex() + "}"
                             << QSize(3, 2) << QSizeF(3, 2);
        // A metafile of one StretchDIBits record, as a pasted bitmap is kept.
        QByteArray wmf;
        auto put = [&wmf](quint32 v, int n) {
            for (int i = 0; i < n; ++i)
                wmf.append(char((v >> (8 * i)) & 0xFF));
        };
        const QByteArray bits = dib(4, 3);
        const int recordWords = (28 + bits.size() + 1) / 2;
        put(1, 2), put(9, 2), put(0x300, 2), put(9 + recordWords + 3, 4), put(0, 2),
            put(recordWords, 4), put(0, 2);
        put(recordWords, 4), put(0x0F43, 2), put(0xCC0020, 4), put(0, 2);
        for (int v : {3, 4, 0, 0, 3, 4, 0, 0})
            put(v, 2);
        wmf.append(bits);
        if (bits.size() % 2)
            wmf.append('\0');
        put(3, 4), put(0, 2);
        QTest::newRow("bitmap inside a metafile")
            << "{\\pict\\wmetafile8\\picw106\\pich79\\picwgoal60\\pichgoal45 " + wmf.toHex() + "}"
            << QSize(4, 3) << QSizeF(4, 3);
        QTest::newRow("emf is kept, not shown")
            << QByteArray("{\\pict\\emfblip\\picw2540\\pich1270 0102030405}") << QSize()
            << QSizeF(96, 48);
        QTest::newRow("broken png")
            << QByteArray("{\\pict\\pngblip 89504e47deadbeef}") << QSize() << QSizeF(96, 96);
        // A header that claims 60000 x 60000 pixels must not be believed.
        QByteArray huge = pngBytes(testImage(2, 2));
        huge.replace(16, 8, QByteArray::fromHex("0000ea600000ea60"));
        QTest::newRow("absurd dimensions")
            << "{\\pict\\pngblip " + huge.toHex() + "}" << QSize() << QSizeF(96, 96);
        QTest::newRow("absurd dib")
            << "{\\pict\\dibitmap0 " +
                   dib(1, 1).replace(4, 8, QByteArray::fromHex("60ea000060ea0000")).toHex() + "}"
            << QSize() << QSizeF(96, 96);
        QTest::newRow("sizes are clamped")
            << QByteArray("{\\pict\\emfblip\\picwgoal999999999\\pichgoal1 00}") << QSize()
            << QSizeF(4800, 1);
    }

    void pictures()
    {
        QFETCH(QByteArray, group);
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, shown);
        QTextDocument doc;
        const QByteArray rtf = rich("a" + group + "b");
        lc::rtf::read(rtf, doc);
        QCOMPARE(doc.toPlainText(), U(u"a\uFFFCb"));
        const QList<QImage> imgs = images(doc);
        QCOMPARE(imgs.size(), 1);
        if (pixels.isValid()) {
            QCOMPARE(imgs.first().size(), pixels);
            const QColor corner = imgs.first().pixelColor(0, 0);
            QVERIFY2(corner.red() > 200 && corner.green() < 60, qPrintable(corner.name()));
        } else {
            QVERIFY(!imgs.first().isNull()); // the placeholder
        }
        const QTextImageFormat f = firstImageFormat(doc);
        QCOMPARE(QSizeF(f.width(), f.height()), shown);
        // Whatever it was, it is written back as it stood.
        QVERIFY(lc::rtf::write(doc).contains(group));
    }

    void keptGroupsSurviveLoadAndSave()
    {
        const QByteArray emf = "{\\pict\\emfblip\\picw100\\pich100 0100000088000000}";
        const QByteArray object =
            "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw100\\objh100{\\*\\objdata "
            "0105000002}{\\result{\\pict\\wmetafile8 0100}}}";
        const QByteArray mystery = "{\\*\\mystery keep {me} \\bin3 {}x}";
        const QByteArray endMark = "{\\*\\atend 1}";
        QTextDocument doc;
        lc::rtf::read(rich("a" + emf + "b " + mystery + "c" + object + "d" + endMark), doc);
        QCOMPARE(doc.toPlainText(), U(u"a\uFFFCb c\uFFFCd"));
        const QByteArray saved = lc::rtf::write(doc);
        QVERIFY(saved.contains("a" + emf + "b "));
        QVERIFY(saved.contains(mystery + "c"));
        QVERIFY(saved.contains(object + "d"));
        QVERIFY(saved.contains(endMark + "\\par"));
        QTextDocument again;
        lc::rtf::read(saved, again);
        QCOMPARE(lc::rtf::write(again), saved);
    }

    void malformedInput_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected"); // null: anything, so long as it ends
        QTest::newRow("truncated") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << QString("");
        QTest::newRow("truncated in text") << rich("hello").left(150) << QString();
        QTest::newRow("missing final brace") << QByteArray("{\\rtf1 abc") << "abc";
        QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}b}") << "ab";
        QTest::newRow("unbalanced opening") << QByteArray("{\\rtf1 a{{{b") << "ab";
        QTest::newRow("bin past the end") << QByteArray("{\\rtf1 a\\bin2147483647 xyz}") << "a";
        QTest::newRow("bin hides braces") << QByteArray("{\\rtf1 a{\\*\\x\\bin2 }{}b}") << "ab";
        QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << "ab";
        QTest::newRow("very deep nesting")
            << "{\\rtf1 " + QByteArray(200000, '{') + "x" + QByteArray(200000, '}') + "y}"
            << "xy";
        QTest::newRow("deep nesting never closed") << "{\\rtf1 " + QByteArray(500000, '{') + "x"
                                                   << "x";
        QTest::newRow("huge parameters")
            << QByteArray("{\\rtf1\\fs99999999999999999999\\li-99999999999999\\u99999999999 a"
                          "\\uc99999999999999 \\cf-2147483648 b}")
            << U(u"\uFFFDb");
        QTest::newRow("control word of a million letters")
            << "{\\rtf1 \\" + QByteArray(1000000, 'a') + " b}"
            << "b";
        QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 16) << "abc";
        QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << "a";
        QTest::newRow("hex at the end") << QByteArray("{\\rtf1 a\\'") << "a";
        QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb}") << "azzb";
        QTest::newRow("many stray hex marks")
            << "{\\rtf1 " + QByteArray(2000000, '\\').replace("\\\\", "\\'") + "}" << QString();
        QTest::newRow("dangling lead byte")
            << QByteArray("{\\rtf1\\ansi\\ansicpg932 a\\'83}") << QString();
        QTest::newRow("a million fonts")
            << "{\\rtf1{\\fonttbl" + QByteArray("{\\f1 x;}").repeated(100000) + "}z}"
            << "z";
        QTest::newRow("pict in pict")
            << QByteArray("{\\rtf1{\\pict{\\pict 00}00}}") << U(u"\uFFFC");
        QTest::newRow("empty") << QByteArray() << "";
    }

    void malformedInput()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QElapsedTimer timer;
        timer.start();
        QTextDocument doc;
        lc::rtf::read(rtf, doc);
        const QString plain = lc::rtf::plainText(rtf);
        lc::rtf::write(doc);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        if (!expected.isNull()) {
            QCOMPARE(text(doc), expected);
            QCOMPARE(plain, expected);
        }
    }

    void notRtfIsPlainText_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lines") << QByteArray("one\r\ntwo\nthree\rfour") << "one\ntwo\nthree\nfour";
        QTest::newRow("braces and backslashes stay")
            << QByteArray("{not rtf} \\b x") << "{not rtf} \\b x";
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << U(u"café");
        QTest::newRow("cp1252 when not utf-8") << QByteArray("caf\xe9 \x80") << U(u"café €");
        QTest::newRow("trailing line break") << QByteArray("a\r\n") << "a\n";
        QTest::newRow("leading blanks before rtf are allowed")
            << QByteArray(" \r\n{\\rtf1 \\b x}") << "x";
    }

    void notRtfIsPlainText()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        QCOMPARE(text(data), expected);
        QTextDocument doc;
        lc::rtf::read(data, doc);
        QVERIFY(!lc::rtf::isRtf(data) || data.contains("rtf1"));
        QCOMPARE(lc::rtf::plainText(data), QString(expected).replace(u'\n', QLatin1String("\r\n")));
    }

    void writerOutput()
    {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Courier New"), 10));
        QTextCursor c(&doc);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.insertText(QStringLiteral("Caf\u00e9 "), QTextCharFormat());
        c.insertText(QStringLiteral("bold"), bold);
        QTextCharFormat cyr;
        cyr.setFontFamilies({QStringLiteral("Arial")});
        cyr.setForeground(QColor(0, 0, 128));
        c.insertText(U(u" Привет {x}\\\t"), cyr);
        c.insertBlock();
        QTextBlockFormat centre;
        centre.setAlignment(Qt::AlignHCenter);
        c.setBlockFormat(centre);
        c.insertText(QString::fromUcs4(U"\U0001F60A"), QTextCharFormat());
        const QByteArray rtf = lc::rtf::write(doc);
        QCOMPARE(
            rtf,
            QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl"
                       "{\\f0\\fnil\\fcharset0 Courier New;}{\\f1\\fnil\\fcharset0 Arial;}}\r\n"
                       "{\\colortbl ;\\red0\\green0\\blue128;}\r\n"
                       "\\viewkind4\\uc1\\pard\\f0\\fs20 Caf\\'e9 \\b bold\\f1\\cf1\\b0  "
                       "\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090? \\{x\\}\\\\\\tab\\par\r\n"
                       "\\pard\\qc\\f0\\cf0\\u-10179?\\u-8694?\\par\r\n}\r\n"));
        QTextDocument back;
        back.setDefaultFont(doc.defaultFont());
        lc::rtf::read(rtf, back);
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(formatOf(back, QStringLiteral("bold")), QStringLiteral("Courier New 10pt b"));
        QCOMPARE(formatOf(back, QStringLiteral("Привет")), QStringLiteral("Arial 10pt fg#000080"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<bool>("sameFormats"); // plain text gains the explicit default font
        QTest::newRow("formatting")
            << rich(
                   "\\b bold \\i both\\b0  italic\\i0  \\ul under\\ulnone  \\strike gone\\strike0  "
                   "\\f1\\fs28\\cf1 red code\\cf0\\f0\\fs20  \\highlight3 hi\\highlight0  x\\super "
                   "2"
                   "\\nosupersub\\par\\pard\\qc\\li720\\fi-360\\sa200 "
                   "centred\\par\\pard\\qr\\sb100 right"
                   "\\par\\pard\\sl276\\slmult1 tall\\par\\pard\\sl-300\\slmult0 fixed\\par\\par"
                   "\\fs40\\par\\fs20 after empties")
            << true;
        QTest::newRow("scripts") << rich("{\\f2 \\'cf\\'f0\\'e8} {\\f3 \\'83\\\\} \\u-10179?"
                                         "\\u-8694? caf\\'e9 \\emdash  a\\~b\\-c\\_d\\line e")
                                 << true;
        QTest::newRow("link") << rich("{\\field{\\*\\fldinst{HYPERLINK \"https://x.example/\"}}"
                                      "{\\fldrslt{\\ul\\cf2 go}}} on")
                              << true;
        QTest::newRow("picture") << rich("a{\\pict\\pngblip\\picw2\\pich2 " +
                                         pngBytes(testImage(2, 2)).toHex() + "}b")
                                 << true;
        QTest::newRow("rich-edit sample") << sample("richedit.rtf") << true;
        QTest::newRow("word processor sample") << sample("writer.rtf") << true;
        QTest::newRow("cyrillic sample") << sample("cyrillic.rtf") << true;
        QTest::newRow("japanese sample") << sample("japanese.rtf") << true;
        QTest::newRow("tabs and lists") << kTabsAndLists << true;
        QTest::newRow("plain text") << QByteArray("just\r\ntext") << false;
        QTest::newRow("empty document") << QByteArray("{\\rtf1}") << true;
    }

    void roundTrip()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(bool, sameFormats);
        QVERIFY(!rtf.isEmpty());
        QTextDocument first;
        lc::rtf::read(rtf, first);
        const QByteArray saved = lc::rtf::write(first);
        QTextDocument second;
        lc::rtf::read(saved, second);
        QCOMPARE(second.toPlainText(), first.toPlainText());
        if (sameFormats)
            QCOMPARE(fragments(second), fragments(first));
        QCOMPARE(images(second).size(), images(first).size());
        // Saving what was read back changes nothing.
        QCOMPARE(lc::rtf::write(second), saved);
        QCOMPARE(lc::rtf::plainText(saved), lc::rtf::plainText(rtf));
    }

    void plainTextAgreesWithTheDocument_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("rich-edit sample") << sample("richedit.rtf");
        QTest::newRow("word processor sample") << sample("writer.rtf");
        QTest::newRow("cyrillic sample") << sample("cyrillic.rtf");
        QTest::newRow("japanese sample") << sample("japanese.rtf");
        QTest::newRow("tabs and lists") << kTabsAndLists;
        QTest::newRow("empty paragraphs") << rich("\\par\\par a\\par\\par");
    }

    void plainTextAgreesWithTheDocument()
    {
        QFETCH(QByteArray, rtf);
        QTextDocument doc;
        lc::rtf::read(rtf, doc);
        QString expected;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            if (b != doc.begin())
                expected += QLatin1String("\r\n");
            expected += b.text().replace(QChar(0x2028), u'\n').replace(QChar(0xA0), u' ');
        }
        QCOMPARE(lc::rtf::plainText(rtf), expected);
    }

    void fragments_()
    {
        QTextDocument doc;
        lc::rtf::read(rich("one \\b two\\par three\\par four"), doc);
        // Inside one paragraph: no paragraph mark.
        const QByteArray inner = lc::rtf::write(doc, 2, 7);
        QVERIFY(!inner.contains("\\par\r\n"));
        QTextDocument part;
        lc::rtf::read(inner, part, {true});
        QCOMPARE(part.toPlainText(), QStringLiteral("e two"));
        QCOMPARE(formatOf(part, QStringLiteral("two")), QStringLiteral("Arial 10pt b"));
        // Up to the start of the next paragraph: the mark goes with it.
        const QByteArray whole = lc::rtf::write(doc, 0, 8);
        lc::rtf::read(whole, part, {true});
        QCOMPARE(part.toPlainText(), QStringLiteral("one two\n"));
        // A document drops its final mark, a fragment keeps it.
        lc::rtf::read(whole, part);
        QCOMPARE(part.toPlainText(), QStringLiteral("one two"));
    }

    // Inputs the fuzzer found: each once broke the second save or the text read back.
    void fuzzFindings_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QDir dir(QStringLiteral(RTF_SAMPLES) + QLatin1String("fuzz"));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(name)) << f.readAll();
        }
    }

    void fuzzFindings()
    {
        QFETCH(QByteArray, data);
        QTextDocument first;
        lc::rtf::read(data, first);
        const QByteArray saved = lc::rtf::write(first);
        QTextDocument second;
        lc::rtf::read(saved, second);
        QCOMPARE(text(second), text(first));
        QCOMPARE(lc::rtf::write(second), saved);
    }

    void stringsHoldBytes()
    {
        const QByteArray bytes("{\\rtf1 \xe9\x80\xff}");
        QCOMPARE(lc::rtf::toBytes(lc::rtf::fromBytes(bytes)), bytes);
        // Text that is not bytes: wider characters become \u.
        QCOMPARE(lc::rtf::toBytes(U(u"{\\rtf1 é П}")), QByteArray("{\\rtf1 \\u233? \\u1055?}"));
        QCOMPARE(text(lc::rtf::toBytes(U(u"{\\rtf1 é П}"))), U(u"é П"));
    }
};

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
