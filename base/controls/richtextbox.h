#pragma once

#include "lcbase_export.h"

#include <QColor>
#include <QTextEdit>

#include <memory>
#include <optional>
#include <vector>

namespace lc::controls {

struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool noHighlight = false; // find without selecting the hit
};

// The rich text box: a QTextEdit that reads and writes RTF and offers the members a
// rich-edit control has, under their names.
//
// - Getters carry the member's name (TextRTF(), SelStart()); setters put "set" before it
//   (setTextRTF(), setSelStart()).
// - RTF travels in a QString one character per byte (see lc::rtf::fromBytes).
// - Text() gives paragraphs ended by CR LF, a line break as LF and a picture as U+FFFC;
//   SelStart and SelLength count in that text, so a position found in Text() can be selected
//   as it is.
// - Selection formatting reads std::nullopt when the selection is mixed (undetermined).
// - The clipboard carries RTF only: copy and cut offer "text/rtf" and "application/rtf", and
//   paste takes nothing else (plain text alone on the clipboard pastes nothing).
// - Loading text or RTF replaces document() with a new one, built off screen.
class LCBASE_EXPORT RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    QString TextRTF() const;
    void setTextRTF(const QString &rtf);
    // As setTextRTF, but a large text is read on a worker thread while the window goes on
    // painting: meanwhile a read-only box shows the start of the text and an editable one
    // stands empty, until Loaded() reports the whole text shown. Any later change of the
    // content (another load, setText, clear) wins over a load still running.
    void loadTextRTF(const QString &rtf);
    bool loading() const { return m_load != nullptr; }
    // Texts from this size on load in the background.
    static constexpr qsizetype kBackgroundLoadSize = 256 * 1024;
    // How much of such a text a read-only box shows before the whole is read.
    static constexpr qsizetype kPreviewSize = 64 * 1024;
    void clear();
    QString Text() const;
    void setText(const QString &text);

    QString SelRTF() const;
    // Replaces the selection with what the RTF holds.
    void setSelRTF(const QString &rtf);
    QString SelText() const;
    void setSelText(const QString &text);
    int SelStart() const;
    // Puts the caret there; the selection becomes empty.
    void setSelStart(int start);
    int SelLength() const;
    void setSelLength(int length);

    std::optional<bool> SelBold() const;
    void setSelBold(bool on);
    std::optional<bool> SelItalic() const;
    void setSelItalic(bool on);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool on);
    std::optional<QString> SelFontName() const;
    void setSelFontName(const QString &name);
    std::optional<double> SelFontSize() const;
    void setSelFontSize(double points);
    std::optional<QColor> SelColor() const;
    void setSelColor(const QColor &color);

    // Read-only, yet the text can still be selected and copied.
    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked);

    // The position in Text() of the first hit in [start, end) (end -1: the end of the text),
    // selected unless asked not to; -1 when there is none.
    int Find(const QString &text, int start = 0, int end = -1, const FindOptions &options = {});

    // Inserts a picture at the caret; the clipboard is not touched.
    void insertPicture(const QImage &image);
    bool insertPicture(const QString &fileName);

Q_SIGNALS:
    // The text of the last loadTextRTF is shown.
    void Loaded();
    // The content changed, by the user or by a program.
    void Change();
    // The caret or the selection moved.
    void SelChange();

protected:
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    struct PendingLoad;
    void cancelLoad();
    void finishLoad(const std::shared_ptr<PendingLoad> &load);
    void replaceDocument(QTextDocument *doc);
    void reportSelection();
    int textPosition(int documentPosition) const;
    int documentPosition(int textPosition) const;
    template <typename T, typename F> std::optional<T> common(F value) const;

    bool m_loading = false;
    std::shared_ptr<PendingLoad> m_load;                 // the one whose text is awaited
    std::vector<std::shared_ptr<PendingLoad>> m_running; // every worker not yet finished
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
};

} // namespace lc::controls
