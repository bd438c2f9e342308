#include "rtf.h"

#include "codepages.h"

#include <QBuffer>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextOption>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace lc::rtf {
namespace {

struct CharProps {
    int font = -1;
    int size = 24;
    int color = 0;
    int background = 0;
    int vertical = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

struct Tab {
    int position = 0; // twips
    QTextOption::TabType type = QTextOption::LeftTab;
    int leader = 0;
    bool operator==(const Tab &) const = default;
};

struct ParaProps {
    int align = 0;
    int left = 0, right = 0, first = 0, before = 0, after = 0, line = 0;
    bool lineMultiple = false;
    std::vector<Tab> tabs;
    QList<int> bars;
    bool operator==(const ParaProps &) const = default;
};

struct Font {
    QString name;
    int charset = 0;
    int family = 0; // the reader's family word number
    bool operator==(const Font &) const = default;
};

constexpr const char *kFamilyWords[] = {"\\fnil",    "\\froman", "\\fswiss", "\\fmodern",
                                        "\\fscript", "\\fdecor", "\\ftech",  "\\fbidi"};
constexpr const char *kLeaderWords[] = {"",       "\\tldot", "\\tlmdot", "\\tlhyph",
                                        "\\tlul", "\\tlth",  "\\tleq"};
constexpr int kDefaultTab = 720;
constexpr int kQtDefaultTab = 1200; // a document's 80 pixels when nobody set them
constexpr int kMaxTabTwips = 31680;

int twips(qreal pixels)
{
    return qRound(pixels * 15.0);
}

// The family word a font gets when none was read with it.
int familyOfHint(QFont::StyleHint hint)
{
    switch (hint) {
    case QFont::Serif:
        return 1;
    case QFont::SansSerif:
        return 2;
    case QFont::TypeWriter:
        return 3;
    case QFont::Cursive:
        return 4;
    case QFont::Fantasy:
    case QFont::Decorative:
        return 5;
    default:
        return 0;
    }
}

class Writer {
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc)
    {
        // Font 0 is the document's own, so \deff0 names it.
        fontIndex({doc.defaultFont().family(), 0, familyOfHint(doc.defaultFont().styleHint())});
    }

    QByteArray run(int from, int to, bool whole)
    {
        for (QTextBlock block = m_doc.findBlock(from); block.isValid() && block.position() < to;
             block = block.next())
            writeBlock(block, from, to, whole);
        closeLink();

        QByteArray out;
        out.reserve(m_body.size() + 512);
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0";
        // Qt's own default distance means none was read: the control's half inch.
        const qreal distance = m_doc.defaultTextOption().tabStopDistance();
        if (const int deftab = twips(distance);
            deftab > 0 && deftab != kDefaultTab && deftab != kQtDefaultTab)
            out += "\\deftab" + QByteArray::number(std::min(deftab, kMaxTabTwips));
        out += "\\deflang1033{\\fonttbl";
        for (size_t i = 0; i < m_fonts.size(); ++i) {
            const Font &font = m_fonts[i];
            out += "{\\f" + QByteArray::number(qsizetype(i)) +
                   kFamilyWords[std::clamp(font.family, 0, 7)] + "\\fcharset" +
                   QByteArray::number(font.charset) + ' ';
            const int cp = detail::codePageOfCharset(font.charset);
            out += escapedName(font.name, cp == 0 || cp == detail::kCp1252);
            out += ";}";
        }
        out += "}\r\n";
        if (!m_colors.empty()) {
            out += "{\\colortbl ;";
            for (const QRgb c : m_colors)
                out += "\\red" + QByteArray::number(qRed(c)) + "\\green" +
                       QByteArray::number(qGreen(c)) + "\\blue" + QByteArray::number(qBlue(c)) +
                       ';';
            out += "}\r\n";
        }
        out += "\\viewkind4\\uc1";
        out += m_body;
        out += "}\r\n";
        return out;
    }

private:
    void word(const char *w)
    {
        m_body += w;
        m_space = true;
    }
    void word(const char *w, int param)
    {
        m_body += w;
        m_body += QByteArray::number(param);
        m_space = true;
    }
    void raw(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return; // nothing written: a control word before still needs its delimiter
        m_body += bytes;
        m_space = false;
    }

    int fontIndex(const Font &font)
    {
        auto it = std::find(m_fonts.begin(), m_fonts.end(), font);
        if (it != m_fonts.end())
            return int(it - m_fonts.begin());
        m_fonts.push_back(font);
        return int(m_fonts.size()) - 1;
    }

