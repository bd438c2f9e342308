#include "parser.h"

#include "keywords.h"
#include "pictures.h"

#include <QStringDecoder>

#include <algorithm>

namespace lc::rtf::detail {
namespace {

// Deeper nesting than this only counts braces: its state would be memory spent on malice.
constexpr int kMaxDepth = 1000;
// Bounds for tables a hostile file could grow without end.
constexpr int kMaxFonts = 8192;
constexpr int kMaxColors = 8192;
constexpr int kMaxInstruction = 4096;
constexpr int kMaxFontName = 256;
constexpr int kMaxTwips = 31680; // 22 inches

// Characters a document holds as text: not control characters, and not the ones a text
// document reserves for pictures, paragraph marks and frames.
bool isTextChar(char16_t c)
{
    if (c < 0x20)
        return c == u'\t';
    return c != 0xFFFC && c != 0x2029 && c != 0xFDD0 && c != 0xFDD1;
}

int clampTwips(int v)
{
    return std::clamp(v, -kMaxTwips, kMaxTwips);
}

bool onOff(const Token &t)
{
    return !t.hasParam || t.param != 0;
}

struct FieldWord {
    QString text;
    bool quoted = false; // a quoted word is never a switch
};

// The words of a field instruction: quoted arguments (with \\ and \" escapes), switches
// such as \l, and bare words.
std::vector<FieldWord> fieldWords(QStringView s)
{
    std::vector<FieldWord> words;
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i].isSpace()) {
            ++i;
            continue;
        }
        FieldWord w;
        if (s[i] == u'"') {
            w.quoted = true;
            for (++i; i < s.size() && s[i] != u'"'; ++i) {
                if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"'))
                    ++i;
                w.text += s[i];
            }
            ++i;
        } else {
            while (i < s.size() && !s[i].isSpace() && s[i] != u'"')
                w.text += s[i++];
        }
        words.push_back(w);
    }
    return words;
}

// The target of a HYPERLINK field: its first argument; \l names a place in the document.
QString hyperlinkTarget(const QString &instruction)
{
    const std::vector<FieldWord> words = fieldWords(instruction);
    if (words.empty() || words.front().quoted ||
        words.front().text.compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return {};
    QString target;
    for (size_t i = 1; i < words.size(); ++i) {
        const FieldWord &w = words[i];
        if (!w.quoted && w.text.size() == 2 && w.text[0] == u'\\') {
            const char16_t sw = w.text[1].toLower().unicode();
            if ((sw == u'l' || sw == u'o' || sw == u't') && i + 1 < words.size()) {
                ++i;
                if (sw == u'l')
                    target += u'#' + words[i].text;
            }
            continue;
        }
        if (target.isEmpty())
            target = w.text;
    }
    target.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    return target;
}

} // namespace

bool Parser::isRtf(QByteArrayView input)
{
    qsizetype i = 0;
    if (input.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < input.size() &&
           (input[i] == ' ' || input[i] == '\t' || input[i] == '\r' || input[i] == '\n'))
        ++i;
    return input.sliced(i).startsWith("{\\rtf");
}

const FontEntry *Parser::font(int number) const
{
    auto it = m_fonts.find(number < 0 ? m_defaultFont : number);
    return it == m_fonts.end() ? nullptr : &it->second;
}

QColor Parser::color(int index) const
{
    return index > 0 && index < int(m_colors.size()) ? m_colors[size_t(index)] : QColor();
}

QString Parser::link(int index) const
{
    return index >= 0 && index < int(m_links.size()) ? m_links[size_t(index)] : QString();
}

int Parser::codePage()
{
    const int f = top().ch.font;
    if (f == m_cpFont && m_docCodePage == m_cpDoc)
        return m_cpValue;
    m_cpFont = f;
    m_cpDoc = m_docCodePage;
    m_cpValue = m_docCodePage;
    if (const FontEntry *e = font(f)) {
        if (e->codePage > 0)
            m_cpValue = e->codePage;
        else if (const int cp = codePageOfCharset(e->charset))
            m_cpValue = cp;
    }
    return m_cpValue;
}

