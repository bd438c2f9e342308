#pragma once

#include "dberror.h"
#include "lcbase_export.h"

#include <QList>
#include <QString>

#include <functional>

namespace lc::db {

class Connection;

// The full-text index over a collection's files. It lives in a side file beside the database
// ("lorecase.fts" beside "lorecase.mdb"), attached to the program's connection as "lcsearch":
// it can always be rebuilt from the file table, so the collection itself keeps its five tables
// and a lost or damaged index costs a rebuild, never data.
//
// Every write of a file row on the attached connection, by whoever makes it, is noted by temporary
// triggers and folded into the index before the next search. A change made by another program
// (or lost in a crash) is found when the collection is opened and before each search, by the
// row count and ids, and the index is then rebuilt.
class LCBASE_EXPORT SearchIndex {
public:
    // Called with (done, total) while rebuilding; returning false cancels.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    static QString sidePath(const QString &dbPath);

    // Attaches the side file and installs the triggers (a fresh or damaged side file is
    // replaced). Does not rebuild: ask needsRebuild() afterwards.
    static bool attach(Connection &conn, Error *error = nullptr);
    static bool isAttached(const Connection &conn);
    // Folds pending changes in and marks the index as cleanly closed. Connection::close
    // calls it.
    static void detach(Connection &conn);

    // True when the index is missing, of another version, unfinished, left by a crash or out of
    // step with the file table.
    static bool needsRebuild(Connection &conn);
    // Indexes every file anew; false when cancelled or failed (the index then stays marked
    // unfinished and is rebuilt next time).
    static bool rebuild(Connection &conn, const Progress &progress = {}, Error *error = nullptr);
    // Folds the rows written since the last call into the index.
    static bool refresh(Connection &conn, Error *error = nullptr);
    // The number of file ids waiting for refresh().
    static int pending(const Connection &conn);

    struct Query {
        QString text;            // matched exactly, case-sensitive
        bool description = true; // fields, joined in this order with one blank
        bool source = true;
        bool text_ = false;       // the plain text of the file, as the viewer shows it
        QList<quint8> categories; // none: every category
        qint32 gameId = 0;        // 0: every game
    };
    struct Hit {
        qint32 id = 0;
        qint32 gameId = 0;
        quint8 subCat = 0;
        QString desc;
    };
    struct Callbacks {
        // Every hit in file order; returning false stops the search.
        std::function<bool(const Hit &)> hit;
        // Called now and then during a long search; returning false stops it.
        std::function<bool()> tick;
    };

    // The number of files meeting the game and category conditions; -1 on error.
    static qint64 countRows(Connection &conn, const Query &query, Error *error = nullptr);
    // Runs the match; false on error (a stop asked by a callback is no error).
    static bool search(Connection &conn, const Query &query, const Callbacks &callbacks,
                       Error *error = nullptr);

    // The plain text stored for a file (tests and the reference scan compare against it).
    static QString indexedText(const QString &rtf);
};

} // namespace lc::db
