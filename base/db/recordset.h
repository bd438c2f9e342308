#pragma once

#include "dberror.h"
#include "lcbase_export.h"

#include <QString>
#include <QVariant>

#include <array>
#include <cstring>
#include <memory>

namespace lc::db {

class Connection;

// A client-side result set of one SELECT text in the program's statement dialect:
//   SELECT col[, col...] FROM table [WHERE expr]
// where expr joins comparisons (col = value, <>, <, >, <=, >=) with And / Or / Not and
// parentheses; values are numbers, 'quoted' text ('' for a quote), True, False or Null.
// Keywords and column names are matched without regard to case. All rows are loaded at
// open, so recordCount() is exact. Writes go to the table by its row id with bound values.
class LCBASE_EXPORT Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Optimistic: rows may be added, changed and deleted, written one at a time. ReadOnly: a
    // recordset that only reads (a counter's) loads faster; adding, changing and deleting
    // fail with ErrNotAllowed.
    enum class Lock { Optimistic, ReadOnly };
    bool open(const QString &selectText, Connection &conn, Lock lock = Lock::Optimistic);
    void close();
    bool isOpen() const;

    // Re-runs the statement; the filter stays applied; positions on the first row.
    bool requery();

    // Number of rows visible through the current filter.
    int recordCount() const;
    bool bof() const;
    inline bool eof() const;
    void moveFirst();
    inline void moveNext();
    void movePrevious();
    void moveLast();
    // Zero-based position among the visible rows, -1 at BOF or EOF.
    int position() const;

    int fieldCount() const;
    QString fieldName(int index) const;
    // -1 when the recordset has no field of that name (case-insensitive).
    int fieldIndex(const QString &name) const;
    // Value of the current row; a null QVariant for NULL. Sets lastError on a bad
    // name or when there is no current row.
    inline QVariant field(const QString &name) const;
    QVariant field(int index) const;
    bool isNull(const QString &name) const;

    // Filter with the same expression language as WHERE. An empty text removes it.
    // Moves to the first visible row. Equality filters on the same columns are
    // answered from an index built the first time that shape is used.
    bool setFilter(const QString &expr);
    QString filter() const;
    // For benchmarks only: with false, filters and counts scan every row instead of using
    // their indexes, to show what the indexes save. Applies to all recordsets.
    static void setFilterIndexingForBenchmarks(bool enabled);
    // Number of rows that pass expr, without touching the filter or the position: what
    // recordCount() would be after setFilter(expr). 0, with lastError set, for a bad expr.
    int count(const QString &expr);

    // Searches forward from the current row (inclusive) for a row that passes expr;
    // leaves the position there, or at EOF when none does.
    bool find(const QString &expr);

    // Editing: addNew() starts a new row, setField() assigns on the new or current row,
    // update() writes it (INSERT or UPDATE by row id with bound values) and, for a new row,
    // reads back its id into the auto_id field if selected. cancelUpdate() drops pending
    // changes. deleteCurrent() deletes the current row; it stays current (as deleted)
    // until the next move.
    bool addNew();
    bool setField(const QString &name, const QVariant &value);
    bool update();
    void cancelUpdate();
    bool deleteCurrent();
    bool editing() const;
    // Row id of the last row written by update().
    qint64 lastInsertId() const;

    const Error &lastError() const;
    // The statement text after parsing, as run against the database (for logs and tests).
    QString sqlText() const;

private:
    // Walking the rows forward (eof, moveNext, field by name) is what every list and tree
    // load does for each row, so that path is inline here and reads the loaded cells where
    // they lie. The state it needs is kept by the out-of-line code, which is asked whenever
    // the inline answer is not certain.
    struct Walk {
        static constexpr int kNames = 4;
        // A cell: a 32-bit value, then its type byte; 1 is an integer held in the cell.
        static constexpr int kCellBytes = 5;
        static constexpr int kTypeAt = 4;
        static constexpr unsigned char kIntCell = 1;

        const unsigned char *here = nullptr;    // the current row's cells; null when there is none
        const unsigned char *runLast = nullptr; // the last row stored right after it in turn
        int pos = 0;
        int rowBytes = 0;
        bool ready = false; // browsing, with no error to clear: the inline path may answer
        // Names asked for recently, known by the address of their characters, and the byte
        // offsets of their cells in a row; a look-up by name remembers them.
        mutable std::array<const QChar *, kNames> names{};
        mutable std::array<qsizetype, kNames> nameSizes{};
        mutable std::array<int, kNames> nameOffsets{};
    };

    bool eofOutOfLine() const;
    void moveNextOutOfLine();
    QVariant fieldByName(const QString &name) const;

    struct Impl;
    std::unique_ptr<Impl> d;
    Walk *m_walk; // the part of *d the inline path reads
};

bool Recordset::eof() const
{
    return m_walk->here ? false : eofOutOfLine();
}

void Recordset::moveNext()
{
    Walk &w = *m_walk;
    if (w.here && w.ready && w.here != w.runLast) [[likely]] {
        w.here += w.rowBytes;
        ++w.pos;
        return;
    }
    moveNextOutOfLine();
}

QVariant Recordset::field(const QString &name) const
{
    const Walk &w = *m_walk;
    if (w.here && w.ready) [[likely]] {
        const QChar *chars = name.constData();
        for (int k = 0; k < Walk::kNames; ++k) {
            if (w.names[size_t(k)] == chars && w.nameSizes[size_t(k)] == name.size()) {
                const unsigned char *cell = w.here + w.nameOffsets[size_t(k)];
                if (cell[Walk::kTypeAt] != Walk::kIntCell)
                    break;
                qint32 value;
                std::memcpy(&value, cell, sizeof value);
                return QVariant(qlonglong(value));
            }
        }
    }
    return fieldByName(name);
}

} // namespace lc::db