void Parser::run(bool fragment)
{
    m_groups.reserve(64);
    m_groups.push_back(Group{});
    if (!isRtf(m_input)) {
        top().ch.size = 0;
        runPlain();
        return;
    }
    m_lexer.seek(m_input.indexOf("{\\rtf"));
    for (unsigned tokens = 0;; ++tokens) {
        const Token t = m_lexer.next();
        if (t.type == Token::End)
            break;
        if (m_cancel && (tokens & 0xFFF) == 0 && m_cancel->load(std::memory_order_relaxed))
            return;
        handle(t);
        if (m_stopped)
            break;
    }
    flushBytes();
    flushRun();
    Group &g = top();
    if (!m_pendingParagraph) {
        m_sink.endParagraph(g.para, g.ch);
    } else if (fragment) {
        m_sink.newParagraph();
        m_sink.endParagraph(g.para, g.ch);
    }
}

void Parser::runPlain()
{
    // Not RTF: the bytes are text, UTF-8 when they are valid UTF-8, else cp1252.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(m_input);
    if (utf8.hasError()) {
        text.clear();
        m_decoder.decode(kCp1252, m_input, text);
    }
    // Control characters are no more text here than in RTF.
    text.removeIf([](QChar c) { return !isTextChar(c.unicode()) && c != u'\r' && c != u'\n'; });
    QStringView rest(text);
    if (rest.startsWith(u'\xFEFF'))
        rest = rest.mid(1);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] != u'\r' && rest[i] != u'\n')
            continue;
        if (i > start)
            emitChars(rest.mid(start, i - start));
        if (i < rest.size()) {
            paragraph();
            if (m_stopAfter > 0 && i >= m_stopAfter)
                break;
            if (rest[i] == u'\r' && i + 1 < rest.size() && rest[i + 1] == u'\n')
                ++i;
        }
        start = i + 1;
    }
    flushRun();
    if (!m_pendingParagraph)
        m_sink.endParagraph(top().para, top().ch);
    else {
        // A text ending in a line break ends in an empty line.
        m_sink.newParagraph();
        m_sink.endParagraph(top().para, top().ch);
    }
}

void Parser::handle(const Token &t)
{
    if (t.type == Token::GroupOpen || t.type == Token::GroupClose) {
        m_skip = 0;
        m_star = false;
        if (t.type == Token::GroupOpen)
            openGroup(t.offset);
        else
            closeGroup(t.offset);
        return;
    }
    const Dest dest = top().dest;
    if (dest == Dest::Skip) {
        // Only \ud can bring a skipped branch of \upr back.
        if (t.type == Token::Word && t.keyword == Ud && top().uprChild)
            word(t);
        return;
    }
    if (m_skip > 0 && dest != Dest::Picture) {
        // Fallback text of a \uN: a text byte, a \'hh, a symbol, a control word or a \bin
        // block each count as one.
        if (t.type == Token::Text) {
            const qsizetype n = std::min<qsizetype>(m_skip, t.size);
            m_skip -= int(n);
            if (n < t.size) {
                Token rest = t;
                rest.data += n;
                rest.size -= n;
                textToken(rest);
            }
            return;
        }
        --m_skip;
        return;
    }
    switch (t.type) {
    case Token::Text:
        textToken(t);
        break;
    case Token::Hex:
        if (dest == Dest::Picture)
            break;
        byteText(t.byte);
        break;
    case Token::Symbol:
        symbol(t.symbol, t.offset);
        break;
    case Token::Word:
        word(t);
        break;
    case Token::Bin:
        if (dest == Dest::Picture && m_inPicture && top().pictureRoot && m_sink.wantsPictures())
            m_picture.data.append(t.data, t.size);
        break;
    default:
        break;
    }
    if (t.type != Token::Symbol || t.symbol != '*')
        m_star = false;
}

void Parser::openGroup(qsizetype offset)
{
    flushBytes();
    if (int(m_groups.size()) >= kMaxDepth) {
        ++m_phantomDepth;
        return;
    }
    Group g = top();
    g.start = offset;
    g.sourceStart = -1;
    g.emittedAtOpen = m_emitted;
    g.keep = g.pictureRoot = g.objectRoot = g.fontEntry = false;
    g.fieldsBefore = int(m_fields.size());
    g.uprChild = g.upr;
    g.upr = false;
    switch (g.dest) {
    case Dest::Picture:
        g.dest = Dest::Skip;
        break;
    case Dest::FontTable:
        g.fontEntry = true;
        break;
    default:
        break;
    }
    if (g.uprChild)
        g.dest = Dest::Skip; // the ANSI branch of \upr; \ud reopens it
    m_groups.push_back(g);
}

