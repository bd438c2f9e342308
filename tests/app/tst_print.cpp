#include "modPrint.h"
#include "richtextbox.h"
#include "testsupport.h"

#include <QPrinter>
#include <QProcess>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

class TestPrint : public QObject {
    Q_OBJECT

    static QString pdfText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(30000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    static QString richBox(const char *body)
    {
        return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                              "Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}{\\colortbl ;\\red255"
                              "\\green0\\blue0;}\\viewkind4\\uc1\\pard\\f0\\fs20 ") +
               QLatin1String(body) + QStringLiteral("\\par\r\n}");
    }

private Q_SLOTS:
    void printsEveryPageInsideTheMargins()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        TestHome home(TestHome::Db::None);
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.insertText(QStringLiteral("Chapter One Walkthrough"), bold);
        for (int i = 1; i <= 120; ++i)
            c.insertText(
                QStringLiteral("\nStep %1: open the north gate and take the lantern.").arg(i),
                QTextCharFormat());

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = home.file(QStringLiteral("out.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(PrintRichText(doc, printer, {800, 900, 900, 1000}));

        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Chapter One Walkthrough")));
        QVERIFY(text.contains(QStringLiteral("Step 1: open the north gate")));
        QVERIFY(text.contains(QStringLiteral("Step 120: open the north gate")));
        // Every step is printed once, in order, across more than one page.
        int last = -1;
        for (int i = 1; i <= 120; ++i) {
            const int at = text.indexOf(QStringLiteral("Step %1:").arg(i));
            QVERIFY2(at > last, qPrintable(QString::number(i)));
            QCOMPARE(text.count(QStringLiteral("Step %1:").arg(i)), 1);
            last = at;
        }
        QVERIFY(text.count(u'\f') >= 2);
        // The page was not numbered by the printing.
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("^\\s*1\\s*$"),
                                                  QRegularExpression::MultilineOption)));
    }

    void indentsKeepTheirPrintedSize()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        TestHome home(TestHome::Db::None);
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("Flush"));
        QTextBlockFormat indented;
        indented.setLeftMargin(96); // one inch in the document's units
        c.insertBlock(indented);
        c.insertText(QStringLiteral("Indented"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = home.file(QStringLiteral("indent.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(PrintRichText(doc, printer, {1440, 1440, 1440, 1440}));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString html = QString::fromUtf8(p.readAllStandardOutput());
        const auto xMin = [&html](const QString &word) {
            const QRegularExpression re(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*>%1<").arg(word));
            return re.match(html).captured(1).toDouble();
        };
        // One inch of margin is 72 points; the indent adds another inch.
        QVERIFY2(qAbs(xMin(QStringLiteral("Flush")) - 72) < 4, qPrintable(html));
        QVERIFY(qAbs(xMin(QStringLiteral("Indented")) - 144) < 4);
    }

    void marginsLargerThanThePaperFail()
    {
        TestHome home(TestHome::Db::None);
        QTextDocument doc(QStringLiteral("x"));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(home.file(QStringLiteral("none.pdf")));
        QVERIFY(!PrintRichText(doc, printer, {20000, 0, 20000, 0}));
    }

    void printsItsDocument()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        TestHome home(TestHome::Db::None);
        lc::controls::RichTextBox box;
        box.setTextRTF(richBox("{\\b Castle Walkthrough}\\par Step one: the \\cf1 red\\cf0  door."
                               "\\par {\\f1 \\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?}"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = home.file(QStringLiteral("box.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(PrintRichText(*box.document(), printer, {800, 900, 900, 1000}));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Castle Walkthrough")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Step one: the red door.")));
        QVERIFY(text.contains(QString::fromUtf16(u"Привет")));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
