#include "collection_rtf.h"

#include <QString>

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

std::string document(QStringView text)
{
    std::string out(kHeader);
    out.reserve(size_t(text.size()) + 512);
    // Leading and trailing blank lines are an artefact of how the texts are written down.
    QStringView body = text.trimmed();
    for (QStringView line : body.tokenize(u'\n')) {
        if (line.startsWith(u"= ")) {
            appendHeading(out, line.mid(2));
        } else {
            appendLine(out, line);
            out += kParagraphEnd;
        }
    }
    out += kFooter;
    return out;
}

} // namespace lc::collection::rtf
