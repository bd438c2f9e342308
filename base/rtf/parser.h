#pragma once

#include "codepages.h"
#include "lexer.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The RTF reader's core: walks the tokens with an explicit group stack and hands text,
// paragraphs, pictures and kept groups to a sink. The document builder and the plain-text
// extraction are two sinks over the same walk, so they agree on what the text is.
namespace lc::rtf::detail {

struct CharState {
    int font = -1;            // font number; -1 = the \deff font
    int size = 24;            // half-points; 0 = leave the document's default
    int color = 0;            // colour table index; 0 = automatic
    int background = 0;       // colour table index; 0 = none
    int link = -1;            // index of the hyperlink target
    std::int8_t vertical = 0; // 1 superscript, -1 subscript
    std::int8_t label = 0;    // a list label: 1 in \pntext, 2 in \listtext
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool operator==(const CharState &) const = default;
};

// A tab stop as RTF defines it: \tx (or \tb for a bar) after the words for its kind and
// leader.
struct TabStop {
    enum Kind : std::int8_t { Left, Right, Center, Decimal, Bar };
    enum Leader : std::int8_t { None, Dot, MiddleDot, Hyphen, Underline, Thick, Equal };
    std::int16_t position = 0; // twips
    Kind kind = Left;
    Leader leader = None;
    bool operator==(const TabStop &) const = default;
};

// A rich-edit control holds no more tab stops than this in a paragraph.
constexpr int kMaxTabStops = 32;

struct ParaState {
    std::int8_t align = 0; // 0 left, 1 centre, 2 right, 3 justified
    bool lineMultiple = false;
    int left = 0; // all lengths in twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int line = 0; // \sl: 0 = single
    std::array<TabStop, kMaxTabStops> tabs{};
    std::uint8_t tabCount = 0;
    TabStop next; // the kind and leader given so far for the next stop
    bool operator==(const ParaState &) const = default;
};

struct FontEntry {
    // The family word of the entry: the kind of face to draw when the named one is missing.
    enum Family : std::int8_t { Nil, Roman, Swiss, Modern, Script, Decor, Tech, Bidi };
    QString name;
    Family family = Nil;
    int charset = 0;
    int codePage = 0; // 0 = the document's
};

struct Picture {
    QImage image;      // null when it cannot be shown
    QByteArray source; // the whole group as it was written
    QSizeF size;       // shown size in pixels of 1/96 inch
};

class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QString &text, const CharState &state) = 0;
    // Formats the current paragraph, which ends here.
    virtual void endParagraph(const ParaState &para, const CharState &state) = 0;
    virtual void newParagraph() = 0;
    virtual void picture(Picture &&picture, const CharState &state) = 0;
    // A group the reader cannot show, to be written back where it stood.
    virtual void kept(QByteArrayView group) {}
    // Plain text needs no picture data: the reader then skips it unread.
    virtual bool wantsPictures() const { return true; }
};

class Parser {
public:
    Parser(QByteArrayView input, Sink &sink) : m_input(input), m_lexer(input), m_sink(sink) {}

    // A fragment keeps a final paragraph mark as an empty paragraph; a document does not.
    void run(bool fragment);
    // Polled while running: once it reads true, the walk stops where it is.
    void setCancel(const std::atomic<bool> *cancel) { m_cancel = cancel; }
    // Ends the walk at the first paragraph mark past this offset.
    void setStopAfter(qsizetype offset) { m_stopAfter = offset; }

    const FontEntry *font(int number) const;
    int defaultFont() const { return m_defaultFont; }
    int defaultTab() const { return m_defaultTab; } // twips
    QColor color(int index) const;                  // invalid for "automatic"
    QString link(int index) const;

    static bool isRtf(QByteArrayView input);

private:
    enum class Dest : std::uint8_t {
        Body,
        Skip,
        FontTable,
        ColorTable,
        Picture,
        FieldInst,
        Object
    };

    struct Group {
        CharState ch;
        ParaState para;
        Dest dest = Dest::Body;
        int uc = 1;
        int fieldsBefore = 0;
        qsizetype start = 0;
        qsizetype sourceStart = -1; // where a kept group's bytes begin after its brace
        quint64 emittedAtOpen = 0;
        bool keep = false;        // written back as it stood
        bool pictureRoot = false; // the group of a \pict
        bool objectRoot = false;  // an embedded object or shape
        bool fontEntry = false;
        bool uprChild = false;
        bool upr = false;
    };

    struct PictureFrame {
        int kind = 0; // a Keyword value of the picture type
        int metafileMode = 0;
        int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
        QByteArray data;
        int nibble = -1;
    };

    struct FieldFrame {
        QString instruction;
        int link = -1;
    };

    void runPlain();
    void handle(const Token &t);
    void openGroup(qsizetype offset);
    void closeGroup(qsizetype offset);
    void word(const Token &t);
    void bodyWord(const Token &t, Group &g);
    void symbol(char c, qsizetype offset);
    void textToken(const Token &t);
    void byteText(unsigned char b);
    void pictureWord(const Token &t);
    void fontTableWord(const Token &t);
    void startDestination(Dest dest);
    void starredUnknown();

    void emitChars(QStringView chars);
    void emitChar(char16_t c) { emitChars(QStringView(&c, 1)); }
    void emitAscii(const char *p, qsizetype n);
    void emitLatin1(const char *p, qsizetype n);
    void beforeContent();
    void flushBytes();
    void flushRun();
    void paragraph();
    void finishPicture(qsizetype end);
    void finishObject(qsizetype end);
    void finishFontEntry();
    int fontEntryCodePage() const;
    void decodePicture(PictureFrame &frame, Picture &out) const;
    int codePage();
    Group &top() { return m_groups.back(); }
    // Nothing has been shown since the group opened, so its bytes are all its own.
    bool fresh() { return top().emittedAtOpen == m_emitted; }
    QByteArray groupSource(const Group &g, qsizetype end) const;

    QByteArrayView m_input;
    Lexer m_lexer;
    Sink &m_sink;
    const std::atomic<bool> *m_cancel = nullptr;
    qsizetype m_stopAfter = 0;
    bool m_stopped = false; // a paragraph mark past m_stopAfter ended the walk
    Decoder m_decoder;

    std::vector<Group> m_groups;
    int m_phantomDepth = 0; // groups nested past the limit, only counted
    bool m_star = false;    // the previous token was \*
    qsizetype m_starOffset = 0;
    quint64 m_emitted = 0; // pieces of content handed on so far
    int m_skip = 0;        // \uN fallback characters still to skip

    int m_docCodePage = kCp1252;
    int m_defaultFont = 0;
    int m_defaultTab = 720;
    std::unordered_map<int, FontEntry> m_fonts;
    std::vector<QColor> m_colors;
    std::vector<QString> m_links;
    std::vector<FieldFrame> m_fields;

    // font table entry being read
    int m_fontNumber = -1;
    FontEntry m_fontEntry;
    QByteArray m_fontName;
    QString m_fontNameText;
    bool m_fontDone = true;
    // colour table entry being read
    int m_red = -1, m_green = -1, m_blue = -1;

    PictureFrame m_picture;
    bool m_inPicture = false;
    Picture m_objectPicture;
    bool m_objectHasPicture = false;

    QString m_run;
    CharState m_runState;
    QByteArray m_bytes;
    int m_bytesCodePage = 0;
    bool m_leadPending = false;
    bool m_pendingParagraph = false;
    bool m_sawSurrogate = false;
    int m_cellTabs = 0;

    int m_cpFont = -2, m_cpDoc = 0, m_cpValue = kCp1252;
};

} // namespace lc::rtf::detail