void Parser::closeGroup(qsizetype offset)
{
    if (m_phantomDepth > 0) {
        --m_phantomDepth;
        return;
    }
    if (m_groups.size() <= 1)
        return; // a stray closing brace
    flushBytes();
    Group &g = top();
    const qsizetype end = offset + 1;
    if (g.pictureRoot)
        finishPicture(end);
    if (g.objectRoot)
        finishObject(end);
    if (g.fontEntry)
        finishFontEntry();
    if (g.keep) {
        flushRun();
        ++m_emitted;
        m_sink.kept(groupSource(g, end));
    }
    const int fields = g.fieldsBefore;
    m_groups.pop_back();
    if (int(m_fields.size()) > fields)
        m_fields.resize(size_t(fields));
}

void Parser::startDestination(Dest dest)
{
    Group &g = top();
    // Tables count only in the text itself: inside an object or a picture, which are written
    // back as they stand, they would redefine fonts and colours for what follows.
    if (g.dest == Dest::Body)
        g.dest = dest;
    else if (g.dest != Dest::Picture)
        g.dest = Dest::Skip;
}

void Parser::starredUnknown()
{
    // {\*\word ...} with a word we do not use: kept where it stands in the text, skipped
    // anywhere else.
    Group &g = top();
    if (g.dest == Dest::Body && m_groups.size() > 2 && fresh()) {
        g.keep = true;
        g.sourceStart = m_starOffset;
    }
    g.dest = Dest::Skip;
}

void Parser::word(const Token &t)
{
    flushBytes();
    Group &g = top();
    const bool star = m_star;
    m_star = false;
    const int k = t.keyword;

    // Words that choose what a group is.
    switch (k) {
    case Fonttbl:
        startDestination(Dest::FontTable);
        return;
    case Colortbl:
        startDestination(Dest::ColorTable);
        if (top().dest == Dest::ColorTable) {
            m_colors.clear();
            m_red = m_green = m_blue = -1;
        }
        return;
    case Stylesheet:
    case Info:
    case Generator:
    case Rsidtbl:
    case Themedata:
    case Colorschememapping:
    case Latentstyles:
    case Datastore:
    case Xmlnstbl:
    case Mmathpr:
    case Defchp:
    case Defpap:
    case Listtable:
    case Listoverridetable:
    case Pgdsctbl:
    case Revtbl:
    case Userprops:
    case Fldtype:
    case Panose:
    case Falt:
    case Pnseclvl:
    case Nesttableprops:
    case Blipuid:
    case Picprop:
    case Listpicture:
    case Wgrffmtfilter:
    case Xmlopen:
    case Xmlclose:
    case Fchars:
    case Lchars:
    case Docvar:
    case Template:
    case Ftnsep:
    case Ftnsepc:
    case Aftnsep:
    case Aftnsepc:
    case Filetbl:
    case Bkmkstart:
    case Bkmkend:
    case Operator:
    case Author:
    case Company:
    case Title:
    case Subject:
    case Keywords:
    case Comment:
    case Doccomm:
    case Hlinkbase:
    case Category:
    case Manager:
    case Protusertbl:
    case Mhtmltag:
    case Htmltag:
    case Expandedcolortbl:
    case Ts:
    case Tsrowd:
    case Nonshppict:
    case Objdata:
    case Objclass:
    case Objname:
    case Nonesttables:
    case Atnid:
    case Atnauthor:
    case Atrfstart:
    case Atrfend:
    case Atndate:
    case Atnref:
    case Atnparent:
    case Datafield:
        if (g.dest != Dest::Picture || !g.pictureRoot)
            g.dest = Dest::Skip;
        return;
    case Header:
    case Footer:
    case Headerl:
    case Headerr:
    case Headerf:
    case Footerl:
    case Footerr:
    case Footerf:
    case Footnote:
    case Annotation:
    case Xe:
    case Tc:
    case Txe:
    case Pn:
        // Not shown in a single text box, but the user's: written back as they were. A list's
        // definition is one of them: its label stands as text before it.
        if (g.dest == Dest::Body && m_groups.size() > 2 && !g.keep && fresh()) {
            flushRun();
            g.keep = true;
            g.sourceStart = star ? m_starOffset : t.offset;
        }
        if (g.dest != Dest::Picture)
            g.dest = Dest::Skip;
        return;
    case Pict:
        if (g.objectRoot)
            return; // a picture must have a group of its own inside an object
        if (g.dest == Dest::Body || g.dest == Dest::Object) {
            if (m_inPicture) {
                g.dest = Dest::Skip;
                return;
            }
            flushRun();
            g.dest = Dest::Picture;
            g.pictureRoot = true;
            g.sourceStart = t.offset;
            m_inPicture = true;
            m_picture = PictureFrame{};
        } else if (g.dest != Dest::Picture) {
            g.dest = Dest::Skip;
        }
        return;
    case Object:
    case Shp:
        if (g.dest == Dest::Body) {
            flushRun();
            g.dest = Dest::Object;
            g.objectRoot = true;
            g.sourceStart = t.offset;
            m_objectHasPicture = false;
            m_objectPicture = Picture{};
        }
        return;
    case Result:
    case Shprslt:
    case Shpinst:
    case Shppict:
        return; // transparent: their content is read where it stands
    case Pntext:
    case Listtext:
        // A list label is shown as the text it is, and marked so it goes back where it was.
        if (g.dest == Dest::Body)
            g.ch.label = k == Pntext ? 1 : 2;
        return;
    case Field:
        if (g.dest == Dest::Body)
            m_fields.push_back(FieldFrame{});
        return;
    case Fldinst:
        if (g.dest == Dest::Body)
            g.dest = m_fields.empty() ? Dest::Skip : Dest::FieldInst;
        return;
    case Fldrslt:
        if (g.dest == Dest::Body && !m_fields.empty()) {
            FieldFrame &f = m_fields.back();
            if (f.link < 0) {
                const QString target = hyperlinkTarget(f.instruction);
                if (!target.isEmpty()) {
                    m_links.push_back(target);
                    f.link = int(m_links.size()) - 1;
                }
            }
            if (f.link >= 0)
                g.ch.link = f.link;
        }
        return;
    case Upr:
        g.upr = true;
        return;
    case Ud:
        if (g.uprChild && m_groups.size() >= 2)
            g.dest = m_groups[m_groups.size() - 2].dest;
        return;
    default:
        break;
    }

    if (star && k == Unknown) {
        starredUnknown();
        return;
    }

    switch (g.dest) {
    case Dest::Body:
        bodyWord(t, g);
        break;
    case Dest::Picture:
        pictureWord(t);
        break;
    case Dest::FontTable:
        if (k == U && !m_fontDone) {
            // A name may mix code-page bytes and \uN characters.
            m_decoder.decode(fontEntryCodePage(), m_fontName, m_fontNameText);
            m_fontName.clear();
            int v = t.param < 0 ? t.param + 65536 : t.param;
            if (v >= 0 && v <= 0xFFFF && m_fontNameText.size() < 4 * kMaxFontName)
                m_fontNameText += QChar(char16_t(v));
            m_skip = g.uc;
        }
        fontTableWord(t);
        break;
    case Dest::ColorTable:
        if (k == Red)
            m_red = std::clamp(t.param, 0, 255);
        else if (k == Green)
            m_green = std::clamp(t.param, 0, 255);
        else if (k == Blue)
            m_blue = std::clamp(t.param, 0, 255);
        break;
    case Dest::FieldInst:
        if (k == U) {
            if (m_fields.back().instruction.size() < kMaxInstruction)
                m_fields.back().instruction += QChar(char16_t(t.param));
            m_skip = g.uc;
        }
        break;
    case Dest::Object:
        if (k == U)
            m_skip = g.uc;
        break;
    default:
        break;
    }
}

