#pragma once

#include "lcbase_export.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The keys of the game tree and of the files hung from it. Ids are written in decimal
// without leading zeros; parts are joined by "|", each a two-letter prefix and a number.
namespace lc::keys {

inline const QString kRoot = QStringLiteral("ROOT");

LCBASE_EXPORT QString platformKey(quint8 platformId);                            // P_5
LCBASE_EXPORT QString genreKey(quint8 genreId, quint8 platformId);               // G_2|P_5
LCBASE_EXPORT QString gameKey(qint32 gameId, quint8 genreId, quint8 platformId); // N_40|G_2|P_5
// The same under a genre key already made (the tree loader has its parent's key in hand).
LCBASE_EXPORT QString gameKey(qint32 gameId, const QString &genreKey);
// A file's row in a game's file list.
LCBASE_EXPORT QString fileKey(qint32 fileId); // K_311
// Where a file lives: its file key and its game's key (bookmarks store it).
LCBASE_EXPORT QString locationKey(qint32 fileId, qint32 gameId, quint8 genreId,
                                  quint8 platformId); // K_311|N_40|G_2|P_5
// "|" before every platform's key, in the order given: |P_1|P_4.
LCBASE_EXPORT QString platformList(const QList<quint8> &platformIds);

// The kinds a key can name; root to game carry the node types a tree click reports.
enum class Kind {
    Invalid = -1,
    Root = 0,
    Brand = 1,
    Platform = 2,
    Genre = 3,
    Game = 4,
    File,
    Location
};

struct TreeKey {
    Kind kind = Kind::Invalid;
    quint8 platformId = 0;
    quint8 genreId = 0;
    qint32 gameId = 0;
    qint32 fileId = 0;
    QString brand; // brand nodes only
};

// Takes any of the keys above apart. Anything else, a missing or extra part, a part out of
// order, a number with a sign, a leading zero or trailing text, or one too large for its
// field (platform and genre 0-255, game and file ids 32-bit) gives Kind::Invalid.
LCBASE_EXPORT TreeKey parse(QStringView key);
// The platform ids of a platform list; nothing for a malformed list (an empty one is fine).
LCBASE_EXPORT std::optional<QList<quint8>> parsePlatformList(QStringView list);

} // namespace lc::keys
