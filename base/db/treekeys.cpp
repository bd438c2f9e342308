#include "treekeys.h"

#include "fixedlists.h"

#include <QStringBuilder>

#include <limits>

namespace lc::keys {
namespace {

QString num(qint64 n)
{
    return QString::number(n);
}

// A decimal number without sign or leading zero, at most max; nothing otherwise.
std::optional<qint64> number(QStringView digits, qint64 max)
{
    if (digits.isEmpty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == u'0'))
        return std::nullopt;
    qint64 n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c.unicode() - u'0');
    }
    if (n > max)
        return std::nullopt;
    return n;
}

// The number of one part with the given prefix ("P_5" with 'P').
std::optional<qint64> part(QStringView piece, char16_t prefix, qint64 max)
{
    if (piece.size() < 3 || piece[0] != prefix || piece[1] != u'_')
        return std::nullopt;
    return number(piece.mid(2), max);
}

bool isBrand(QStringView text)
{
    int count = 0;
    const lc::names::PlatformRow *rows = lc::names::platformRows(&count);
    for (int i = 0; i < count; ++i)
        if (text == QLatin1String(rows[i].brand))
            return true;
    return false;
}

constexpr qint64 kByte = 255;
constexpr qint64 kLong = std::numeric_limits<qint32>::max();

} // namespace

QString platformKey(quint8 platformId)
{
    return u"P_" % num(platformId);
}

QString genreKey(quint8 genreId, quint8 platformId)
{
    return u"G_" % num(genreId) % u"|P_" % num(platformId);
}

QString gameKey(qint32 gameId, quint8 genreId, quint8 platformId)
{
    return gameKey(gameId, genreKey(genreId, platformId));
}

QString gameKey(qint32 gameId, const QString &genreKey)
{
    return u"N_" % num(gameId) % u'|' % genreKey;
}

QString fileKey(qint32 fileId)
{
    return u"K_" % num(fileId);
}

QString locationKey(qint32 fileId, qint32 gameId, quint8 genreId, quint8 platformId)
{
    return fileKey(fileId) % u'|' % gameKey(gameId, genreId, platformId);
}

QString platformList(const QList<quint8> &platformIds)
{
    QString out;
    for (const quint8 id : platformIds)
        out += u'|' % platformKey(id);
    return out;
}

TreeKey parse(QStringView key)
{
    TreeKey k;
    if (key == kRoot) {
        k.kind = Kind::Root;
        return k;
    }
    if (isBrand(key)) {
        k.kind = Kind::Brand;
        k.brand = key.toString();
        return k;
    }
    const QList<QStringView> parts = key.split(u'|');
    // The parts name, from the last backwards: platform, genre, game, file. A file key
    // stands alone.
    if (parts.size() == 1 && key.startsWith(u'K')) {
        const auto file = part(parts[0], u'K', kLong);
        if (!file)
            return {};
        k.kind = Kind::File;
        k.fileId = qint32(*file);
        return k;
    }
    static constexpr char16_t kPrefixes[] = {u'K', u'N', u'G', u'P'};
    static constexpr Kind kKinds[] = {Kind::Location, Kind::Game, Kind::Genre, Kind::Platform};
    if (parts.size() > 4)
        return {};
    const int first = 4 - int(parts.size());
    std::optional<qint64> ids[4];
    for (int i = 0; i < int(parts.size()); ++i) {
        const int slot = first + i;
        ids[slot] = part(parts[i], kPrefixes[slot], slot < 2 ? kLong : kByte);
        if (!ids[slot])
            return {};
    }
    k.kind = kKinds[first];
    k.fileId = qint32(ids[0].value_or(0));
    k.gameId = qint32(ids[1].value_or(0));
    k.genreId = quint8(ids[2].value_or(0));
    k.platformId = quint8(ids[3].value_or(0));
    return k;
}

std::optional<QList<quint8>> parsePlatformList(QStringView list)
{
    QList<quint8> ids;
    if (list.isEmpty())
        return ids;
    if (!list.startsWith(u'|'))
        return std::nullopt;
    const QList<QStringView> parts = list.mid(1).split(u'|');
    for (const QStringView p : parts) {
        const auto id = part(p, u'P', kByte);
        if (!id)
            return std::nullopt;
        ids << quint8(*id);
    }
    return ids;
}

} // namespace lc::keys