void Parser::bodyWord(const Token &t, Group &g)
{
    const int k = t.keyword;
    CharState &ch = g.ch;
    ParaState &pa = g.para;
    switch (k) {
    // document
    case Ansi:
        m_docCodePage = kCp1252;
        break;
    case Mac:
        m_docCodePage = 10000;
        break;
    case Pc:
        m_docCodePage = 437;
        break;
    case Pca:
        m_docCodePage = 850;
        break;
    case Ansicpg:
        if (t.hasParam && t.param > 0 && t.param < 100000)
            m_docCodePage = t.param;
        break;
    case Deff:
        if (t.hasParam)
            m_defaultFont = t.param;
        break;
    case Uc:
        g.uc = std::clamp(t.hasParam ? t.param : 1, 0, 1000);
        break;
    case U: {
        int v = t.param;
        if (v < 0)
            v += 65536;
        const char16_t c = (v >= 0 && v <= 0xFFFF) ? char16_t(v) : char16_t(0xFFFD);
        if (isTextChar(c))
            emitChar(c);
        // After the character: emitting may hand on the run before it, which clears this.
        if (QChar::isSurrogate(c))
            m_sawSurrogate = true;
        m_skip = g.uc;
        break;
    }
    // characters
    case Plain: {
        const int link = ch.link;
        const std::int8_t label = ch.label;
        ch = CharState{};
        ch.link = link;
        ch.label = label;
        break;
    }
    case F:
        ch.font = t.hasParam ? t.param : -1;
        break;
    case Fs:
        ch.size = t.hasParam ? std::clamp(t.param, 2, 3276) : 24;
        break;
    case B:
        ch.bold = onOff(t);
        break;
    case I:
        ch.italic = onOff(t);
        break;
    case Ul:
    case Uld:
    case Uldb:
    case Uldash:
    case Uldashd:
    case Uldashdd:
    case Ulth:
    case Ulw:
    case Ulwave:
    case Ulhwave:
    case Ululdbwave:
        ch.underline = onOff(t);
        break;
    case Ulnone:
        ch.underline = false;
        break;
    case Strike:
    case Striked:
        ch.strike = onOff(t);
        break;
    case Cf:
        ch.color = std::max(0, t.param);
        break;
    case Cb:
    case Highlight:
    case Chcbpat:
        ch.background = std::max(0, t.param);
        break;
    case Super:
        ch.vertical = 1;
        break;
    case Sub:
        ch.vertical = -1;
        break;
    case Nosupersub:
        ch.vertical = 0;
        break;
    case Up:
        ch.vertical = (!t.hasParam || t.param > 0) ? 1 : 0;
        break;
    case Dn:
        ch.vertical = (!t.hasParam || t.param > 0) ? -1 : 0;
        break;
    case V:
        ch.hidden = onOff(t);
        break;
    // paragraphs
    case Par:
    case Sect:
    case Page:
    case Row:
    case Nestrow:
        paragraph();
        break;
    case Pard:
        pa = ParaState{};
        break;
    case Line:
        emitChar(0x2028);
        break;
    case Ql:
        pa.align = 0;
        break;
    case Qc:
        pa.align = 1;
        break;
    case Qr:
        pa.align = 2;
        break;
    case Qj:
    case Qd:
        pa.align = 3;
        break;
    case Li:
    case Lin:
        pa.left = clampTwips(t.param);
        break;
    case Ri:
    case Rin:
        pa.right = clampTwips(t.param);
        break;
    case Fi:
        pa.first = clampTwips(t.param);
        break;
    case Sb:
        pa.before = clampTwips(t.param);
        break;
    case Sa:
        pa.after = clampTwips(t.param);
        break;
    case Sl:
        pa.line = clampTwips(t.param);
        break;
    case Slmult:
        pa.lineMultiple = onOff(t);
        break;
    case Tqr:
        pa.next.kind = TabStop::Right;
        break;
    case Tqc:
        pa.next.kind = TabStop::Center;
        break;
    case Tqdec:
        pa.next.kind = TabStop::Decimal;
        break;
    case Tldot:
        pa.next.leader = TabStop::Dot;
        break;
    case Tlmdot:
        pa.next.leader = TabStop::MiddleDot;
        break;
    case Tlhyph:
        pa.next.leader = TabStop::Hyphen;
        break;
    case Tlul:
        pa.next.leader = TabStop::Underline;
        break;
    case Tlth:
        pa.next.leader = TabStop::Thick;
        break;
    case Tleq:
        pa.next.leader = TabStop::Equal;
        break;
    case Tx:
    case Tb:
        if (k == Tb)
            pa.next.kind = TabStop::Bar;
        pa.next.position = std::int16_t(std::clamp(t.param, 0, kMaxTwips));
        if (pa.tabCount < kMaxTabStops)
            pa.tabs[pa.tabCount++] = pa.next;
        pa.next = TabStop{};
        break;
    case Deftab:
        if (t.hasParam && t.param > 0)
            m_defaultTab = std::min(t.param, kMaxTwips);
        break;
    // text
    case Tab:
        emitChar(u'\t');
        break;
    case Emdash:
        emitChar(0x2014);
        break;
    case Endash:
        emitChar(0x2013);
        break;
    case Lquote:
        emitChar(0x2018);
        break;
    case Rquote:
        emitChar(0x2019);
        break;
    case Ldblquote:
        emitChar(0x201C);
        break;
    case Rdblquote:
        emitChar(0x201D);
        break;
    case Bullet:
        emitChar(0x2022);
        break;
    case Emspace:
        emitChar(0x2003);
        break;
    case Enspace:
        emitChar(0x2002);
        break;
    case Qmspace:
        emitChar(0x2005);
        break;
    case Zwj:
        emitChar(0x200D);
        break;
    case Zwnj:
        emitChar(0x200C);
        break;
    case Ltrmark:
        emitChar(0x200E);
        break;
    case Rtlmark:
        emitChar(0x200F);
        break;
    case Cell:
    case Nestcell:
        flushRun();
        ++m_cellTabs;
        ++m_emitted;
        break;
    default:
        break;
    }
}

