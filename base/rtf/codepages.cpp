#include "codepages.h"

#include <QMutex>

#include <array>

namespace lc::rtf::detail {
namespace {

// cp1252 0x80-0x9F; the five bytes it leaves undefined keep their C1 code so they survive.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

using Table = std::array<char16_t, 256>;

Table cp1252Table()
{
    Table t;
    for (int i = 0; i < 256; ++i)
        t[i] = char16_t(i);
    for (int i = 0; i < 32; ++i)
        t[0x80 + i] = kCp1252High[i];
    return t;
}

const Table &cp1252()
{
    static const Table t = cp1252Table();
    return t;
}

QStringDecoder makeDecoder(int codePage)
{
    // Double-byte pages by the names under which ICU keeps the Windows variants (cp932's
    // 0x5C is a backslash, not a yen sign).
    switch (codePage) {
    case 932:
        return QStringDecoder("windows-31j");
    case 936:
        return QStringDecoder("GBK");
    case 949:
        return QStringDecoder("windows-949");
    case 950:
        return QStringDecoder("windows-950");
    case 1361:
        return QStringDecoder("ibm-1361");
    case 10000:
        return QStringDecoder("macintosh");
    case 437:
    case 850:
    case 852:
    case 866:
        return QStringDecoder(QByteArray("IBM" + QByteArray::number(codePage)).constData());
    case 20866:
        return QStringDecoder("KOI8-R");
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28605)
        return QStringDecoder(
            QByteArray("ISO-8859-" + QByteArray::number(codePage - 28590)).constData());
    // Only the Windows pages by number: other numbers name pages (EBCDIC among them) in
    // which even ASCII means something else.
    return QStringDecoder(QByteArray("windows-" + QByteArray::number(codePage)).constData());
}

std::unique_ptr<Table> buildTable(int codePage)
{
    QStringDecoder d = makeDecoder(codePage);
    if (!d.isValid())
        return nullptr;
    auto t = std::make_unique<Table>();
    for (int i = 0; i < 256; ++i) {
        const char byte = char(i);
        d.resetState();
        const QString s = d(QByteArrayView(&byte, 1));
        (*t)[i] = s.size() == 1 ? s.at(0).unicode() : char16_t(0xFFFD);
    }
    // RTF's own characters are ASCII; a page that reads them otherwise is not one of ours.
    for (int i = 0x20; i < 0x7F; ++i)
        if ((*t)[i] != i)
            return nullptr;
    return t;
}

} // namespace

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
    case 1:
        return 0;
    case 2: // symbol fonts: the bytes read as cp1252 give the nearest shapes
        return kCp1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           codePage == 1361;
}

bool isLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xF9);
    default:
        return false;
    }
}

int toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return 0x80 + i;
    return -1;
}

const char16_t *Decoder::table(int codePage)
{
    if (codePage == kCp1252 || codePage <= 0 || isDoubleByte(codePage))
        return isDoubleByte(codePage) ? nullptr : cp1252().data();
    // Tables are built once per page for the whole program and never change after.
    static QMutex mutex;
    static std::map<int, std::unique_ptr<Table>> tables;
    QMutexLocker lock(&mutex);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, buildTable(codePage)).first;
    return it->second ? it->second->data() : cp1252().data();
}

void Decoder::decode(int codePage, QByteArrayView bytes, QString &out)
{
    if (bytes.isEmpty())
        return;
    if (const char16_t *t = table(codePage)) {
        const qsizetype at = out.size();
        out.resize(at + bytes.size());
        char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + at;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            dst[i] = t[static_cast<unsigned char>(bytes[i])];
        return;
    }
    auto &d = m_multi[codePage];
    if (!d) {
        d = std::make_unique<QStringDecoder>(makeDecoder(codePage));
        if (!d->isValid()) {
            d.reset();
            m_multi.erase(codePage);
            decode(kCp1252, bytes, out);
            return;
        }
    }
    d->resetState();
    out += d->decode(bytes);
}

} // namespace lc::rtf::detail
