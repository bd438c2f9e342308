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
// shows as a different database file (size and time) at opening, or as a new data version while
// open; every row is then checked against the hash stored with its entry and the changed ones
// are indexed again. A missing, foreign, older or unfinished side file is rebuilt.
//
// Rebuilding and checking run on a connection of their own, so the program's connection holds no
// transaction while they let events run: what a user saves meanwhile is written at once and
// folded in afterwards.
class LCBASE_EXPORT SearchIndex {
public:
    // Called with (done, total) while rebuilding or checking; returning false cancels.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    static QString sidePath(const QString &dbPath);

    // Attaches the side file and installs the triggers (a damaged or foreign side file is
    // replaced by an empty one). Does not rebuild: ask needsRebuild() afterwards.
    static bool attach(Connection &conn, Error *error = nullptr);
    static bool isAttached(const Connection &conn);
    // Folds pending changes in and marks the index as cleanly closed; true when it was.
    // Connection::close calls it, and closed() once the database file is shut.
    static bool detach(Connection &conn);
    static void closed(const QString &dbPath);

    enum class Need {
        Nothing, // the index matches the file table (after folding in pending writes)
        Check,   // another program may have written: compare every row with its hash
        Rebuild, // missing, another version, unfinished or damaged
    };
    static Need need(Connection &conn);
    static bool needsRebuild(Connection &conn) { return need(conn) != Need::Nothing; }
    // Attaches when needed and does what need() says: nothing, a check or a rebuild, then folds
    // pending writes in. False when cancelled or failed (with error set only on failure).
    static bool prepare(Connection &conn, const Progress &progress = {}, Error *error = nullptr);
    // Indexes every file anew into a fresh side file that replaces the old one when complete;
    // false when cancelled or failed (the old side file then stays as it was).
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
    // The same match without the index: every file row of the collection read and, when the
    // Text field is ticked, decoded. Slow on a large collection, but it needs no side file, so
    // a search still answers where none can be made. Same results, same order, same callbacks.
    static bool scan(Connection &conn, const Query &query, const Callbacks &callbacks,
                     Error *error = nullptr);

    // The plain text stored for a file (tests and the reference scan compare against it).
    static QString indexedText(const QString &rtf);
    // The reference rule, row by row: the ticked fields joined with one blank contain the text.
    static bool matches(const Query &query, const QString &desc, const QString &src,
                        const QString &plain);
};

} // namespace lc::db
