#include "collection_rtf.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace lc::collection::rtf {
namespace {

struct Tag {
    std::string_view name;
    std::string_view word;
};

const Tag kTags[] = {
    {"[b]", "\\b"},     {"[/b]", "\\b0"},     {"[i]", "\\i"},      {"[/i]", "\\i0"},
    {"[u]", "\\ul"},    {"[/u]", "\\ulnone"}, {"[blue]", "\\cf1"}, {"[/blue]", "\\cf0"},
    {"[red]", "\\cf2"}, {"[/red]", "\\cf0"},  {"[mono]", "\\f1"},  {"[/mono]", "\\f0"},
    {"[tab]", "\\tab"},
};

// The cp1252 bytes 0x80-0x9F are typographic marks rather than control codes; rich edit
// writes them as \'hh like any other byte above 0x7F.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c && c != 0)
            return 0x80 + i;
    return -1;
}

const Tag *tagAt(QStringView line, qsizetype pos)
{
    for (const Tag &tag : kTags) {
        const auto size = qsizetype(tag.name.size());
        if (line.size() - pos >= size &&
            line.mid(pos, size) == QLatin1String(tag.name.data(), size))
            return &tag;
    }
    return nullptr;
}

} // namespace

void appendLine(std::string &out, QStringView line)
{
    // A control word ends at the first character that cannot continue it; a space there is
    // swallowed as the delimiter, so one goes in only before plain text.
    bool delimit = false;
    auto text = [&](char c) {
        if (delimit)
            out += ' ';
        delimit = false;
        out += c;
    };
    auto symbol = [&](std::string_view s) {
        out += s;
        delimit = false;
    };
    char hex[8];
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t c = line[i].unicode();
        if (c == u'[') {
            if (const Tag *tag = tagAt(line, i)) {
                out += tag->word;
                delimit = true;
                i += qsizetype(tag->name.size()) - 1;
                continue;
            }
        }
        if (c == u'\t') {
            out += "\\tab";
            delimit = true;
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            symbol(c == u'\\' ? "\\\\" : c == u'{' ? "\\{" : "\\}");
        } else if (c >= 0x20 && c < 0x7F) {
            text(char(c));
        } else if (const int byte = toCp1252(c); byte >= 0x80) {
            std::snprintf(hex, sizeof hex, "\\'%02x", byte);
            symbol(hex);
        } else if (c >= 0x80) {
            // Outside cp1252: the Unicode form with a '?' for readers that skip it (\uc1).
            out += "\\u" + std::to_string(qint16(c)) + "?";
            delimit = false;
        }
        // Other control characters carry nothing worth keeping.
    }
    if (delimit)
        out += ' ';
}

void appendHeading(std::string &out, QStringView text)
{
    out += "\\cf1\\b\\fs24 ";
    appendLine(out, text);
    out += "\\cf0\\b0\\fs20";
    out += kParagraphEnd;
}

void appendMapPicture(std::string &out)
{
    constexpr int w = 160;
    constexpr int h = 100;
    constexpr int stride = (w * 3 + 3) / 4 * 4;
    std::string dib;
    auto le = [&dib](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            dib += char((v >> (8 * i)) & 0xff);
    };
    // BITMAPINFOHEADER: size, width, height (bottom-up), planes, bits, no compression.
    le(40, 4), le(w, 4), le(h, 4), le(1, 2), le(24, 2), le(0, 4);
    le(uint32_t(stride * h), 4), le(2835, 4), le(2835, 4), le(0, 4), le(0, 4);
    for (int row = h - 1; row >= 0; --row) {
        for (int x = 0; x < w; ++x) {
            const double lx = (x - 110) / 32.0, ly = (row - 35) / 20.0;
            const bool lake = lx * lx + ly * ly < 1.0;
            const bool path = std::abs(row - (80 - x / 3)) <= 2;
            const bool mark = std::abs(x - 40) == std::abs(row - 30) && std::abs(x - 40) <= 6;
            const bool edge = x == 0 || row == 0 || x == w - 1 || row == h - 1;
            unsigned r = 226, g = 236, b = 214; // snow field
            if (lake)
                r = 120, g = 170, b = 220;
            if (path)
                r = 150, g = 110, b = 70;
            if (mark || edge)
                r = 170, g = 20, b = 20;
            dib += char(b), dib += char(g), dib += char(r); // stored blue first
        }
        dib.append(size_t(stride - w * 3), '\0');
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out += "{\\pict\\dibitmap0\\picw" + std::to_string(w) + "\\pich" + std::to_string(h) +
           "\\picwgoal" + std::to_string(w * 15) + "\\pichgoal" + std::to_string(h * 15) + "\r\n";
    for (size_t i = 0; i < dib.size(); ++i) {
        const auto c = static_cast<unsigned char>(dib[i]);
        out += kHex[c >> 4];
        out += kHex[c & 15];
        if (i % 64 == 63)
            out += "\r\n";
    }
    out += "}";
    out += kParagraphEnd;
}

std::string document(QStringView text)
{
    std::string out(kHeader);
    out.reserve(size_t(text.size()) + 512);
    // Leading and trailing blank lines are an artefact of how the texts are written down.
    QStringView body = text.trimmed();
    for (QStringView line : body.tokenize(u'\n')) {
        if (line.startsWith(u"= ")) {
            appendHeading(out, line.mid(2));
        } else if (line == u"[map]") {
            appendMapPicture(out);
        } else {
            appendLine(out, line);
            out += kParagraphEnd;
        }
    }
    out += kFooter;
    return out;
}

} // namespace lc::collection::rtf