    int colorIndex(const QBrush &brush)
    {
        if (brush.style() == Qt::NoBrush)
            return 0;
        const QRgb rgb = brush.color().rgb() | 0xFF000000u;
        auto it = std::find(m_colors.begin(), m_colors.end(), rgb);
        if (it != m_colors.end())
            return int(it - m_colors.begin()) + 1;
        m_colors.push_back(rgb);
        return int(m_colors.size());
    }

    CharProps props(const QTextCharFormat &f)
    {
        CharProps p;
        const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
        const QString family = families.isEmpty() || families.first().isEmpty()
                                   ? m_doc.defaultFont().family()
                                   : families.first();
        // The family word read with the font, else the one its style hint implies.
        int kind = 0;
        if (f.hasProperty(FontFamilyKind) && f.intProperty(FontFamilyKind) >= 0)
            kind = f.intProperty(FontFamilyKind);
        else if (f.hasProperty(QTextFormat::FontStyleHint))
            kind = familyOfHint(f.fontStyleHint());
        else if (families.isEmpty() || families.first().isEmpty())
            kind = familyOfHint(m_doc.defaultFont().styleHint());
        p.font = fontIndex({family, f.intProperty(FontCharset), kind});
        double points = f.hasProperty(QTextFormat::FontPointSize)
                            ? f.fontPointSize()
                            : m_doc.defaultFont().pointSizeF();
        if (points <= 0)
            points = 12;
        p.size = std::clamp(qRound(points * 2), 2, 3276);
        p.bold = f.fontWeight() > QFont::Medium;
        p.italic = f.fontItalic();
        p.underline = f.fontUnderline();
        p.strike = f.fontStrikeOut();
        p.color = f.hasProperty(QTextFormat::ForegroundBrush) ? colorIndex(f.foreground()) : 0;
        p.background = f.hasProperty(QTextFormat::BackgroundBrush) ? colorIndex(f.background()) : 0;
        const auto v = f.verticalAlignment();
        p.vertical = v == QTextCharFormat::AlignSuperScript ? 1
                     : v == QTextCharFormat::AlignSubScript ? -1
                                                            : 0;
        return p;
    }

    void setChar(const CharProps &p)
    {
        CharProps &c = m_char;
        if (p.font != c.font)
            word("\\f", p.font);
        if (p.size != c.size)
            word("\\fs", p.size);
        if (p.color != c.color)
            word("\\cf", p.color);
        if (p.background != c.background)
            word("\\highlight", p.background);
        if (p.bold != c.bold)
            word(p.bold ? "\\b" : "\\b0");
        if (p.italic != c.italic)
            word(p.italic ? "\\i" : "\\i0");
        if (p.underline != c.underline)
            word(p.underline ? "\\ul" : "\\ulnone");
        if (p.strike != c.strike)
            word(p.strike ? "\\strike" : "\\strike0");
        if (p.vertical != c.vertical)
            word(p.vertical > 0 ? "\\super" : p.vertical < 0 ? "\\sub" : "\\nosupersub");
        c = p;
    }

    static ParaProps paraProps(const QTextBlockFormat &b)
    {
        ParaProps p;
        const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
        p.align = a == Qt::AlignHCenter                             ? 1
                  : (a == Qt::AlignRight || a == Qt::AlignTrailing) ? 2
                  : a == Qt::AlignJustify                           ? 3
                                                                    : 0;
        p.left = twips(b.leftMargin());
        p.right = twips(b.rightMargin());
        p.first = twips(b.textIndent());
        p.before = twips(b.topMargin());
        p.after = twips(b.bottomMargin());
        readTabs(b, p);
        switch (b.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (qRound(b.lineHeight()) != 100) {
                p.line = qRound(b.lineHeight() * 2.4);
                p.lineMultiple = true;
            }
            break;
        case QTextBlockFormat::MinimumHeight:
            p.line = twips(b.lineHeight());
            break;
        case QTextBlockFormat::FixedHeight:
            p.line = -twips(b.lineHeight());
            break;
        default:
            break;
        }
        return p;
    }