void Parser::pictureWord(const Token &t)
{
    if (!top().pictureRoot)
        return;
    PictureFrame &p = m_picture;
    const int v = t.param;
    switch (t.keyword) {
    case Pngblip:
    case Jpegblip:
    case Emfblip:
    case Dibitmap:
    case Wbitmap:
    case Macpict:
    case Pmmetafile:
        p.kind = t.keyword;
        break;
    case Wmetafile:
        p.kind = Wmetafile;
        p.metafileMode = v;
        break;
    case Picw:
        p.picw = std::clamp(v, 0, 1 << 20);
        break;
    case Pich:
        p.pich = std::clamp(v, 0, 1 << 20);
        break;
    case Picwgoal:
        p.goalw = std::clamp(v, 0, 1 << 20);
        break;
    case Pichgoal:
        p.goalh = std::clamp(v, 0, 1 << 20);
        break;
    case Picscalex:
        p.scalex = std::clamp(v, 1, 10000);
        break;
    case Picscaley:
        p.scaley = std::clamp(v, 1, 10000);
        break;
    default:
        break;
    }
}

void Parser::fontTableWord(const Token &t)
{
    switch (t.keyword) {
    case F:
        if (!m_fontDone)
            finishFontEntry();
        m_fontNumber = t.param;
        m_fontEntry = FontEntry{};
        m_fontName.clear();
        m_fontNameText.clear();
        m_fontDone = false;
        break;
    case Fcharset:
        m_fontEntry.charset = t.param;
        break;
    case Cpg:
        m_fontEntry.codePage = t.param > 0 && t.param < 100000 ? t.param : 0;
        break;
    case Fnil:
        m_fontEntry.family = FontEntry::Nil;
        break;
    case Froman:
        m_fontEntry.family = FontEntry::Roman;
        break;
    case Fswiss:
        m_fontEntry.family = FontEntry::Swiss;
        break;
    case Fmodern:
        m_fontEntry.family = FontEntry::Modern;
        break;
    case Fscript:
        m_fontEntry.family = FontEntry::Script;
        break;
    case Fdecor:
        m_fontEntry.family = FontEntry::Decor;
        break;
    case Ftech:
        m_fontEntry.family = FontEntry::Tech;
        break;
    case Fbidi:
        m_fontEntry.family = FontEntry::Bidi;
        break;
    default:
        break;
    }
}

