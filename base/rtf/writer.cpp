#include "rtf.h"

#include "codepages.h"

#include <QBuffer>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

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

struct ParaProps {
    int align = 0;
    int left = 0, right = 0, first = 0, before = 0, after = 0, line = 0;
    bool lineMultiple = false;
    bool operator==(const ParaProps &) const = default;
};

int twips(qreal pixels)
{
    return qRound(pixels * 15.0);
}

class Writer {
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc)
    {
        // Font 0 is the document's own, so \deff0 names it.
        fontIndex(doc.defaultFont().family(), 0);
    }

    QByteArray run(int from, int to, bool whole)
    {
        for (QTextBlock block = m_doc.findBlock(from); block.isValid() && block.position() < to;
             block = block.next())
            writeBlock(block, from, to, whole);
        closeLink();

        QByteArray out;
        out.reserve(m_body.size() + 512);
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
        for (size_t i = 0; i < m_fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(qsizetype(i)) + "\\fnil\\fcharset" +
                   QByteArray::number(m_fonts[i].second) + ' ';
            const int cp = detail::codePageOfCharset(m_fonts[i].second);
            out += escapedName(m_fonts[i].first, cp == 0 || cp == detail::kCp1252);
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

    int fontIndex(const QString &family, int charset)
    {
        for (size_t i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].first == family && m_fonts[i].second == charset)
                return int(i);
        m_fonts.emplace_back(family, charset);
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
        p.font = fontIndex(family, f.intProperty(FontCharset));
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
        const int cp = detail::codePageOfCharset(m_fonts[size_t(m_char.font)].second);
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
            if (keptId != lastKept) {
                closeLink();
                raw(f.property(KeptBefore).toByteArray());
                lastKept = keptId;
            }
            openLink(f.isAnchor() ? f.anchorHref() : QString());
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
    std::vector<std::pair<QString, int>> m_fonts;
    std::vector<QRgb> m_colors;
    CharProps m_char;
    ParaProps m_para;
    bool m_havePara = false;
    QString m_link;
    CharProps m_linkSaved;
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
