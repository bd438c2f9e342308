#include "rtf.h"

#include "parser.h"
#include "pictures.h"

#include <QCryptographicHash>
#include <QSet>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <utility>
#include <vector>

#include <atomic>

namespace lc::rtf {
namespace {

using detail::CharState;
using detail::FontEntry;
using detail::ParaState;
using detail::TabStop;

// What to draw when the named face is missing: the family word says it, and for a file that
// gave none (rich-edit controls write \fnil) the name may.
QFont::StyleHint styleHint(const FontEntry &font)
{
    switch (font.family) {
    case FontEntry::Roman:
        return QFont::Serif;
    case FontEntry::Swiss:
        return QFont::SansSerif;
    case FontEntry::Modern:
        return QFont::TypeWriter;
    case FontEntry::Script:
        return QFont::Cursive;
    case FontEntry::Decor:
        return QFont::Fantasy;
    default:
        return styleHintOf(font.name);
    }
}

QTextOption::TabType tabType(TabStop::Kind kind)
{
    switch (kind) {
    case TabStop::Right:
        return QTextOption::RightTab;
    case TabStop::Center:
        return QTextOption::CenterTab;
    case TabStop::Decimal:
        return QTextOption::DelimiterTab;
    default:
        return QTextOption::LeftTab;
    }
}

class DocumentSink : public detail::Sink {
public:
    explicit DocumentSink(QTextDocument &doc) : m_doc(doc), m_cursor(&doc) {}
    void setParser(const detail::Parser *parser) { m_parser = parser; }
    QTextCursor &cursor() { return m_cursor; }

    void text(const QString &text, const CharState &state) override
    {
        if (m_kept.isEmpty()) {
            m_cursor.insertText(text, charFormat(state));
            return;
        }
        QTextCharFormat f = charFormat(state);
        markKept(f);
        m_cursor.insertText(text, f);
    }

    void endParagraph(const ParaState &para, const CharState &state) override
    {
        QTextBlockFormat b = cachedBlockFormat(para);
        const QTextCharFormat c = charFormat(state);
        if (!m_kept.isEmpty()) {
            b.setProperty(KeptAtEnd, m_kept);
            m_kept.clear();
            m_cursor.setBlockFormat(b);
            m_cursor.setBlockCharFormat(c);
            // The next block must not inherit what was kept before this mark.
            m_blockKnown = false;
            return;
        }
        // Most paragraphs look like the one before, whose formats a new block starts with.
        if (!m_blockKnown || !(b == m_blockFormat))
            m_cursor.setBlockFormat(b);
        if (!m_blockKnown || !(c == m_blockCharFormat))
            m_cursor.setBlockCharFormat(c);
        m_blockFormat = b;
        m_blockCharFormat = c;
        m_blockKnown = true;
    }

    void newParagraph() override
    {
        if (m_blockKnown)
            m_cursor.insertBlock(m_blockFormat, m_blockCharFormat);
        else
            m_cursor.insertBlock();
    }

    void picture(detail::Picture &&pic, const CharState &state) override
    {
        const QUrl url = pictureUrl(pic.source);
        if (!m_resources.contains(url)) {
            m_resources.insert(url);
            m_doc.addResource(QTextDocument::ImageResource, url,
                              pic.image.isNull() ? detail::placeholderImage() : pic.image);
        }
        QTextImageFormat f;
        f.merge(charFormat(state));
        f.setName(url.toString());
        f.setWidth(pic.size.width());
        f.setHeight(pic.size.height());
        f.setProperty(PictureSource, pic.source);
        if (!m_kept.isEmpty())
            markKept(f);
        m_cursor.insertImage(f);
    }

    void kept(QByteArrayView group) override { m_kept.append(group); }

private:
    void markKept(QTextFormat &f)
    {
        // Unique for the whole program: text pasted from elsewhere cannot share one.
        static std::atomic<int> lastId{0};
        f.setProperty(KeptBefore, m_kept);
        f.setProperty(KeptId, ++lastId);
        m_kept.clear();
    }

