#include "pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace lc::rtf::detail {
namespace {

// No picture in a text file needs more; a header that claims more is not believed.
constexpr qint64 kMaxPixels = 32LL * 1024 * 1024;
constexpr double kMaxShown = 4800; // 50 inches

quint16 u16(const QByteArray &b, qsizetype at)
{
    return quint16(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return quint32(u16(b, at)) | quint32(u16(b, at + 2)) << 16;
}

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

QImage readImage(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

} // namespace

QByteArray dibToBmp(const QByteArray &dib)
{
    if (dib.size() < 12)
        return {};
    const quint32 headerSize = u32(dib, 0);
    qint64 width = 0, height = 0;
    int bits = 0;
    quint32 compression = 0, used = 0;
    if (headerSize == 12) {
        width = u16(dib, 4);
        height = u16(dib, 6);
        bits = u16(dib, 10);
    } else if (headerSize >= 40 && headerSize <= 124 && dib.size() >= 40) {
        width = qint32(u32(dib, 4));
        height = qint32(u32(dib, 8));
        bits = u16(dib, 14);
        compression = u32(dib, 16);
        used = u32(dib, 32);
    } else {
        return {};
    }
    if (width <= 0 || height == 0 || std::abs(height) > 32767 || width > 32767)
        return {};
    if (width * std::abs(height) > kMaxPixels)
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return {};
    qint64 colors = 0;
    if (bits <= 8)
        colors = used > 0 && used <= (1u << bits) ? used : (1u << bits);
    const int entry = headerSize == 12 ? 3 : 4;
    qint64 offset = 14 + headerSize + colors * entry;
    if (headerSize == 40 && (compression == 3 || compression == 6))
        offset += compression == 3 ? 12 : 16; // the colour masks follow the short header
    if (offset - 14 > dib.size())
        return {};
    QByteArray bmp;
    bmp.reserve(dib.size() + 14);
    bmp.append("BM", 2);
    put32(bmp, quint32(14 + dib.size()));
    put32(bmp, 0);
    put32(bmp, quint32(offset));
    bmp.append(dib);
    return bmp;
}

QByteArray dibInMetafile(const QByteArray &wmf)
{
    qsizetype at = 0;
    // A placeable header may come first.
    if (wmf.size() >= 22 && u32(wmf, 0) == 0x9AC6CDD7u)
        at = 22;
    if (wmf.size() < at + 18)
        return {};
    const quint16 headerWords = u16(wmf, at + 2);
    if (headerWords != 9)
        return {};
    at += 18;
    while (at + 6 <= wmf.size()) {
        const qint64 words = u32(wmf, at);
        const quint16 function = u16(wmf, at + 4);
        const qint64 bytes = words * 2;
        if (words < 3 || at + bytes > wmf.size())
            return {};
        qsizetype dibAt = -1;
        switch (function) {
        case 0x0F43: // StretchDIBits
            dibAt = at + 28;
            break;
        case 0x0B41: // DIBStretchBlt with a bitmap
            if (words != (function >> 8) + 3)
                dibAt = at + 26;
            break;
        case 0x0940: // DIBBitBlt with a bitmap
            if (words != (function >> 8) + 3)
                dibAt = at + 22;
            break;
        case 0x0000: // end of the metafile
            return {};
        default:
            break;
        }
        if (dibAt >= 0 && dibAt < at + bytes)
            return wmf.mid(dibAt, at + bytes - dibAt);
        at += bytes;
    }
    return {};
}

QImage decodePictureData(const PictureData &data)
{
    switch (data.kind) {
    case PictureKind::Png:
        return readImage(data.bytes, "png");
    case PictureKind::Jpeg:
        return readImage(data.bytes, "jpeg");
    case PictureKind::Dib: {
        const QByteArray bmp = dibToBmp(data.bytes);
        return bmp.isEmpty() ? QImage() : readImage(bmp, "bmp");
    }
    case PictureKind::Wmf: {
        const QByteArray dib = dibInMetafile(data.bytes);
        const QByteArray bmp = dib.isEmpty() ? QByteArray() : dibToBmp(dib);
        return bmp.isEmpty() ? QImage() : readImage(bmp, "bmp");
    }
    case PictureKind::Other:
        break;
    }
    return {};
}

QSizeF shownSize(const PictureGeometry &g, const QImage &image)
{
    const bool metafile = g.kind == PictureKind::Wmf || g.kind == PictureKind::Other;
    auto natural = [&](int pic, int fromImage) -> double {
        if (pic > 0)
            return metafile ? pic * 96.0 / 2540.0 : double(pic);
        return fromImage > 0 ? double(fromImage) : 96.0;
    };
    double w = g.goalw > 0 ? g.goalw / 15.0 : natural(g.picw, image.width());
    double h = g.goalh > 0 ? g.goalh / 15.0 : natural(g.pich, image.height());
    w = w * g.scalex / 100.0;
    h = h * g.scaley / 100.0;
    return QSizeF(std::clamp(w, 1.0, kMaxShown), std::clamp(h, 1.0, kMaxShown));
}

QImage placeholderImage()
{
    // Drawn once; the document scales it to each picture's size.
    static const QImage image = [] {
        QImage img(48, 48, QImage::Format_ARGB32);
        img.fill(QColor(0xE8, 0xE8, 0xE8));
        QPainter p(&img);
        p.setPen(QColor(0x90, 0x90, 0x90));
        p.drawRect(0, 0, 47, 47);
        p.drawLine(0, 0, 47, 47);
        p.drawLine(0, 47, 47, 0);
        return img;
    }();
    return image;
}

} // namespace lc::rtf::detail
