#include "richtextbox.h"

#include "rtf.h"

#include <QImageReader>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <utility>

namespace lc::controls {
namespace {

const QString kRtfMime = QStringLiteral("text/rtf");
const QString kRtfMimeAlt = QStringLiteral("application/rtf");

// Line ends of any kind become the document's paragraph breaks.
QString normalisedLines(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return s;
}

QString asText(QString s)
{
    for (QChar &c : s) {
        if (c == QChar::LineSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return s;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Pictures the box inserts are held to a sane size, like pictures it reads.
constexpr qint64 kMaxPicturePixels = 32LL * 1024 * 1024;

// The control's default tab stops, every half inch, for text that brings none.
void setDefaultTabs(QTextDocument &doc)
{
    QTextOption option = doc.defaultTextOption();
    option.setTabStopDistance(720 / 15.0);
    doc.setDefaultTextOption(option);
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    rtf::installFontSubstitutes();
    setAcceptRichText(true);
    setDefaultTabs(*document());
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            Q_EMIT Change();
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::reportSelection);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::reportSelection);
}

// One background read: the worker builds the document and hands it to the box's thread.
struct RichTextBox::PendingLoad {
    std::atomic<bool> cancel{false};
    QThread *worker = nullptr;
    QTextDocument *doc = nullptr; // set by the worker before it finishes
    QString rtf;                  // what the worker reads; also the text asked meanwhile
    std::optional<QString> plain; // its plain text, once asked for
};

RichTextBox::~RichTextBox()
{
    for (const auto &load : m_running) {
        load->cancel = true;
        load->worker->wait();
        delete load->worker;
        delete load->doc;
    }
}

void RichTextBox::reportSelection()
{
    const QTextCursor c = textCursor();
    if (c.anchor() == m_lastAnchor && c.position() == m_lastPosition)
        return;
    m_lastAnchor = c.anchor();
    m_lastPosition = c.position();
    Q_EMIT SelChange();
}

void RichTextBox::replaceDocument(QTextDocument *doc)
{
    // The first document belongs to the editor, which deletes it; the later ones are ours.
    QTextDocument *old = document();
    const bool ours = old && old->parent() == this;
    m_loading = true;
    setDocument(doc);
    m_loading = false;
    if (ours)
        delete old;
    Q_EMIT Change();
    reportSelection();
}

QString RichTextBox::TextRTF() const
{
    // While a long file loads the box shows nothing yet, but its text is already known.
    if (m_load)
        return m_load->rtf;
    return rtf::fromBytes(rtf::write(*document()));
}

void RichTextBox::setTextRTF(const QString &rtf)
{
    cancelLoad();
    // Built apart from the widget: a document without a layout loads many times faster.
    auto *doc = new QTextDocument(this);
    doc->setDefaultFont(document()->defaultFont());
    rtf::read(rtf::toBytes(rtf), *doc);
    replaceDocument(doc);
}

void RichTextBox::loadTextRTF(const QString &rtf)
{
    if (rtf.size() < kBackgroundLoadSize) {
        setTextRTF(rtf);
        Q_EMIT Loaded();
        return;
    }
    cancelLoad();
    const QFont font = document()->defaultFont();
    // A box that only shows its text shows the start of it at once, read here, while the whole
    // is read on the worker. A box that can be edited stands empty meanwhile: nothing typed
    // into a part may be lost when the whole arrives.
    auto *first = new QTextDocument(this);
    first->setDefaultFont(font);
    setDefaultTabs(*first);
    if (isReadOnly()) {
        rtf::ReadOptions start;
        start.stopAfter = kPreviewSize;
        rtf::read(rtf::toBytes(rtf.left(2 * kPreviewSize)), *first, start);
    }
    replaceDocument(first);

    auto load = std::make_shared<PendingLoad>();
    QThread *home = thread();
    // The worker holds the load, not the box: a box closed meanwhile waits for it and frees
    // what it made.
    PendingLoad *raw = load.get();
    load->rtf = rtf;
    load->worker = QThread::create([raw, font, home] {
        auto *doc = new QTextDocument;
        doc->setDefaultFont(font);
        rtf::ReadOptions options;
        options.cancel = &raw->cancel;
        rtf::read(rtf::toBytes(raw->rtf), *doc, options);
        doc->moveToThread(home);
        raw->doc = doc;
    });
    connect(load->worker, &QThread::finished, this, [this, load] { finishLoad(load); });
    m_load = load;
    m_running.push_back(load);
    load->worker->start();
}

void RichTextBox::finishLoad(const std::shared_ptr<PendingLoad> &load)
{
    load->worker->wait();
    delete load->worker;
    load->worker = nullptr;
    std::erase(m_running, load);
    QTextDocument *doc = std::exchange(load->doc, nullptr);
    if (load != m_load) {
        delete doc; // a later content replaced it
        return;
    }
    m_load.reset();
    doc->setParent(this);
    // The start shown meanwhile is the start of the whole: where the reader was, the caret
    // and the selection stay.
    const int anchor = textCursor().anchor(), position = textCursor().position();
    const int scrolled = verticalScrollBar()->value();
    replaceDocument(doc);
    if (anchor != 0 || position != 0) {
        QTextCursor c(doc);
        const int end = doc->characterCount() - 1;
        c.setPosition(std::min(anchor, end));
        c.setPosition(std::min(position, end), QTextCursor::KeepAnchor);
        setTextCursor(c);
    }
    verticalScrollBar()->setValue(scrolled);
    Q_EMIT Loaded();
}

void RichTextBox::cancelLoad()
{
    if (!m_load)
        return;
    m_load->cancel = true;
    m_load.reset();
}

void RichTextBox::clear()
{
    cancelLoad();
    QTextEdit::clear();
}

QString RichTextBox::Text() const
{
    if (m_load) {
        if (!m_load->plain)
            m_load->plain = rtf::plainText(rtf::toBytes(m_load->rtf));
        return *m_load->plain;
    }
    QString out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            out += QLatin1String("\r\n");
        out += asText(b.text());
    }
    return out;
}

void RichTextBox::setText(const QString &text)
{
    cancelLoad();
    auto *doc = new QTextDocument(this);
    doc->setDefaultFont(document()->defaultFont());
    setDefaultTabs(*doc);
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(normalisedLines(text));
    doc->setUndoRedoEnabled(true);
    replaceDocument(doc);
}

QString RichTextBox::SelRTF() const
{
    const QTextCursor c = textCursor();
    return rtf::fromBytes(rtf::write(*document(), c.selectionStart(), c.selectionEnd()));
}

void RichTextBox::setSelRTF(const QString &rtf)
{
    QTextDocument part;
    part.setDefaultFont(document()->defaultFont());
    rtf::read(rtf::toBytes(rtf), part, {true});
    // Pictures travel as document resources, which a fragment does not carry.
    for (QTextBlock b = part.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QUrl url(it.fragment().charFormat().toImageFormat().name());
                document()->addResource(QTextDocument::ImageResource, url,
                                        part.resource(QTextDocument::ImageResource, url));
            }
    QTextCursor c = textCursor();
    c.insertFragment(QTextDocumentFragment(&part));
    setTextCursor(c);
}

QString RichTextBox::SelText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return asText(s);
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor c = textCursor();
    c.insertText(normalisedLines(text));
    setTextCursor(c);
}

int RichTextBox::textPosition(int documentPosition) const
{
    // Each paragraph break before the position is one character in the document and two
    // (CR LF) in Text().
    return documentPosition + document()->findBlock(documentPosition).blockNumber();
}

int RichTextBox::documentPosition(int textPosition) const
{
    const QTextDocument *doc = document();
    textPosition = std::max(textPosition, 0);
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= textPosition)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    // A position between CR and LF, or past the end, stops at the paragraph's end.
    return std::min(textPosition - lo, block.position() + block.length() - 1);
}