    static void readTabs(const QTextBlockFormat &b, ParaProps &p)
    {
        const QByteArray leaders = b.property(TabLeaders).toByteArray();
        bool implied = b.boolProperty(HangingTab);
        const QList<QTextOption::Tab> tabs = b.tabPositions();
        for (qsizetype i = 0; i < tabs.size(); ++i) {
            Tab t;
            // Qt measures from where the first line starts, RTF from the margin.
            t.position = std::clamp(twips(tabs[i].position) + p.left + p.first, 0, kMaxTabTwips);
            t.type = tabs[i].type;
            t.leader = i < leaders.size() ? std::clamp(int(leaders[i]), 0, 6) : 0;
            // The stop a hanging indent implies is the indent's, not a stop of its own.
            if (implied && t.position == p.left && t.type == QTextOption::LeftTab) {
                implied = false;
                continue;
            }
            p.tabs.push_back(t);
        }
        p.bars = b.property(BarTabs).value<QList<int>>();
    }

    void setPara(const ParaProps &p)
    {
        if (m_havePara && p == m_para)
            return;
        m_havePara = true;
        m_para = p;
        word("\\pard");
        if (p.align == 1)
            word("\\qc");
        else if (p.align == 2)
            word("\\qr");
        else if (p.align == 3)
            word("\\qj");
        if (p.left)
            word("\\li", p.left);
        if (p.right)
            word("\\ri", p.right);
        if (p.first)
            word("\\fi", p.first);
        if (p.before)
            word("\\sb", p.before);
        if (p.after)
            word("\\sa", p.after);
        if (p.line) {
            word("\\sl", p.line);
            word("\\slmult", p.lineMultiple ? 1 : 0);
        }
        for (const Tab &t : p.tabs) {
            if (t.type == QTextOption::RightTab)
                word("\\tqr");
            else if (t.type == QTextOption::CenterTab)
                word("\\tqc");
            else if (t.type == QTextOption::DelimiterTab)
                word("\\tqdec");
            if (t.leader > 0)
                word(kLeaderWords[t.leader]);
            word("\\tx", t.position);
        }
        for (const int bar : p.bars)
            word("\\tb", std::clamp(bar, 0, kMaxTabTwips));
    }

    // A list label goes back into its own group, whose formatting ends with it.
    void openLabel(int label)
    {
        if (label == m_label)
            return;
        closeLabel();
        if (label <= 0)
            return;
        m_label = label;
        m_labelSaved = m_char;
        word(label == 2 ? "{\\listtext" : "{\\pntext");
    }

    void closeLabel()
    {
        if (!m_label)
            return;
        raw("}");
        m_label = 0;
        m_char = m_labelSaved;
    }

    void openLink(const QString &href)
    {
        if (href == m_link)
            return;
        closeLink();
        if (href.isEmpty())
            return;
        m_link = href;
        m_linkSaved = m_char;
        raw("{\\field{\\*\\fldinst{HYPERLINK \"");
        // Inside the quotes a backslash is doubled and a quote escaped, as fields want.
        QString quoted = href;
        quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
        writeName(quoted, true);
        raw("\"}}{\\fldrslt{");
    }

    void closeLink()
    {
        closeLabel();
        if (m_link.isEmpty())
            return;
        raw("}}}");
        m_link.clear();
        m_char = m_linkSaved; // the field's groups scoped its formatting
    }

    // Bytes as \'hh are read through the font's code page, so only fonts of the ANSI one
    // get them; text in any other font goes as \uN.
    bool bytesAllowed() const
    {
        if (m_char.font < 0 || m_char.font >= int(m_fonts.size()))
            return true;
        const int cp = detail::codePageOfCharset(m_fonts[size_t(m_char.font)].charset);
        return cp == 0 || cp == detail::kCp1252;
    }

    void writeText(QStringView text) { writeText(text, bytesAllowed()); }

    // Names (fonts, link targets) have no tabs, breaks or symbol words; their characters go
    // as bytes or \uN like any other.
    void writeName(QStringView text, bool bytes)
    {
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\t' || u == u'\n' || u == 0x2028)
                continue;
            if (u == u';')
                raw("\\'3b"); // a bare one would end a font's entry
            else if (u == 0x00A0 || u == 0x00AD || u == 0x2011)
                writeEncoded(u, bytes);
            else
                writeText(QStringView(&c, 1), bytes);
        }
    }