int Parser::fontEntryCodePage() const
{
    int cp =
        m_fontEntry.codePage > 0 ? m_fontEntry.codePage : codePageOfCharset(m_fontEntry.charset);
    return cp == 0 ? m_docCodePage : cp;
}

void Parser::finishFontEntry()
{
    if (m_fontDone)
        return;
    m_fontDone = true;
    if (int(m_fonts.size()) >= kMaxFonts && !m_fonts.count(m_fontNumber))
        return;
    QString name = m_fontNameText;
    m_decoder.decode(fontEntryCodePage(), m_fontName, name);
    name.removeIf([](QChar c) {
        return !isTextChar(c.unicode()) || c == u'\t' || c == QChar::LineSeparator;
    });
    // Cut before trimming, so a name read again comes out the same.
    m_fontEntry.name = name.left(kMaxFontName).trimmed();
    m_fonts[m_fontNumber] = m_fontEntry;
    m_cpFont = -2; // the code page cache may name this font
}

void Parser::symbol(char c, qsizetype offset)
{
    Group &g = top();
    if (c == '*') {
        m_star = true;
        m_starOffset = offset;
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        // Literal characters; in a double-byte code page possibly the trail byte.
        if (g.dest == Dest::Body && m_leadPending) {
            byteText(static_cast<unsigned char>(c));
            return;
        }
        Token t;
        t.type = Token::Text;
        t.data = c == '\\' ? "\\" : c == '{' ? "{" : "}";
        t.size = 1;
        textToken(t);
        return;
    }
    if (g.dest != Dest::Body)
        return;
    flushBytes();
    switch (c) {
    case '~':
        emitChar(0x00A0);
        break;
    case '-':
        emitChar(0x00AD);
        break;
    case '_':
        emitChar(0x2011);
        break;
    case '\n':
        paragraph();
        break;
    case '\t':
        emitChar(u'\t');
        break;
    default:
        break;
    }
}