int RichTextBox::SelStart() const
{
    return textPosition(textCursor().selectionStart());
}

void RichTextBox::setSelStart(int start)
{
    QTextCursor c = textCursor();
    c.setPosition(documentPosition(start));
    setTextCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return textPosition(c.selectionEnd()) - textPosition(c.selectionStart());
}

void RichTextBox::setSelLength(int length)
{
    QTextCursor c = textCursor();
    const int start = SelStart();
    c.setPosition(documentPosition(start));
    c.setPosition(documentPosition(start + std::max(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

template <typename T, typename F> std::optional<T> RichTextBox::common(F value) const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return value(c.charFormat());
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    std::optional<T> found;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= start || f.position() >= end ||
                f.charFormat().isImageFormat())
                continue;
            const T v = value(f.charFormat());
            if (found && !(*found == v))
                return std::nullopt;
            found = v;
        }
    }
    if (!found) // only pictures or paragraph marks: what typing there would get
        return value(c.charFormat());
    return found;
}

std::optional<bool> RichTextBox::SelBold() const
{
    return common<bool>([](const QTextCharFormat &f) { return f.fontWeight() > QFont::Medium; });
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(f);
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return common<bool>([](const QTextCharFormat &f) { return f.fontItalic(); });
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeCurrentCharFormat(f);
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return common<bool>([](const QTextCharFormat &f) { return f.fontUnderline(); });
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeCurrentCharFormat(f);
}

