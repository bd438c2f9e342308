#pragma once

#include "lcbase_export.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTextFormat>
#include <QUrl>

#include <atomic>

class QTextDocument;

// RTF as a rich-edit control writes it, read into and written from a QTextDocument.
//
// Conventions:
// - RTF is bytes. Where it travels as a QString (a database column, a text property) it is
//   held one character per byte (Latin-1); toBytes() and fromBytes() convert losslessly.
// - Paragraphs map to blocks. A document's last paragraph mark is implied, so reading drops a
//   final \par and writing puts \par after every paragraph; a fragment keeps it.
// - Lengths (indents, spacing, picture sizes) are pixels of 1/96 inch in the document, 15 twips
//   each, so they come back to the same twips.
// - What cannot be shown is kept in format properties and written back byte for byte.
namespace lc::rtf {

enum FormatProperty : int {
    KeptBefore = QTextFormat::UserProperty + 0x5270, // char: groups that stood before this text
    KeptAtEnd,     // block: groups that stood before the paragraph mark
    PictureSource, // image: the picture's group as read; written back unchanged
    FontCharset,   // char: the \fcharset of the font, when not the ANSI one
    KeptId,        // char: tells kept groups apart, so two equal ones never merge into one fragment
    FontFamilyKind, // char: the font's family word (\froman 1, \fswiss 2, \fmodern 3,
                    // \fscript 4, \fdecor 5, \ftech 6, \fbidi 7, \fnil 0); none or -1: the
                    // one the style hint implies
    ListLabel,      // char: a list label's text (1 from \pntext, 2 from \listtext)
    TabLeaders,     // block: one byte per tab position, its leader, when any has one
    BarTabs,        // block: the \tb positions in twips, which draw no stop
    HangingTab,     // block: the stop at the left indent that a hanging indent implies
};

struct ReadOptions {
    // A fragment (a selection, the clipboard) keeps a final paragraph mark.
    bool fragment = false;
    // Set from another thread to stop a long read early; the document then holds a part.
    const std::atomic<bool> *cancel = nullptr;
    // When set, only the start of a long text is read: the read ends at the first paragraph
    // mark past this many bytes of input, and never reads more than twice as many.
    qsizetype stopAfter = 0;
};

LCBASE_EXPORT bool isRtf(QByteArrayView data);

// Replaces the document's content. Data that is not RTF is read as plain text (UTF-8 when it
// is valid UTF-8, else cp1252).
LCBASE_EXPORT void read(QByteArrayView rtf, QTextDocument &document,
                        const ReadOptions &options = {});

// The kind of face a font of this family is (sans for Arial, serif for Times New Roman...);
// AnyStyle for families it does not know.
LCBASE_EXPORT QFont::StyleHint styleHintOf(const QString &family);
// Makes faces of the same metrics stand in for the common Windows families, program-wide.
LCBASE_EXPORT void installFontSubstitutes();

// The whole document, or the characters [from, to) of it as a fragment.
LCBASE_EXPORT QByteArray write(const QTextDocument &document);
LCBASE_EXPORT QByteArray write(const QTextDocument &document, int from, int to);

// The text alone, without building a document: paragraphs end in CR LF, a line break is LF,
// a picture is U+FFFC, a non-breaking space a space. The same text as a rich text box's Text.
LCBASE_EXPORT QString plainText(QByteArrayView rtf);

LCBASE_EXPORT QByteArray toBytes(const QString &rtf);
LCBASE_EXPORT QString fromBytes(QByteArrayView rtf);

// A \pict group holding the image as PNG, shown at the given size in pixels.
LCBASE_EXPORT QByteArray pictureGroup(const QImage &image, QSizeF shown);
// The document resource name under which a picture with this group is shown.
LCBASE_EXPORT QUrl pictureUrl(QByteArrayView source);

} // namespace lc::rtf