    void writeEncoded(char16_t c, bool bytes)
    {
        if (const int b = bytes ? detail::toCp1252(c) : -1; b >= 0x80) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\'%02x", b);
            raw(buf);
            return;
        }
        // Outside cp1252: the Unicode form with a '?' for readers that cannot use it.
        m_body += "\\u";
        m_body += QByteArray::number(qint16(c));
        m_body += '?';
        m_space = false;
    }

    void writeText(QStringView text, bool bytes)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}') {
                if (m_space)
                    m_body += ' ';
                m_space = false;
                m_body += char(c);
                continue;
            }
            switch (c) {
            case u'\\':
                raw("\\\\");
                continue;
            case u'{':
                raw("\\{");
                continue;
            case u'}':
                raw("\\}");
                continue;
            case u'\t':
                word("\\tab");
                continue;
            case 0x2028:
            case u'\n':
                word("\\line");
                continue;
            case 0x00A0:
                raw("\\~");
                continue;
            case 0x00AD:
                raw("\\-");
                continue;
            case 0x2011:
                raw("\\_");
                continue;
            case QChar::ObjectReplacementCharacter:
                continue;
            default:
                break;
            }
            if (c < 0x20)
                continue;
            writeEncoded(c, bytes);
        }
    }

    QByteArray escapedName(const QString &name, bool bytes)
    {
        QByteArray saved;
        std::swap(saved, m_body);
        const bool space = m_space;
        m_space = false;
        writeName(name, bytes);
        std::swap(saved, m_body);
        m_space = space;
        return saved;
    }

    void writeImage(const QTextImageFormat &f)
    {
        QByteArray source = f.property(PictureSource).toByteArray();
        if (source.isEmpty()) {
            const QVariant v = m_doc.resource(QTextDocument::ImageResource, QUrl(f.name()));
            QImage image = v.value<QImage>();
            if (image.isNull())
                image = v.value<QPixmap>().toImage();
            if (image.isNull())
                return;
            const QSizeF shown(f.width() > 0 ? f.width() : image.width(),
                               f.height() > 0 ? f.height() : image.height());
            source = pictureGroup(image, shown);
        }
        raw(source);
    }

    void writeBlock(const QTextBlock &block, int from, int to, bool whole)
    {
        closeLink();
        setPara(paraProps(block.blockFormat()));
        bool empty = true;
        int lastKept = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int start = std::max(frag.position(), from);
            const int end = std::min(frag.position() + frag.length(), to);
            if (start >= end)
                continue;
            empty = false;
            const QTextCharFormat f = frag.charFormat();
            // A fragment split by later editing carries the same group: written once.
            const int keptId = f.intProperty(KeptId);
            if (f.intProperty(ListLabel) != m_label || keptId != lastKept)
                closeLabel();
            if (keptId != lastKept) {
                closeLink();
                raw(f.property(KeptBefore).toByteArray());
                lastKept = keptId;
            }
            openLink(f.isAnchor() ? f.anchorHref() : QString());
            openLabel(f.intProperty(ListLabel));
            if (f.isImageFormat()) {
                const QTextImageFormat image = f.toImageFormat();
                for (int i = start; i < end; ++i)
                    writeImage(image);
                continue;
            }
            setChar(props(f));
            writeText(QStringView(frag.text()).mid(start - frag.position(), end - start));
        }
        const int mark = block.position() + block.length() - 1;
        if (!whole && mark >= to)
            return;
        closeLink();
        if (empty)
            setChar(props(block.charFormat()));
        raw(block.blockFormat().property(KeptAtEnd).toByteArray());
        raw("\\par\r\n");
    }

    const QTextDocument &m_doc;
    QByteArray m_body;
    bool m_space = false;
    std::vector<Font> m_fonts;
    std::vector<QRgb> m_colors;
    CharProps m_char;
    ParaProps m_para;
    bool m_havePara = false;
    QString m_link;
    CharProps m_linkSaved;
    int m_label = 0;
    CharProps m_labelSaved;
};

} // namespace

QByteArray write(const QTextDocument &document)
{
    return Writer(document).run(0, document.characterCount(), true);
}

QByteArray write(const QTextDocument &document, int from, int to)
{
    from = std::clamp(from, 0, document.characterCount() - 1);
    to = std::clamp(to, from, document.characterCount() - 1);
    return Writer(document).run(from, to, false);
}

QByteArray pictureGroup(const QImage &image, QSizeF shown)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray out = "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich" +
                     QByteArray::number(image.height()) + "\\picwgoal" +
                     QByteArray::number(twips(shown.width())) + "\\pichgoal" +
                     QByteArray::number(twips(shown.height())) + "\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += hex.mid(i, 128);
        out += "\r\n";
    }
    out += '}';
    return out;
}

} // namespace lc::rtf