std::optional<QString> RichTextBox::SelFontName() const
{
    const QString fallback = document()->defaultFont().family();
    return common<QString>([&fallback](const QTextCharFormat &f) {
        const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
        return families.isEmpty() || families.first().isEmpty() ? fallback : families.first();
    });
}

void RichTextBox::setSelFontName(const QString &name)
{
    QTextCharFormat f;
    f.setFontFamilies({name});
    // The font's character set and family word came with the old font; a face this machine
    // lacks is drawn in the kind of face the name stands for, not the box's default kind.
    f.setProperty(rtf::FontCharset, 0);
    f.setProperty(rtf::FontFamilyKind, -1);
    f.setFontStyleHint(rtf::styleHintOf(name));
    mergeCurrentCharFormat(f);
}

std::optional<double> RichTextBox::SelFontSize() const
{
    const double fallback = document()->defaultFont().pointSizeF();
    return common<double>([fallback](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : fallback;
    });
}

void RichTextBox::setSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeCurrentCharFormat(f);
}

std::optional<QColor> RichTextBox::SelColor() const
{
    // Text without a colour of its own is shown in the automatic colour, black.
    return common<QColor>([](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color()
                                                           : QColor(Qt::black);
    });
}

void RichTextBox::setSelColor(const QColor &color)
{
    QTextCharFormat f;
    f.setForeground(color);
    mergeCurrentCharFormat(f);
}

void RichTextBox::setLocked(bool locked)
{
    setReadOnly(locked);
    if (locked)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

int RichTextBox::Find(const QString &text, int start, int end, const FindOptions &options)
{
    if (text.isEmpty())
        return -1;
    const QString all = Text();
    start = std::clamp(start, 0, int(all.size()));
    end = end < 0 ? int(all.size()) : std::clamp(end, start, int(all.size()));
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QStringView range = QStringView(all).left(end);
    for (qsizetype at = range.indexOf(text, start, cs); at >= 0;
         at = range.indexOf(text, at + 1, cs)) {
        if (options.wholeWord) {
            const qsizetype after = at + text.size();
            if ((at > 0 && isWordChar(all.at(at - 1))) ||
                (after < all.size() && isWordChar(all.at(after))))
                continue;
        }
        if (!options.noHighlight) {
            setSelStart(int(at));
            setSelLength(int(text.size()));
        }
        return int(at);
    }
    return -1;
}

void RichTextBox::insertPicture(const QImage &image)
{
    if (image.isNull())
        return;
    const QSizeF shown = image.size();
    const QByteArray source = rtf::pictureGroup(image, shown);
    const QUrl url = rtf::pictureUrl(source);
    document()->addResource(QTextDocument::ImageResource, url, image);
    QTextImageFormat f;
    f.setName(url.toString());
    f.setWidth(shown.width());
    f.setHeight(shown.height());
    f.setProperty(rtf::PictureSource, source);
    textCursor().insertImage(f);
}

bool RichTextBox::insertPicture(const QString &fileName)
{
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPicturePixels)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    insertPicture(image);
    return true;
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    const QByteArray bytes = rtf::toBytes(SelRTF());
    mime->setData(kRtfMime, bytes);
    mime->setData(kRtfMimeAlt, bytes);
    return mime;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    return source && (source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt));
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (!canInsertFromMimeData(source) || isReadOnly())
        return;
    const QByteArray bytes =
        source->hasFormat(kRtfMime) ? source->data(kRtfMime) : source->data(kRtfMimeAlt);
    setSelRTF(rtf::fromBytes(bytes));
}

} // namespace lc::controls
