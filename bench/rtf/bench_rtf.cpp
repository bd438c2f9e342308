// Loads about 10 MB of rich-edit RTF into a QTextDocument, extracts its plain text, and
// extracts it with `unrtf --text` on the same file, printing the times and the ratios.
#include "richtextbox.h"
#include "rtf.h"

#include "../benchtiming.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A long walkthrough the way a rich-edit control saves one: short formatted runs, cp1252
// bytes, Cyrillic as \u, tabs, headings, and a picture now and then.
QByteArray makeDocument(qsizetype target)
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QByteArray picture = lc::rtf::pictureGroup(image, QSizeF(2, 2)) + "\\par\r\n";
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl"
                     "{\\f0\\fnil\\fcharset0 Courier New;}{\\f1\\fswiss\\fcharset0 Arial;}"
                     "{\\f2\\fnil\\fcharset204 Arial;}}\r\n{\\colortbl ;\\red0\\green0\\blue128;"
                     "\\red128\\green0\\blue0;}\r\n{\\*\\generator Quill 2.0}"
                     "\\viewkind4\\uc1 \r\n\\pard\\sa200\\sl276\\slmult1\\f0\\fs20 ";
    rtf.reserve(target + 4096);
    const char *places[] = {"north gate",       "crypt",  "caf\\'e9 cellar", "tower",
                            "\\'c6ther bridge", "sewers", "throne room",     "harbour"};
    for (int i = 0; rtf.size() < target; ++i) {
        if (i % 40 == 0)
            rtf += "\\cf1\\b\\f1\\fs24 Chapter " + QByteArray::number(i / 40 + 1) +
                   " \\endash  The " + places[i % 8] + "\\cf0\\b0\\f0\\fs20\\par\r\n";
        rtf += "Step " + QByteArray::number(i) + ": go to the \\b " + places[(i * 3) % 8] +
               "\\b0 , take the \\cf2 iron key\\cf0  and \\i don\\rquote t\\i0  open the "
               "\\ul second\\ulnone  door.\\tab Hint: {\\f2 \\'ea\\'eb\\'fe\\'f7} "
               "\\u1082?\\u1083?\\u1102?\\u1095? \\endash  score " +
               QByteArray::number(i * 37 % 1000) + "\\{x\\}.\\par\r\n";
        if (i % 500 == 0)
            rtf += picture;
    }
    rtf += "}\r\n";
    return rtf;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray rtf = makeDocument(10 * 1024 * 1024);
    const QString path = dir.filePath(QStringLiteral("walkthrough.rtf"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("document: %.1f MB of RTF\n", rtf.size() / 1048576.0);

    int chars = 0;
    const double loadMs = bench::medianMs(3, [&] {
        QTextDocument doc;
        lc::rtf::read(rtf, doc);
        chars = doc.characterCount();
    });
    std::printf("load into a QTextDocument:   %8.0f ms  (%d characters)\n", loadMs, chars);

    qsizetype textSize = 0;
    const double textMs = bench::medianMs(3, [&] { textSize = lc::rtf::plainText(rtf).size(); });
    std::printf("plain text extraction:       %8.0f ms  (%lld characters)\n", textMs,
                static_cast<long long>(textSize));

    QTextDocument saved;
    lc::rtf::read(rtf, saved);
    const double writeMs = bench::medianMs(3, [&] { (void)lc::rtf::write(saved); });
    std::printf("write back to RTF:           %8.0f ms\n", writeMs);

    const double boxMs = bench::medianMs(1, [&] {
        lc::controls::RichTextBox box;
        box.setTextRTF(lc::rtf::fromBytes(rtf));
    });
    std::printf("load into the rich text box: %8.0f ms\n", boxMs);

    bool ok = loadMs < 2000;
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty()) {
        std::printf("unrtf is not installed: no comparison (bench/rtf/run.sh installs it)\n");
    } else {
        const double unrtfMs = bench::medianMs(1, [&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            // unrtf writes the pictures it meets into its working folder.
            p.setWorkingDirectory(dir.path());
            p.start(unrtf, {QStringLiteral("--text"), path});
            p.waitForFinished(-1);
        });
        const double ratio = unrtfMs / textMs;
        std::printf("unrtf --text:                %8.0f ms\n", unrtfMs);
        std::printf("plain text vs unrtf:         %8.1fx faster (goal: 3x)\n", ratio);
        ok = ok && ratio >= 3;
    }
    std::printf("full load vs goal of 2000 ms: %s\n", loadMs < 2000 ? "met" : "MISSED");
    std::printf("%s\n", ok ? "all goals met" : "GOALS MISSED");
    return ok ? 0 : 2;
}
