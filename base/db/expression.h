#pragma once

// The statement dialect and the expression language shared by WHERE, filters, find and
// count: one tokenizer, one parser, one evaluator. Internal to the database layer.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <limits>
#include <vector>

namespace lc::db::detail {

// A number as the comparisons see it: whole numbers stay exact.
struct Number {
    bool isInt = true;
    qint64 i = 0;
    double d = 0;

    double real() const { return isInt ? double(i) : d; }
};

// Reads text as SQLite's numeric affinity would ("5", " -2.5 "); false for anything else.
bool readNumber(const QString &text, Number *out);

enum class CmpOp : quint8 { Eq, Ne, Lt, Gt, Le, Ge };

struct Constant {
    enum Kind : quint8 { Null, Int, Real, Text, Bool };
    Kind kind = Null;
    Number num;           // Int, Real, and Text that reads as a number (see numeric)
    bool truth = false;   // Bool
    bool numeric = false; // Text that also reads as a number
    QString text;         // Text as typed
    QString folded;       // Text case-folded, for index probes
};

struct Node {
    enum Kind : quint8 { And, Or, Not, Compare, IsNull, IsNotNull };
    Kind kind = Compare;
    CmpOp op = CmpOp::Eq;
    int column = -1;   // field index once resolved against a recordset
    int constant = -1; // index into Expr::constants
    int first = 0;     // children: Expr::kids[first, first + count)
    int count = 0;
    QString name; // column name as written
};

struct Expr {
    std::vector<Node> nodes;
    std::vector<int> kids;
    std::vector<Constant> constants;
    int root = -1;

    bool empty() const { return root < 0; }
};

struct Statement {
    QStringList columns;
    QString table;
    Expr where;
};

// Both return an empty string on success, otherwise a description of the problem.
QString parseStatement(const QString &text, Statement *out);
QString parseExpression(const QString &text, Expr *out);
// True for the text "column = whole number" (blanks allowed around the parts), with the two
// parts; parseExpression reads the same text to the same single comparison.
bool readSimpleEquality(const QString &text, QStringView *column, qint64 *number);

// Resolves column names to field indexes (case-insensitive); returns the first unknown name,
// or an empty string when all are known.
QString resolveColumns(Expr &expr, const QStringList &fields);
// The field index of a column name (case-insensitive), or -1.
int fieldIndex(const QStringList &fields, QStringView name);

// SQL for the expression with one '?' per constant; the constants to bind, in order, are
// appended to binds.
QString toSql(const Expr &expr, std::vector<const Constant *> *binds);
QString quoteIdentifier(const QString &name);

// Case-insensitive text ordering used by both the evaluator and the SQL collation, so a
// WHERE clause and a filter agree on which rows match.
int compareText(const QString &a, const QString &b);
inline constexpr const char *kCollation = "lc_nocase";

// One stored value in five bytes: loading a large table is mostly the cost of touching fresh
// memory for its cells. An integer that fits in 32 bits is kept in the cell itself; wider
// integers, reals, texts and blobs live in the pools and the cell holds their slot.
struct __attribute__((packed)) Cell {
    enum Type : quint8 { Null, Int, WideInt, Real, Text, Blob, Gone };
    union {
        qint32 i;
        quint32 ref;
    };
    Type type; // left uninitialized: blocks of cells are allocated ahead and filled by the loader

    bool isInt() const { return type == Int || type == WideInt; }
    bool isNumber() const { return type == Int || type == WideInt || type == Real; }
};
static_assert(sizeof(Cell) == 5);

struct Pools {
    std::vector<QString> texts;
    std::vector<QByteArray> blobs;
    std::vector<qint64> wideInts;
    std::vector<double> reals;

    // Only for a cell that isInt() or is Real.
    qint64 intOf(const Cell &c) const { return c.type == Cell::Int ? c.i : wideInts[c.ref]; }
    double realOf(const Cell &c) const { return reals[c.ref]; }

    // Assign a number, reusing the cell's slot when it already holds one of that kind.
    [[gnu::always_inline]] inline void setInt(Cell &c, qint64 v)
    {
        if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
            [[likely]] {
            c.type = Cell::Int;
            c.i = qint32(v);
        } else {
            setWideInt(c, v);
        }
    }
    [[gnu::noinline]] void setWideInt(Cell &c, qint64 v)
    {
        if (c.type == Cell::WideInt) {
            wideInts[c.ref] = v;
        } else {
            c.type = Cell::WideInt;
            c.ref = quint32(wideInts.size());
            wideInts.push_back(v);
        }
    }
    void setReal(Cell &c, double v)
    {
        if (c.type == Cell::Real) {
            reals[c.ref] = v;
        } else {
            c.type = Cell::Real;
            c.ref = quint32(reals.size());
            reals.push_back(v);
        }
    }
};

enum class Tri : quint8 { False, True, Unknown };

// Evaluates a resolved expression on one row with SQL's three-valued logic; a row passes
// only on True.
Tri evaluate(const Expr &expr, const Cell *row, const Pools &pools);
Tri compareCell(const Cell &cell, CmpOp op, const Constant &k, const Pools &pools);

} // namespace lc::db::detail
