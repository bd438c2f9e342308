// Opens about 10 MB of rich-edit RTF in the viewer/editor window for editing, and compares
// that with the same opening followed by writing the whole text back to RTF, which the window
// once did only to have something to compare against when it closed.
#include "frmVWED.h"
#include "richtextbox.h"
#include "settings.h"

#include "../benchtiming.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A long walkthrough as a rich-edit control saves one: short formatted runs and paragraphs.
QByteArray makeDocument(qsizetype target)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier "
                     "New;}{\\f1\\fswiss\\fcharset0 Arial;}}\r\n{\\colortbl ;\\red0\\green0"
                     "\\blue128;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    rtf.reserve(target + 1024);
    for (int i = 0; rtf.size() < target; ++i) {
        if (i % 40 == 0)
            rtf += "\\cf1\\b\\f1\\fs24 Chapter " + QByteArray::number(i / 40 + 1) +
                   "\\cf0\\b0\\f0\\fs20\\par\r\n";
        rtf += "Step " + QByteArray::number(i) +
               ": go to the \\b crypt\\b0 , take the "
               "\\i iron key\\i0  and open the \\ul second\\ulnone  door.\\tab caf\\'e9\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    lc::settings::useFile(dir.filePath(QStringLiteral("settings.ini")));
    const QByteArray rtf = makeDocument(10 * 1024 * 1024);
    std::printf("document: %.1f MB of RTF\n", double(rtf.size()) / 1048576.0);

    ViewEditArgs file;
    file.vMode = enEdit;
    file.bytPlatformId = 3;
    file.bytGenreId = 2;
    file.record.gameId = 1;
    file.record.fileId = 1;
    file.record.subCat = 1;
    file.strGameTitle = QStringLiteral("Walkthrough");
    file.record.textRtf = QString::fromLatin1(rtf);

    const auto open = [&file](bool writeBack) {
        frmVWED w;
        w.Form_Load(file);
        w.ApplyMode(enEdit);
        if (writeBack)
            (void)w.rtbText->TextRTF();
    };
    const double openMs = bench::medianMs(3, [&] { open(false); });
    const double oldMs = bench::medianMs(3, [&] { open(true); });
    std::printf("open for editing:                  %8.0f ms\n", openMs);
    std::printf("open and write back to RTF (old):  %8.0f ms\n", oldMs);
    std::printf("opening is %.2fx as fast as before\n", oldMs / openMs);
    return 0;
}