    // A document switches among a handful of character states (plain, bold, a colour...):
    // each is turned into a format once, and the same format object keeps its hash.
    QTextCharFormat charFormat(const CharState &s)
    {
        if (m_formats.size() > m_lastFormat && m_formats[m_lastFormat].first == s)
            return m_formats[m_lastFormat].second;
        for (size_t i = 0; i < m_formats.size(); ++i)
            if (m_formats[i].first == s) {
                m_lastFormat = i;
                return m_formats[i].second;
            }
        QTextCharFormat f = makeCharFormat(s);
        if (m_formats.size() < kCachedFormats) {
            m_formats.emplace_back(s, f);
            m_lastFormat = m_formats.size() - 1;
        } else {
            m_lastFormat = m_nextEvicted;
            m_formats[m_lastFormat] = {s, f};
            m_nextEvicted = (m_nextEvicted + 1) % kCachedFormats;
        }
        return f;
    }

    QTextBlockFormat cachedBlockFormat(const ParaState &p)
    {
        if (!m_haveLastPara || !(p == m_lastPara)) {
            m_lastParaFormat = blockFormat(p);
            m_lastPara = p;
            m_haveLastPara = true;
        }
        return m_lastParaFormat;
    }

    QTextCharFormat makeCharFormat(const CharState &s) const
    {
        QTextCharFormat f;
        if (const detail::FontEntry *font = m_parser->font(s.font)) {
            if (!font->name.isEmpty())
                f.setFontFamilies(QStringList{font->name});
            if (font->charset >= 2)
                f.setProperty(FontCharset, font->charset);
            // Set even when it is "any": the document's default font must not lend its own.
            f.setFontStyleHint(styleHint(*font));
            f.setProperty(FontFamilyKind, int(font->family));
        }
        if (s.label)
            f.setProperty(ListLabel, int(s.label));
        if (s.size > 0)
            f.setFontPointSize(s.size / 2.0);
        if (s.bold)
            f.setFontWeight(QFont::Bold);
        if (s.italic)
            f.setFontItalic(true);
        if (s.underline)
            f.setFontUnderline(true);
        if (s.strike)
            f.setFontStrikeOut(true);
        if (const QColor c = m_parser->color(s.color); c.isValid())
            f.setForeground(c);
        if (const QColor c = m_parser->color(s.background); c.isValid())
            f.setBackground(c);
        if (s.vertical != 0)
            f.setVerticalAlignment(s.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                  : QTextCharFormat::AlignSubScript);
        if (s.link >= 0) {
            f.setAnchor(true);
            f.setAnchorHref(m_parser->link(s.link));
        }
        return f;
    }

    static QTextBlockFormat blockFormat(const ParaState &p)
    {
        QTextBlockFormat b;
        switch (p.align) {
        case 1:
            b.setAlignment(Qt::AlignHCenter);
            break;
        case 2:
            b.setAlignment(Qt::AlignRight);
            break;
        case 3:
            b.setAlignment(Qt::AlignJustify);
            break;
        default:
            break;
        }
        if (p.left)
            b.setLeftMargin(p.left / 15.0);
        if (p.right)
            b.setRightMargin(p.right / 15.0);
        if (p.first)
            b.setTextIndent(p.first / 15.0);
        if (p.before)
            b.setTopMargin(p.before / 15.0);
        if (p.after)
            b.setBottomMargin(p.after / 15.0);
        if (p.line > 0 && p.lineMultiple)
            b.setLineHeight(p.line * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (p.line > 0)
            b.setLineHeight(p.line / 15.0, QTextBlockFormat::MinimumHeight);
        else if (p.line < 0)
            b.setLineHeight(-p.line / 15.0, QTextBlockFormat::FixedHeight);
        setTabs(b, p);
        return b;
    }

    static void setTabs(QTextBlockFormat &b, const ParaState &p)
    {
        std::vector<TabStop> stops;
        QList<int> bars;
        for (int i = 0; i < p.tabCount; ++i) {
            if (p.tabs[size_t(i)].kind == TabStop::Bar)
                bars << p.tabs[size_t(i)].position;
            else
                stops.push_back(p.tabs[size_t(i)]);
        }
        // A hanging indent stops the first line's first tab at the left indent, unless a stop
        // of its own comes first.
        const int lineStart = p.left + p.first;
        const bool hanging = p.first < 0 && p.left > 0 &&
                             std::none_of(stops.begin(), stops.end(), [&](const TabStop &t) {
                                 return t.position > lineStart && t.position <= p.left;
                             });
        if (hanging) {
            TabStop t;
            t.position = std::int16_t(p.left);
            stops.push_back(t);
            b.setProperty(HangingTab, true);
        }
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop &a, const TabStop &c) {
            return a.position < c.position;
        });
        QList<QTextOption::Tab> tabs;
        QByteArray leaders;
        for (const TabStop &t : stops) {
            // RTF measures from the margin, Qt from where the first line starts.
            tabs << QTextOption::Tab((t.position - lineStart) / 15.0, tabType(t.kind),
                                     t.kind == TabStop::Decimal ? QChar(u'.') : QChar());
            leaders.append(char(t.leader));
        }
        if (!tabs.isEmpty())
            b.setTabPositions(tabs);
        if (leaders.count(char(TabStop::None)) != leaders.size())
            b.setProperty(TabLeaders, leaders);
        if (!bars.isEmpty())
            b.setProperty(BarTabs, QVariant::fromValue(bars));
    }