void Parser::textToken(const Token &t)
{
    Group &g = top();
    switch (g.dest) {
    case Dest::Body:
        break;
    case Dest::Picture:
        if (g.pictureRoot && m_sink.wantsPictures()) {
            // Hex digits of the picture; whitespace and stray characters are not data.
            PictureFrame &p = m_picture;
            for (qsizetype i = 0; i < t.size; ++i) {
                const char c = t.data[i];
                int v;
                if (c >= '0' && c <= '9')
                    v = c - '0';
                else if (c >= 'a' && c <= 'f')
                    v = c - 'a' + 10;
                else if (c >= 'A' && c <= 'F')
                    v = c - 'A' + 10;
                else
                    continue;
                if (p.nibble < 0) {
                    p.nibble = v;
                } else {
                    p.data.append(char(p.nibble * 16 + v));
                    p.nibble = -1;
                }
            }
        }
        return;
    case Dest::FontTable:
        for (qsizetype i = 0; i < t.size; ++i) {
            if (t.data[i] == ';') {
                finishFontEntry();
            } else if (!m_fontDone && m_fontName.size() < 4 * kMaxFontName) {
                m_fontName.append(t.data[i]);
            }
        }
        return;
    case Dest::ColorTable:
        for (qsizetype i = 0; i < t.size; ++i) {
            if (t.data[i] != ';')
                continue;
            if (int(m_colors.size()) < kMaxColors) {
                if (m_red < 0 && m_green < 0 && m_blue < 0)
                    m_colors.emplace_back();
                else
                    m_colors.emplace_back(std::max(m_red, 0), std::max(m_green, 0),
                                          std::max(m_blue, 0));
            }
            m_red = m_green = m_blue = -1;
        }
        return;
    case Dest::FieldInst: {
        QString &s = m_fields.back().instruction;
        if (s.size() < kMaxInstruction)
            s += QString::fromLatin1(t.data, std::min<qsizetype>(t.size, kMaxInstruction));
        return;
    }
    default:
        return;
    }

    const char *p = t.data;
    const char *end = p + t.size;
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (m_leadPending || b >= 0x80) {
            byteText(b);
            ++p;
            continue;
        }
        flushBytes();
        const char *q = p;
        while (q < end && static_cast<unsigned char>(*q) < 0x80)
            ++q;
        emitAscii(p, q - p);
        p = q;
    }
}

void Parser::byteText(unsigned char b)
{
    Group &g = top();
    if (g.dest == Dest::FontTable) {
        if (!m_fontDone && m_fontName.size() < 4 * kMaxFontName)
            m_fontName.append(char(b));
        return;
    }
    if (g.dest == Dest::FieldInst) {
        QString &s = m_fields.back().instruction;
        if (s.size() < kMaxInstruction)
            s += QChar(Decoder::table(kCp1252)[b]);
        return;
    }
    if (g.dest != Dest::Body)
        return;
    ++m_emitted; // even a byte that decodes to nothing was the text's, not a picture's
    const int cp = codePage();
    if (!m_bytes.isEmpty() && m_bytesCodePage != cp)
        flushBytes();
    m_bytesCodePage = cp;
    m_bytes.append(char(b));
    if (m_leadPending)
        m_leadPending = false;
    else if (isDoubleByte(cp) && isLeadByte(cp, b))
        m_leadPending = true;
}

void Parser::flushBytes()
{
    m_leadPending = false;
    if (m_bytes.isEmpty())
        return;
    QString chars;
    m_decoder.decode(m_bytesCodePage, m_bytes, chars);
    m_bytes.clear();
    // A \'00 or \'0d is no more text than a raw control character is.
    chars.removeIf([](QChar c) { return !isTextChar(c.unicode()); });
    emitChars(chars);
}

void Parser::emitAscii(const char *p, qsizetype n)
{
    // Control characters are not text, except a raw tab.
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 0x20 && c != 0x7F)
            continue;
        if (i > start)
            emitLatin1(p + start, i - start);
        if (c == '\t')
            emitChar(u'\t');
        start = i + 1;
    }
    if (n > start)
        emitLatin1(p + start, n - start);
}

void Parser::emitLatin1(const char *p, qsizetype n)
{
    Group &g = top();
    if (g.dest != Dest::Body)
        return;
    ++m_emitted; // hidden text too: a group holding it is not a picture's alone
    if (g.ch.hidden)
        return;
    beforeContent();
    if (!(g.ch == m_runState) && !m_run.isEmpty())
        flushRun();
    m_runState = g.ch;
    m_run.append(QLatin1StringView(p, n));
}

