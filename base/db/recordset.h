#pragma once

#include "dberror.h"
#include "lcbase_export.h"

#include <QString>
#include <QVariant>

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

    bool open(const QString &selectText, Connection &conn);
    void close();
    bool isOpen() const;

    // Re-runs the statement; the filter stays applied; positions on the first row.
    bool requery();

    // Number of rows visible through the current filter.
    int recordCount() const;
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveNext();
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
    QVariant field(const QString &name) const;
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
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace lc::db
