// libFuzzer target for the RTF reader: reading must never crash, hang or grow without bound,
// and a document saved once must save to the same bytes again.
#include "rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_reader";
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    lc::rtf::read(input, doc);
    const QString plain = lc::rtf::plainText(input);
    const QByteArray saved = lc::rtf::write(doc);

    QTextDocument again;
    lc::rtf::read(saved, again);
    if (lc::rtf::write(again) != saved) {
        std::fprintf(stderr, "second save differs from the first\n");
        std::abort();
    }
    if (again.toPlainText() != doc.toPlainText()) {
        std::fprintf(stderr, "saved text reads back differently\n");
        std::abort();
    }
    QTextDocument part;
    lc::rtf::read(lc::rtf::write(doc, 1, doc.characterCount() / 2), part, {true});
    return 0;
}