void Parser::beforeContent()
{
    if (m_pendingParagraph) {
        flushRun();
        m_sink.newParagraph();
        m_pendingParagraph = false;
    }
    if (m_cellTabs > 0) {
        const int tabs = std::min(m_cellTabs, 1000);
        m_cellTabs = 0;
        const Group &g = top();
        if (!(g.ch == m_runState) && !m_run.isEmpty())
            flushRun();
        m_runState = g.ch;
        m_run.append(QString(tabs, u'\t'));
    }
}

void Parser::emitChars(QStringView chars)
{
    Group &g = top();
    if (g.dest != Dest::Body || chars.isEmpty())
        return;
    ++m_emitted;
    if (g.ch.hidden)
        return;
    beforeContent();
    if (!(g.ch == m_runState) && !m_run.isEmpty())
        flushRun();
    m_runState = g.ch;
    m_run.append(chars);
}

void Parser::flushRun()
{
    if (m_run.isEmpty())
        return;
    if (m_sawSurrogate) {
        // Surrogates that found no partner would poison later conversions.
        for (qsizetype i = 0; i < m_run.size(); ++i) {
            const QChar c = m_run.at(i);
            if (c.isHighSurrogate() && i + 1 < m_run.size() && m_run.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                m_run[i] = QChar(0xFFFD);
        }
        m_sawSurrogate = false;
    }
    m_sink.text(m_run, m_runState);
    m_run.clear();
}

void Parser::paragraph()
{
    flushBytes();
    flushRun();
    ++m_emitted;
    if (m_pendingParagraph)
        m_sink.newParagraph();
    m_cellTabs = 0;
    const Group &g = top();
    m_sink.endParagraph(g.para, g.ch);
    m_pendingParagraph = true;
    m_stopped = m_stopAfter > 0 && m_lexer.offset() >= m_stopAfter;
}

void Parser::finishPicture(qsizetype end)
{
    m_inPicture = false;
    Group &g = top();
    Picture pic;
    pic.source = groupSource(g, end);
    if (m_sink.wantsPictures())
        decodePicture(m_picture, pic);
    m_picture = PictureFrame{};
    // The group's own state is the one around it (the \pict group changes nothing).
    const bool inObject =
        m_groups.size() >= 2 && m_groups[m_groups.size() - 2].dest == Dest::Object;
    if (inObject) {
        if (!m_objectHasPicture) {
            m_objectHasPicture = true;
            m_objectPicture = std::move(pic);
        }
        return;
    }
    if (m_groups.size() >= 2 && m_groups[m_groups.size() - 2].dest != Dest::Body)
        return;
    beforeContent();
    flushRun();
    ++m_emitted;
    m_sink.picture(std::move(pic), g.ch);
}

QByteArray Parser::groupSource(const Group &g, qsizetype end) const
{
    // What came before the word that made the group kept (text, or words that change the
    // whole document such as \ansicpg) has had its effect already: the group is kept from
    // that word on.
    if (g.sourceStart < 0)
        return m_input.sliced(g.start, end - g.start).toByteArray();
    return '{' + m_input.sliced(g.sourceStart, end - g.sourceStart).toByteArray();
}

void Parser::finishObject(qsizetype end)
{
    Group &g = top();
    Picture pic = std::move(m_objectPicture);
    m_objectPicture = Picture{};
    pic.source = groupSource(g, end);
    if (!m_objectHasPicture)
        pic.image = QImage();
    m_objectHasPicture = false;
    if (m_groups.size() >= 2 && m_groups[m_groups.size() - 2].dest != Dest::Body)
        return;
    beforeContent();
    flushRun();
    ++m_emitted;
    m_sink.picture(std::move(pic), g.ch);
}

void Parser::decodePicture(PictureFrame &frame, Picture &out) const
{
    PictureData data;
    data.bytes = frame.data;
    switch (frame.kind) {
    case Pngblip:
        data.kind = PictureKind::Png;
        break;
    case Jpegblip:
        data.kind = PictureKind::Jpeg;
        break;
    case Dibitmap:
        data.kind = PictureKind::Dib;
        break;
    case Wmetafile:
        data.kind = PictureKind::Wmf;
        break;
    default:
        data.kind = PictureKind::Other;
        break;
    }
    out.image = decodePictureData(data);
    out.size = shownSize(
        {frame.picw, frame.pich, frame.goalw, frame.goalh, frame.scalex, frame.scaley, data.kind},
        out.image);
}

} // namespace lc::rtf::detail