    QTextDocument &m_doc;
    QTextCursor m_cursor;
    const detail::Parser *m_parser = nullptr;
    static constexpr size_t kCachedFormats = 32;
    std::vector<std::pair<CharState, QTextCharFormat>> m_formats;
    size_t m_lastFormat = 0;
    size_t m_nextEvicted = 0;
    ParaState m_lastPara;
    QTextBlockFormat m_lastParaFormat;
    bool m_haveLastPara = false;
    // The formats the current block was given or started with.
    QTextBlockFormat m_blockFormat;
    QTextCharFormat m_blockCharFormat;
    bool m_blockKnown = false;
    QByteArray m_kept;
    QSet<QUrl> m_resources;
};

} // namespace

bool isRtf(QByteArrayView data)
{
    return detail::Parser::isRtf(data);
}

void read(QByteArrayView rtf, QTextDocument &document, const ReadOptions &options)
{
    // No undo history and one edit block: a load is one step, and it is much faster so.
    installFontSubstitutes();
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    DocumentSink sink(document);
    // A character cut in two at the end is dropped, not read as another code page.
    if (options.stopAfter > 0 && rtf.size() > 2 * options.stopAfter)
        rtf = rtf.first(2 * options.stopAfter);
    detail::Parser parser(rtf, sink);
    parser.setCancel(options.cancel);
    parser.setStopAfter(options.stopAfter);
    sink.setParser(&parser);
    sink.cursor().beginEditBlock();
    parser.run(options.fragment);
    sink.cursor().endEditBlock();
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(parser.defaultTab() / 15.0);
    document.setDefaultTextOption(option);
    document.setUndoRedoEnabled(undo);
}

QByteArray toBytes(const QString &rtf)
{
    for (const QChar c : rtf) {
        if (c.unicode() > 0xFF) {
            // Not bytes held as characters but text: characters beyond ASCII become \uN.
            QByteArray out;
            out.reserve(rtf.size() + 64);
            for (const QChar ch : rtf) {
                if (ch.unicode() < 0x80)
                    out.append(char(ch.unicode()));
                else
                    out.append("\\u" + QByteArray::number(qint16(ch.unicode())) + '?');
            }
            return out;
        }
    }
    return rtf.toLatin1();
}

QString fromBytes(QByteArrayView rtf)
{
    return QString::fromLatin1(rtf);
}

QUrl pictureUrl(QByteArrayView source)
{
    const QByteArray hash = QCryptographicHash::hash(source, QCryptographicHash::Sha1).toHex();
    return QUrl(QStringLiteral("rtfpicture:") + QString::fromLatin1(hash));
}

} // namespace lc::rtf
