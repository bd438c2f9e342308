#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>

// Turning the data of an RTF picture into an image, within limits a hostile file cannot
// talk us out of.
namespace lc::rtf::detail {

enum class PictureKind { Png, Jpeg, Dib, Wmf, Other };

struct PictureData {
    PictureKind kind = PictureKind::Other;
    QByteArray bytes;
};

struct PictureGeometry {
    int picw = 0; // pixels for bitmaps, 1/100 mm for metafiles
    int pich = 0;
    int goalw = 0; // twips
    int goalh = 0;
    int scalex = 100; // percent
    int scaley = 100;
    PictureKind kind = PictureKind::Other;
};

// Null when the data cannot be shown: unknown kind, broken data, or too large.
QImage decodePictureData(const PictureData &data);
// A bitmap file made of a DIB (header, colour table, bits), or empty when it is broken.
QByteArray dibToBmp(const QByteArray &dib);
// The first DIB inside a Windows metafile's records, or empty.
QByteArray dibInMetafile(const QByteArray &wmf);
// The size to show in pixels of 1/96 inch, clamped to something a page can hold.
QSizeF shownSize(const PictureGeometry &g, const QImage &image);
// What stands in for a picture that cannot be shown.
QImage placeholderImage();

} // namespace lc::rtf::detail
