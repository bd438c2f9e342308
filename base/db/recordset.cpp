#include "recordset.h"

#include "connection.h"
#include "expression.h"

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lc::db {

using detail::Cell;
using detail::CmpOp;
using detail::Constant;
using detail::Expr;
using detail::Node;
using detail::Tri;

namespace {

// Equality filters on up to this many columns are answered from a hash index.
constexpr int kMaxIndexColumns = 4;
// Off only while a benchmark times the scans the indexes replace.
std::atomic<bool> g_indexing{true};

// One column's part of an index key: a number, a case-folded text (by its id in the index),
// or a truthiness for True/False tests.
enum KeyTag : quint8 { KeyUnused, KeyInt, KeyReal, KeyText, KeyTruth };

struct Key {
    std::array<qint64, kMaxIndexColumns> v{};
    std::array<quint8, kMaxIndexColumns> tag{};

    bool operator==(const Key &o) const
    {
        // The first column decides almost every comparison.
        if (v[0] != o.v[0] || tag != o.tag)
            return false;
        for (int i = 1; i < kMaxIndexColumns; ++i)
            if (v[i] != o.v[i])
                return false;
        return true;
    }
};

struct KeyHash {
    size_t operator()(const Key &k) const noexcept
    {
        size_t h = 0;
        for (int i = 0; i < kMaxIndexColumns; ++i) {
            const quint64 x = quint64(k.v[i]) * 0x9E3779B97F4A7C15ull + k.tag[i];
            h ^= x + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        }
        return h;
    }
};

// The rows of each distinct key lie together in one flat array, found through an
// open-addressing table: two passes over the rows build it, with no allocation per key.
struct Index {
    std::vector<int> columns; // ascending field indexes
    std::vector<bool> truth;  // per column: True/False test rather than a value
    QHash<QString, qint64> textIds;

    struct Entry {
        Key key;
        int start = 0; // into rows
        int count = 0;
    };
    std::vector<Entry> entries;
    std::vector<int> table; // entry + 1 per slot, 0 for empty; size is a power of two
    std::vector<int> rows;  // grouped by entry, ascending within each
    bool grouped = false;   // rows filled: an index made for counts alone holds none
    // Counts alone of one column that holds only 32-bit integers in a narrow range (ids):
    // the count of each value at value - denseBase, with no entries or table at all.
    bool dense = false;
    qint64 denseBase = 0;
    std::vector<int> denseCounts;

    int countOf(const Key &key) const
    {
        if (dense) {
            const qint64 at = key.v[0] - denseBase;
            return key.tag[0] == KeyInt && at >= 0 && at < qint64(denseCounts.size())
                       ? denseCounts[size_t(at)]
                       : 0;
        }
        const Entry *entry = find(key);
        return entry ? entry->count : 0;
    }

    const Entry *find(const Key &key) const
    {
        if (table.empty())
            return nullptr;
        const size_t mask = table.size() - 1;
        for (size_t s = KeyHash()(key) & mask;; s = (s + 1) & mask) {
            const int e = table[s];
            if (e == 0)
                return nullptr;
            if (entries[size_t(e - 1)].key == key)
                return &entries[size_t(e - 1)];
        }
    }

    int findOrAdd(const Key &key)
    {
        if ((entries.size() + 1) * 2 > table.size())
            grow();
        const size_t mask = table.size() - 1;
        for (size_t s = KeyHash()(key) & mask;; s = (s + 1) & mask) {
            const int e = table[s];
            if (e == 0) {
                entries.push_back({key, 0, 0});
                table[s] = int(entries.size());
                return int(entries.size()) - 1;
            }
            if (entries[size_t(e - 1)].key == key)
                return e - 1;
        }
    }

    void grow()
    {
        table.assign(std::max<size_t>(1024, table.size() * 2), 0);
        const size_t mask = table.size() - 1;
        for (size_t e = 0; e < entries.size(); ++e) {
            size_t s = KeyHash()(entries[e].key) & mask;
            while (table[s] != 0)
                s = (s + 1) & mask;
            table[s] = int(e + 1);
        }
    }
};

// A filter part col = value (or col = True/False) that an index can answer.
struct Part {
    int column;
    const Constant *k;
};

void numberKey(const detail::Number &n, qint64 *v, quint8 *tag)
{
    // 5 and 5.0 are the same key, as they compare equal.
    if (n.isInt) {
        *v = n.i;
        *tag = KeyInt;
    } else if (n.d == std::trunc(n.d) && n.d >= -9.2e18 && n.d <= 9.2e18) {
        *v = qint64(n.d);
        *tag = KeyInt;
    } else {
        std::memcpy(v, &n.d, sizeof(double));
        *tag = KeyReal;
    }
}

// Full row blocks freed by one recordset are handed to the next load instead of going back to
// the system: reopening or requerying a large table then writes into memory that is already
// mapped rather than faulting in fresh pages. Bounded, shared by all recordsets.
class BlockPool {
public:
    static BlockPool &instance()
    {
        // Never destroyed: a recordset may be freed during program exit, after statics.
        static BlockPool *pool = new BlockPool;
        return *pool;
    }
    Cell *take(size_t cells)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            for (size_t i = m_blocks.size(); i-- > 0;) {
                if (m_blocks[i].second == cells) {
                    Cell *block = m_blocks[i].first;
                    m_blocks.erase(m_blocks.begin() + qsizetype(i));
                    m_bytes -= cells * sizeof(Cell);
                    return block;
                }
            }
        }
        return new Cell[cells];
    }
    void give(Cell *block, size_t cells)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bytes + cells * sizeof(Cell) <= kMaxBytes) {
                m_blocks.emplace_back(block, cells);
                m_bytes += cells * sizeof(Cell);
                return;
            }
        }
        delete[] block;
    }

private:
    static constexpr size_t kMaxBytes = size_t(32) << 20;
    std::mutex m_mutex;
    std::vector<std::pair<Cell *, size_t>> m_blocks;
    size_t m_bytes = 0;
};

// The loaded rows: blocks of 4096 rows, so loading a large table never copies what is already
// loaded and a row is found with a shift and a multiply. The first block starts small and
// grows (moving its rows) until it is full size, so a short list costs little memory.
class RowStore {
public:
    explicit RowStore(int stride = 1) : m_stride(stride) {}
    ~RowStore() { release(); }
    RowStore(RowStore &&other) noexcept { *this = std::move(other); }
    RowStore &operator=(RowStore &&other) noexcept
    {
        if (this != &other) {
            release();
            m_blocks = std::move(other.m_blocks);
            m_stride = other.m_stride;
            m_rows = std::exchange(other.m_rows, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
            other.m_blocks.clear();
        }
        return *this;
    }
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;

    int size() const { return m_rows; }
    // The last row stored right after row r in the same block, and so in turn with it.
    int lastInBlock(int r) const { return std::min(m_rows - 1, r | kMask); }
    Cell *row(int r) { return m_blocks[size_t(r) >> kShift] + offset(r); }
    const Cell *row(int r) const { return m_blocks[size_t(r) >> kShift] + offset(r); }
    // Room for one more row; the caller fills every cell.
    Cell *append()
    {
        if (m_rows == m_capacity) [[unlikely]]
            grow();
        return row(m_rows++);
    }

private:
    static constexpr int kShift = 12;
    static constexpr int kBlockRows = 1 << kShift;
    static constexpr int kMask = kBlockRows - 1;
    static constexpr int kFirstRows = 64;

    size_t offset(int r) const { return size_t(r & kMask) * size_t(m_stride); }
    size_t fullBlock() const { return size_t(kBlockRows) * size_t(m_stride); }
    void grow()
    {
        if (m_capacity >= kBlockRows) {
            m_blocks.push_back(BlockPool::instance().take(fullBlock()));
            m_capacity += kBlockRows;
            return;
        }
        const int rows = m_capacity == 0 ? kFirstRows : std::min(m_capacity * 2, kBlockRows);
        Cell *first = rows == kBlockRows ? BlockPool::instance().take(fullBlock())
                                         : new Cell[size_t(rows) * size_t(m_stride)];
        if (m_blocks.empty()) {
            m_blocks.push_back(first);
        } else {
            std::memcpy(static_cast<void *>(first), m_blocks[0],
                        size_t(m_rows) * size_t(m_stride) * sizeof(Cell));
            delete[] m_blocks[0];
            m_blocks[0] = first;
        }
        m_capacity = rows;
    }
    void release()
    {
        for (size_t b = 0; b < m_blocks.size(); ++b) {
            if (b == 0 && m_capacity < kBlockRows)
                delete[] m_blocks[b];
            else
                BlockPool::instance().give(m_blocks[b], fullBlock());
        }
        m_blocks.clear();
        m_rows = 0;
        m_capacity = 0;
    }

    std::vector<Cell *> m_blocks;
    int m_stride = 1;
    int m_rows = 0;
    int m_capacity = 0;
};

} // namespace

// The walking state (position, current row, recent names) is the Walk part, read inline by
// the header; everything that changes it goes through moveTo(), setMode(), fail() and
// clearError() so the inline answers stay right.
struct Recordset::Impl : Recordset::Walk {
    enum Mode { Browsing, Adding, Editing };
    static_assert(sizeof(Cell) == kCellBytes && offsetof(Cell, type) == kTypeAt &&
                  Cell::Int == kIntCell);

    bool open = false;
    std::shared_ptr<sqlite3 *> live;
    QString stmtText; // as the caller wrote it
    detail::Statement stmt;
    QString sql;
    QString rereadSql;
    std::vector<const Constant *> binds;
    QStringList fields;
    int nf = 0;
    // A selected INTEGER PRIMARY KEY column is the row id itself; otherwise the row id is kept
    // in one hidden cell after the fields. A deleted row is marked on its row id cell.
    int rowidField = -1;
    int idCol = 0;
    int stride = 1;
    // Read-only: no row ids are kept (none is needed to write), so loading reads less.
    bool readOnly = false;

    RowStore cells;
    detail::Pools pools;
    int goneCount = 0; // deleted rows still in cells
    // Rows seen through the filter, by position. Unfiltered with nothing deleted, position
    // and row are the same and the list stays empty.
    bool allRows = true;
    std::vector<int> visible;
    bool currentDeleted = false;

    QString filterText;
    Expr filter;
    std::unordered_map<quint64, Index> indexes;

    Mode mode = Browsing;
    int editRow = -1;
    std::vector<QVariant> pending;
    std::vector<char> assigned;
    qint64 lastId = 0;

    Error error;

    bool fail(int number, const QString &description)
    {
        error = Error{number, description};
        ready = false;
        return false;
    }
    void clearError()
    {
        if (error.number != ErrNone)
            error = Error::none();
        ready = mode == Browsing;
    }
    void setMode(Mode m)
    {
        mode = m;
        ready = m == Browsing && error.number == ErrNone;
    }
    bool checkOpen()
    {
        if (open)
            return true;
        return fail(ErrObjectClosed, QStringLiteral("The recordset is not open."));
    }
    bool checkWritable()
    {
        if (!readOnly)
            return true;
        return fail(ErrNotAllowed, QStringLiteral("The recordset is read-only."));
    }
    sqlite3 *db() const { return live ? *live : nullptr; }

    int rowCount() const { return cells.size(); }
    const Cell *row(int r) const { return cells.row(r); }
    Cell *row(int r) { return cells.row(r); }
    bool gone(int r) const { return row(r)[idCol].type == Cell::Gone; }
    int n() const { return allRows ? rowCount() : int(visible.size()); }
    int visibleRow(int at) const { return allRows ? at : visible[size_t(at)]; }
    // The current row's cells, null when there is none.
    const Cell *cur() const { return reinterpret_cast<const Cell *>(here); }
    void leaveRow()
    {
        here = nullptr;
        runLast = nullptr;
    }
    // Every change of position goes through here, so the current row is always right. Without
    // a filter or deleted rows, the rows after it in its block are the ones a step forward
    // reaches in turn.
    [[gnu::always_inline]] inline void moveTo(int p)
    {
        pos = p;
        currentDeleted = false;
        if (p < 0 || p >= n()) {
            leaveRow();
            return;
        }
        const int r = visibleRow(p);
        here = reinterpret_cast<const unsigned char *>(row(r));
        const int last = allRows ? cells.lastInBlock(r) : r;
        runLast = here + size_t(last - r) * size_t(rowBytes);
    }

    int currentRow() const
    {
        if (currentDeleted || pos < 0 || pos >= n())
            return -1;
        return visibleRow(pos);
    }

    // Callers walking rows pass the same name strings again and again: the last few are
    // remembered by identity (Walk's names), so a look-up is a pointer comparison. The copies
    // kept here hold their characters alive.
    mutable std::array<QString, Walk::kNames> recentNames;
    mutable int recentNext = 0;

    int fieldIndex(const QString &name) const
    {
        for (size_t k = 0; k < names.size(); ++k)
            if (names[k] == name.constData() && nameSizes[k] == name.size())
                return nameOffsets[k] / Walk::kCellBytes; // only non-empty names are kept
        const int found = findField(name);
        if (found >= 0 && !name.isEmpty()) {
            const size_t k = size_t(recentNext);
            recentNames[k] = name;
            names[k] = recentNames[k].constData();
            nameSizes[k] = name.size();
            nameOffsets[k] = found * Walk::kCellBytes;
            recentNext = (recentNext + 1) % int(recentNames.size());
        }
        return found;
    }

    int findField(const QString &name) const
    {
        for (int i = 0; i < nf; ++i)
            if (fields.at(i).size() == name.size() && fields.at(i) == name)
                return i;
        for (int i = 0; i < nf; ++i)
            if (fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    [[gnu::always_inline]] inline QVariant value(const Cell &c) const
    {
        switch (c.type) {
        case Cell::Int:
            return QVariant(qlonglong(c.i));
        case Cell::WideInt:
            return QVariant(qlonglong(pools.wideInts[c.ref]));
        case Cell::Real:
            return QVariant(pools.reals[c.ref]);
        case Cell::Text:
            return QVariant(pools.texts[c.ref]);
        case Cell::Blob:
            return QVariant(pools.blobs[c.ref]);
        default:
            return {};
        }
    }

    // Stores a normalized value, reusing the cell's pool slot when the kind is unchanged.
    void store(Cell &c, const QVariant &v)
    {
        switch (v.typeId()) {
        case QMetaType::LongLong:
            pools.setInt(c, v.toLongLong());
            return;
        case QMetaType::Double:
            pools.setReal(c, v.toDouble());
            return;
        case QMetaType::QString:
            if (c.type == Cell::Text) {
                pools.texts[c.ref] = v.toString();
            } else {
                c.ref = quint32(pools.texts.size());
                pools.texts.push_back(v.toString());
                c.type = Cell::Text;
            }
            return;
        case QMetaType::QByteArray:
            if (c.type == Cell::Blob) {
                pools.blobs[c.ref] = v.toByteArray();
            } else {
                c.ref = quint32(pools.blobs.size());
                pools.blobs.push_back(v.toByteArray());
                c.type = Cell::Blob;
            }
            return;
        default:
            c.type = Cell::Null;
            c.i = 0;
            return;
        }
    }

    // The value of a valid field index on the current row, or the pending one while editing.
    // Walking rows lands here twice per row or more: the common case stays small and inline.
    [[gnu::always_inline]] inline QVariant fieldAt(int index)
    {
        if (mode == Browsing && here) [[likely]] {
            clearError();
            return value(cur()[index]);
        }
        return fieldAtSlow(index);
    }
    QVariant fieldAtSlow(int index)
    {
        clearError();
        if (mode == Adding)
            return assigned[size_t(index)] ? pending[size_t(index)] : QVariant();
        if (mode == Editing && assigned[size_t(index)])
            return pending[size_t(index)];
        if (!here) {
            fail(ErrNoCurrentRecord, currentDeleted
                                         ? QStringLiteral("The current record has been deleted.")
                                         : QStringLiteral("There is no current record."));
            return {};
        }
        return value(cur()[index]);
    }

    void cancelEdit()
    {
        setMode(Browsing);
        editRow = -1;
        pending.clear();
        assigned.clear();
    }

    bool bindAll(sqlite3_stmt *st, const std::vector<const Constant *> &list, int from = 1);
    bool load(RowStore *outCells, detail::Pools *outPools);
    int findRowidField(sqlite3 *handle) const;
    bool readRow(sqlite3 *db, qint64 rowid, std::vector<QVariant> *values);
    void showAll();
    void materialize();
    bool parseFilter(const QString &text, Expr *expr);
    bool lookup(const Expr &expr, std::vector<int> *rows, int *count);
    bool countSimple(const QString &text, int *count);
    void select(const Expr &expr, std::vector<int> *rows, int *count);

    // Filter indexes, one per equality shape, kept up to date as rows are written.
    bool indexParts(const Expr &expr, std::array<Part, kMaxIndexColumns> *parts, int *count,
                    quint64 *shape) const;
    Index &indexFor(const std::array<Part, kMaxIndexColumns> &parts, int count, quint64 shape,
                    bool withRows);
    bool rowKey(Index &ix, int r, bool intern, Key *key);
    bool countDense(Index &ix);
    void indexAdd(int r);
    void indexRemove(int r);
};

bool Recordset::Impl::bindAll(sqlite3_stmt *st, const std::vector<const Constant *> &list, int from)
{
    int i = from;
    for (const Constant *k : list) {
        int rc = SQLITE_OK;
        switch (k->kind) {
        case Constant::Int:
        case Constant::Real:
            rc = k->num.isInt ? sqlite3_bind_int64(st, i, k->num.i)
                              : sqlite3_bind_double(st, i, k->num.d);
            break;
        case Constant::Text:
            rc = sqlite3_bind_text16(st, i, k->text.utf16(), int(k->text.size() * 2),
                                     SQLITE_TRANSIENT);
            break;
        default:
            rc = sqlite3_bind_null(st, i);
            break;
        }
        if (rc != SQLITE_OK)
            return false;
        ++i;
    }
    return true;
}

bool Recordset::Impl::load(RowStore *outCells, detail::Pools *outPools)
{
    sqlite3 *handle = db();
    if (!handle)
        return fail(ErrInvalidConnection, QStringLiteral("The connection is closed."));
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(st);
        return fail(ErrDatabase,
                    QStringLiteral("The database refused \"%1\": %2").arg(stmtText, why));
    }
    if (!bindAll(st, binds)) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(st);
        return fail(ErrDatabase, QStringLiteral("Cannot bind a value: %1").arg(why));
    }
    *outCells = RowStore(stride);
    *outPools = detail::Pools();
    int rc;
    // Values are read through sqlite3_value: one library call per column rather than two.
    // Safe because a connection is only ever used from one thread.
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Cell *out = outCells->append();
        for (int c = 0; c < nf; ++c) {
            sqlite3_value *v = sqlite3_column_value(st, c);
            Cell &cell = out[c];
            switch (sqlite3_value_type(v)) {
            case SQLITE_INTEGER:
                cell.type = Cell::Null; // no slot to reuse
                outPools->setInt(cell, sqlite3_value_int64(v));
                break;
            case SQLITE_FLOAT:
                cell.type = Cell::Null;
                outPools->setReal(cell, sqlite3_value_double(v));
                break;
            case SQLITE_TEXT: {
                const char *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
                cell.type = Cell::Text;
                cell.ref = quint32(outPools->texts.size());
                outPools->texts.push_back(QString::fromUtf8(text, sqlite3_value_bytes(v)));
                break;
            }
            case SQLITE_BLOB: {
                const char *blob = static_cast<const char *>(sqlite3_value_blob(v));
                cell.type = Cell::Blob;
                cell.ref = quint32(outPools->blobs.size());
                outPools->blobs.push_back(QByteArray(blob, sqlite3_value_bytes(v)));
                break;
            }
            default:
                cell.type = Cell::Null;
                cell.i = 0;
                break;
            }
        }
        if (stride > nf) {
            out[nf].type = Cell::Null;
            outPools->setInt(out[nf], sqlite3_column_int64(st, nf));
        }
    }
    const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        *outCells = RowStore(stride);
        *outPools = detail::Pools();
        return fail(ErrDatabase, QStringLiteral("Reading the rows failed: %1").arg(why));
    }
    return true;
}

// The selected column that is the row id itself, if any: a table's only primary key column,
// declared INTEGER, with no index of its own (an INTEGER PRIMARY KEY DESC gets one, and is
// then an ordinary column). -1 when there is none.
int Recordset::Impl::findRowidField(sqlite3 *handle) const
{
    const QString table = detail::quoteIdentifier(stmt.table);
    sqlite3_stmt *st = nullptr;
    int keys = 0;
    QString key;
    QString keyType;
    QString pragma = QStringLiteral("PRAGMA table_info(%1)").arg(table);
    if (sqlite3_prepare_v2(handle, pragma.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (sqlite3_column_int(st, 5) > 0) {
                ++keys;
                key = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
                keyType =
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 2)));
            }
        }
    }
    sqlite3_finalize(st);
    if (keys != 1 || keyType.compare(QLatin1StringView("INTEGER"), Qt::CaseInsensitive) != 0)
        return -1;

    bool keyIndex = false;
    pragma = QStringLiteral("PRAGMA index_list(%1)").arg(table);
    if (sqlite3_prepare_v2(handle, pragma.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (!keyIndex && sqlite3_step(st) == SQLITE_ROW)
            keyIndex =
                qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)), "pk") == 0;
    }
    sqlite3_finalize(st);
    return keyIndex ? -1 : findField(key);
}

bool Recordset::Impl::readRow(sqlite3 *handle, qint64 rowid, std::vector<QVariant> *values)
{
    sqlite3_stmt *st = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(handle, rereadSql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_bind_int64(st, 1, rowid) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
        values->resize(size_t(nf));
        for (int c = 0; c < nf; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                (*values)[c] = QVariant(qlonglong(sqlite3_column_int64(st, c)));
                break;
            case SQLITE_FLOAT:
                (*values)[c] = QVariant(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                (*values)[c] = QVariant(
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                      sqlite3_column_bytes(st, c)));
                break;
            case SQLITE_BLOB:
                (*values)[c] =
                    QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, c)),
                                        sqlite3_column_bytes(st, c)));
                break;
            default:
                (*values)[c] = QVariant();
                break;
            }
        }
        ok = true;
    }
    sqlite3_finalize(st);
    return ok;
}

void Recordset::Impl::showAll()
{
    visible.clear();
    allRows = true;
    if (goneCount > 0)
        materialize();
}

void Recordset::Impl::materialize()
{
    if (!allRows)
        return;
    allRows = false;
    const int rows = rowCount();
    visible.clear();
    visible.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r)
        if (!gone(r))
            visible.push_back(r);
}

bool Recordset::Impl::parseFilter(const QString &text, Expr *expr)
{
    const QString problem = detail::parseExpression(text, expr);
    if (!problem.isEmpty())
        return fail(ErrInvalidArgument,
                    QStringLiteral("Invalid filter \"%1\": %2").arg(text, problem));
    const QString unknown = detail::resolveColumns(*expr, fields);
    if (!unknown.isEmpty())
        return fail(ErrItemNotFound,
                    QStringLiteral("Invalid filter \"%1\": the recordset has no field '%2'")
                        .arg(text, unknown));
    return true;
}

bool Recordset::Impl::indexParts(const Expr &expr, std::array<Part, kMaxIndexColumns> *parts,
                                 int *count, quint64 *shape) const
{
    const Node &root = expr.nodes[size_t(expr.root)];
    int kids = 1;
    const int *list = &expr.root;
    if (root.kind == Node::And) {
        kids = root.count;
        list = expr.kids.data() + root.first;
    }
    if (kids > kMaxIndexColumns)
        return false;
    for (int i = 0; i < kids; ++i) {
        const Node &node = expr.nodes[size_t(list[i])];
        if (node.kind != Node::Compare || node.op != CmpOp::Eq || node.column >= 0x7fff)
            return false;
        (*parts)[i] = Part{node.column, &expr.constants[size_t(node.constant)]};
    }
    // Same columns in any order are the same shape. At most four parts: insertion sort.
    for (int i = 1; i < kids; ++i)
        for (int j = i; j > 0 && (*parts)[j].column < (*parts)[j - 1].column; --j)
            std::swap((*parts)[j], (*parts)[j - 1]);
    quint64 s = 0;
    for (int i = 0; i < kids; ++i) {
        if (i && (*parts)[i].column == (*parts)[i - 1].column)
            return false;
        const quint64 bits =
            (quint64((*parts)[i].column + 1) << 1) | ((*parts)[i].k->kind == Constant::Bool);
        s |= bits << (16 * i);
    }
    *count = kids;
    *shape = s;
    return true;
}

bool Recordset::Impl::rowKey(Index &ix, int r, bool intern, Key *key)
{
    const Cell *rowCells = row(r);
    if (rowCells[idCol].type == Cell::Gone)
        return false;
    *key = Key();
    for (size_t p = 0; p < ix.columns.size(); ++p) {
        const Cell &c = rowCells[ix.columns[p]];
        if (c.type == Cell::Null)
            return false;
        if (ix.truth[p]) {
            key->tag[p] = KeyTruth;
            key->v[p] = c.isInt()              ? pools.intOf(c) != 0
                        : c.type == Cell::Real ? pools.realOf(c) != 0
                                               : 1;
            continue;
        }
        switch (c.type) {
        case Cell::Int:
        case Cell::WideInt:
            key->tag[p] = KeyInt;
            key->v[p] = pools.intOf(c);
            break;
        case Cell::Real:
            numberKey(detail::Number{false, 0, pools.realOf(c)}, &key->v[p], &key->tag[p]);
            break;
        case Cell::Text: {
            const QString folded = pools.texts[c.ref].toCaseFolded();
            auto it = ix.textIds.constFind(folded);
            if (it == ix.textIds.constEnd()) {
                if (!intern)
                    return false;
                it = ix.textIds.insert(folded, ix.textIds.size());
            }
            key->tag[p] = KeyText;
            key->v[p] = it.value();
            break;
        }
        default:
            // Blobs never equal a number or a text constant.
            return false;
        }
    }
    return true;
}

// Counts of one column by value in a flat array, when every value is a 32-bit integer and
// their range is not much wider than the number of rows. False, with nothing kept, otherwise.
bool Recordset::Impl::countDense(Index &ix)
{
    const int column = ix.columns[0];
    const int rows = rowCount();
    qint64 low = std::numeric_limits<qint64>::max();
    qint64 high = std::numeric_limits<qint64>::min();
    for (int r = 0; r < rows; ++r) {
        const Cell *rowCells = row(r);
        const Cell &c = rowCells[column];
        if (c.type == Cell::Null || rowCells[idCol].type == Cell::Gone)
            continue;
        if (c.type != Cell::Int)
            return false;
        low = std::min<qint64>(low, c.i);
        high = std::max<qint64>(high, c.i);
    }
    if (low > high)
        return false; // no value at all: the general index is as small
    if (high - low >= 2 * qint64(rows) + 4096)
        return false;
    ix.denseCounts.assign(size_t(high - low + 1), 0);
    ix.denseBase = low;
    for (int r = 0; r < rows; ++r) {
        const Cell *rowCells = row(r);
        const Cell &c = rowCells[column];
        if (c.type == Cell::Int && rowCells[idCol].type != Cell::Gone)
            ++ix.denseCounts[size_t(c.i - low)];
    }
    ix.dense = true;
    return true;
}

Index &Recordset::Impl::indexFor(const std::array<Part, kMaxIndexColumns> &parts, int count,
                                 quint64 shape, bool withRows)
{
    auto found = indexes.find(shape);
    if (found != indexes.end()) {
        if (found->second.grouped || !withRows)
            return found->second;
        // Made for counts alone: made again, rows and all.
        indexes.erase(found);
    }
    Index &ix = indexes[shape];
    for (int i = 0; i < count; ++i) {
        ix.columns.push_back(parts[i].column);
        ix.truth.push_back(parts[i].k->kind == Constant::Bool);
    }
    if (!withRows && count == 1 && !ix.truth[0] && countDense(ix))
        return ix;
    const int rows = rowCount();
    // First pass: the key of every row and the size of every group; second: the rows, which
    // a count does not need.
    std::vector<int> entryOf(withRows ? size_t(rows) : 0, -1);
    Key key, last;
    int lastEntry = -1;
    for (int r = 0; r < rows; ++r) {
        if (!rowKey(ix, r, true, &key))
            continue;
        // Rows written together (a game's files) usually share their key with the row
        // before: no probe for those.
        const int e = lastEntry >= 0 && key == last ? lastEntry : ix.findOrAdd(key);
        ++ix.entries[size_t(e)].count;
        if (withRows)
            entryOf[size_t(r)] = e;
        last = key;
        lastEntry = e;
    }
    if (!withRows)
        return ix;
    ix.grouped = true;
    int start = 0;
    for (Index::Entry &e : ix.entries) {
        e.start = start;
        start += e.count;
        e.count = 0;
    }
    ix.rows.resize(size_t(start));
    for (int r = 0; r < rows; ++r) {
        const int e = entryOf[size_t(r)];
        if (e >= 0) {
            Index::Entry &entry = ix.entries[size_t(e)];
            ix.rows[size_t(entry.start + entry.count++)] = r;
        }
    }
    return ix;
}

// A written row changes what the indexes hold; they are built again when next asked for.
void Recordset::Impl::indexAdd(int)
{
    indexes.clear();
}
void Recordset::Impl::indexRemove(int)
{
    indexes.clear();
}

// Rows (ascending) that pass expr, or just their number when rows is null, answered from
// the index for the expression's shape. False when no index applies to it.
bool Recordset::Impl::lookup(const Expr &expr, std::vector<int> *rows, int *count)
{
    if (rows)
        rows->clear();
    *count = 0;
    std::array<Part, kMaxIndexColumns> parts{};
    int partCount = 0;
    quint64 shape = 0;
    if (expr.empty() || !g_indexing.load(std::memory_order_relaxed) ||
        !indexParts(expr, &parts, &partCount, &shape))
        return false;
    Index &ix = indexFor(parts, partCount, shape, rows != nullptr);
    if (partCount == 1 && parts[0].k->kind == Constant::Int) {
        // One column against a whole number: a single probe.
        Key key;
        numberKey(parts[0].k->num, &key.v[0], &key.tag[0]);
        if (!rows) {
            *count = ix.countOf(key);
            return true;
        }
        if (const Index::Entry *entry = ix.find(key)) {
            *count = entry->count;
            rows->assign(ix.rows.begin() + entry->start,
                         ix.rows.begin() + entry->start + entry->count);
        }
        return true;
    }
    // A text constant that reads as a number also matches stored numbers, so a probe
    // may need more than one key.
    std::array<Key, 1 << kMaxIndexColumns> probes;
    int probeCount = 1;
    probes[0] = Key();
    for (int p = 0; p < partCount; ++p) {
        const Constant &k = *parts[p].k;
        std::array<std::pair<qint64, quint8>, 2> options;
        int optionCount = 0;
        switch (k.kind) {
        case Constant::Bool:
            options[optionCount++] = {k.truth ? 1 : 0, KeyTruth};
            break;
        case Constant::Int:
        case Constant::Real:
            numberKey(k.num, &options[0].first, &options[0].second);
            optionCount = 1;
            break;
        case Constant::Text: {
            const auto id = ix.textIds.constFind(k.folded);
            if (id != ix.textIds.constEnd())
                options[optionCount++] = {id.value(), KeyText};
            if (k.numeric) {
                numberKey(k.num, &options[optionCount].first, &options[optionCount].second);
                ++optionCount;
            }
            break;
        }
        default:
            break;
        }
        const int before = probeCount;
        probeCount = 0;
        std::array<Key, 1 << kMaxIndexColumns> next;
        for (int i = 0; i < before; ++i) {
            for (int o = 0; o < optionCount; ++o) {
                Key key = probes[i];
                key.v[p] = options[o].first;
                key.tag[p] = options[o].second;
                next[probeCount++] = key;
            }
        }
        probes = next;
    }
    if (!rows) {
        for (int i = 0; i < probeCount; ++i)
            *count += ix.countOf(probes[i]);
        return true;
    }
    for (int i = 0; i < probeCount; ++i) {
        const Index::Entry *entry = ix.find(probes[i]);
        if (!entry)
            continue;
        *count += entry->count;
        rows->insert(rows->end(), ix.rows.begin() + entry->start,
                     ix.rows.begin() + entry->start + entry->count);
    }
    if (probeCount > 1)
        std::sort(rows->begin(), rows->end());
    return true;
}

// "column = whole number", the count asked thousands of times in a row, answered from the
// column's index without building an expression. False when the text has another form or
// names no field (the full parse then reports it), or when indexing is off.
bool Recordset::Impl::countSimple(const QString &text, int *count)
{
    QStringView name;
    qint64 value = 0;
    if (!g_indexing.load(std::memory_order_relaxed) ||
        !detail::readSimpleEquality(text, &name, &value))
        return false;
    const int column = detail::fieldIndex(fields, name);
    if (column < 0 || column >= 0x7fff)
        return false;
    Constant k;
    k.kind = Constant::Int;
    k.num.i = value;
    k.num.d = double(value);
    std::array<Part, kMaxIndexColumns> parts{};
    parts[0] = Part{column, &k};
    // The same shape indexParts gives a single comparison with a number.
    const Index &ix = indexFor(parts, 1, quint64(column + 1) << 1, false);
    Key key;
    key.v[0] = value;
    key.tag[0] = KeyInt;
    *count = ix.countOf(key);
    return true;
}

// Rows (in stored order) that pass expr, or just their number when rows is null.
void Recordset::Impl::select(const Expr &expr, std::vector<int> *rows, int *count)
{
    if (lookup(expr, rows, count))
        return;
    const int total = rowCount();
    for (int r = 0; r < total; ++r) {
        if (gone(r) || detail::evaluate(expr, row(r), pools) != Tri::True)
            continue;
        ++*count;
        if (rows)
            rows->push_back(r);
    }
}

Recordset::Recordset() : d(std::make_unique<Impl>()), m_walk(d.get()) {}

Recordset::~Recordset() = default;

bool Recordset::open(const QString &selectText, Connection &conn, Lock lock)
{
    close();
    d->clearError();
    if (!conn.isOpen() || !conn.m_live)
        return d->fail(ErrInvalidConnection, QStringLiteral("The connection is not open."));

    d->stmtText = selectText;
    const QString problem = detail::parseStatement(selectText, &d->stmt);
    if (!problem.isEmpty())
        return d->fail(ErrInvalidArgument,
                       QStringLiteral("Invalid statement \"%1\": %2").arg(selectText, problem));

    d->fields = d->stmt.columns;
    d->nf = int(d->fields.size());
    d->live = conn.m_live;
    d->readOnly = lock == Lock::ReadOnly;
    if (d->readOnly) {
        // Nothing is written, so no row id is needed; a deleted mark is never set either, and
        // the first field's cell stands where the row id would be asked.
        d->rowidField = -1;
        d->idCol = 0;
        d->stride = d->nf;
    } else {
        d->rowidField = d->findRowidField(conn.handle());
        d->idCol = d->rowidField >= 0 ? d->rowidField : d->nf;
        d->stride = d->rowidField >= 0 ? d->nf : d->nf + 1;
    }
    d->rowBytes = d->stride * Walk::kCellBytes;

    // Edits and deletes address rows by row id, so unless the recordset is read-only it is
    // always selected: as the column that is the row id when there is one, else as a hidden
    // extra column.
    QStringList columns;
    for (int i = 0; i < d->nf; ++i) {
        const QString name = detail::quoteIdentifier(d->fields.at(i));
        columns.append(i == d->rowidField ? QStringLiteral("rowid AS ") + name : name);
    }
    if (d->stride > d->nf)
        columns.append(QStringLiteral("rowid"));
    const QString from = QStringLiteral(" FROM ") + detail::quoteIdentifier(d->stmt.table);
    d->sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + from;
    d->binds.clear();
    if (!d->stmt.where.empty())
        d->sql += QStringLiteral(" WHERE ") + detail::toSql(d->stmt.where, &d->binds);
    d->rereadSql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + from +
                   QStringLiteral(" WHERE rowid = ?");

    if (!d->load(&d->cells, &d->pools)) {
        d->live.reset();
        return false;
    }
    d->open = true;
    d->showAll();
    d->moveTo(0);
    return true;
}

void Recordset::close()
{
    *d = Impl();
}

bool Recordset::isOpen() const
{
    return d->open;
}

bool Recordset::requery()
{
    d->clearError();
    if (!d->checkOpen())
        return false;
    RowStore cells;
    detail::Pools pools;
    if (!d->load(&cells, &pools))
        return false;
    d->cancelEdit();
    d->cells = std::move(cells);
    d->pools = std::move(pools);
    d->goneCount = 0;
    d->indexes.clear();
    if (d->filter.empty()) {
        d->showAll();
    } else {
        int count = 0;
        d->allRows = false;
        d->select(d->filter, &d->visible, &count);
    }
    d->moveTo(0);
    return true;
}

int Recordset::recordCount() const
{
    if (!d->checkOpen())
        return 0;
    return d->n();
}

bool Recordset::bof() const
{
    if (!d->open)
        return true;
    if (d->currentDeleted)
        return false;
    return d->n() == 0 || d->pos < 0;
}

bool Recordset::eofOutOfLine() const
{
    if (!d->open)
        return true;
    if (d->currentDeleted)
        return false;
    return d->n() == 0 || d->pos >= d->n();
}

void Recordset::moveFirst()
{
    d->clearError();
    if (!d->checkOpen())
        return;
    d->cancelEdit();
    d->moveTo(0);
}

void Recordset::moveNextOutOfLine()
{
    d->clearError();
    if (!d->checkOpen())
        return;
    if (d->mode != Impl::Browsing)
        d->cancelEdit();
    if (d->currentDeleted) {
        // The row after the deleted one already sits at its position.
        d->moveTo(d->pos);
        return;
    }
    if (d->pos >= d->n()) {
        d->fail(ErrNoCurrentRecord, QStringLiteral("Cannot move past the end of the recordset."));
        return;
    }
    d->moveTo(d->pos + 1);
}

void Recordset::movePrevious()
{
    d->clearError();
    if (!d->checkOpen())
        return;
    d->cancelEdit();
    if (d->currentDeleted) {
        d->moveTo(std::max(-1, d->pos - 1));
        return;
    }
    if (d->n() == 0 || d->pos < 0) {
        d->fail(ErrNoCurrentRecord,
                QStringLiteral("Cannot move before the start of the recordset."));
        return;
    }
    d->moveTo(std::min(d->pos, d->n()) - 1);
}

void Recordset::moveLast()
{
    d->clearError();
    if (!d->checkOpen())
        return;
    d->cancelEdit();
    d->moveTo(d->n() == 0 ? 0 : d->n() - 1);
}

int Recordset::position() const
{
    if (!d->open || d->currentRow() < 0)
        return -1;
    return d->pos;
}

int Recordset::fieldCount() const
{
    return d->open ? d->nf : 0;
}

QString Recordset::fieldName(int index) const
{
    if (!d->open || index < 0 || index >= d->nf)
        return {};
    return d->fields.at(index);
}

int Recordset::fieldIndex(const QString &name) const
{
    return d->open ? d->fieldIndex(name) : -1;
}

QVariant Recordset::fieldByName(const QString &name) const
{
    if (!d->checkOpen())
        return {};
    const int index = d->fieldIndex(name);
    if (index < 0) {
        d->fail(ErrItemNotFound, QStringLiteral("The recordset has no field '%1'.").arg(name));
        return {};
    }
    return d->fieldAt(index);
}

QVariant Recordset::field(int index) const
{
    if (!d->checkOpen())
        return {};
    if (index < 0 || index >= d->nf) {
        d->fail(ErrItemNotFound, QStringLiteral("The recordset has no field %1.").arg(index));
        return {};
    }
    return d->fieldAt(index);
}

bool Recordset::isNull(const QString &name) const
{
    return field(name).isNull();
}

bool Recordset::setFilter(const QString &expr)
{
    d->clearError();
    if (!d->checkOpen())
        return false;
    Expr parsed;
    if (!expr.trimmed().isEmpty() && !d->parseFilter(expr, &parsed))
        return false;
    d->cancelEdit();
    d->filter = std::move(parsed);
    d->filterText = d->filter.empty() ? QString() : expr;
    if (d->filter.empty()) {
        d->showAll();
    } else {
        int count = 0;
        d->allRows = false;
        d->select(d->filter, &d->visible, &count);
    }
    d->moveTo(0);
    return true;
}

void Recordset::setFilterIndexingForBenchmarks(bool enabled)
{
    g_indexing.store(enabled, std::memory_order_relaxed);
}

QString Recordset::filter() const
{
    return d->filterText;
}

int Recordset::count(const QString &expr)
{
    d->clearError();
    if (!d->checkOpen())
        return 0;
    int count = 0;
    if (d->countSimple(expr, &count))
        return count;
    Expr parsed;
    if (!expr.trimmed().isEmpty() && !d->parseFilter(expr, &parsed))
        return 0;
    d->select(parsed, nullptr, &count);
    return count;
}

bool Recordset::find(const QString &expr)
{
    d->clearError();
    if (!d->checkOpen())
        return false;
    Expr parsed;
    if (!d->parseFilter(expr, &parsed))
        return false;
    d->cancelEdit();
    const int start = std::max(d->pos, 0);
    std::vector<int> rows;
    int count = 0;
    if (start < d->n() && d->lookup(parsed, &rows, &count)) {
        // Visible rows are always in stored order, so a row's position is a binary search.
        const auto first = std::lower_bound(rows.begin(), rows.end(), d->visibleRow(start));
        for (auto r = first; r != rows.end(); ++r) {
            if (d->allRows) {
                d->moveTo(*r);
                return true;
            }
            const auto at = std::lower_bound(d->visible.begin(), d->visible.end(), *r);
            if (at != d->visible.end() && *at == *r) {
                d->moveTo(int(at - d->visible.begin()));
                return true;
            }
        }
    } else {
        for (int at = start; at < d->n(); ++at) {
            if (detail::evaluate(parsed, d->row(d->visibleRow(at)), d->pools) == Tri::True) {
                d->moveTo(at);
                return true;
            }
        }
    }
    d->moveTo(d->n());
    return false;
}

bool Recordset::addNew()
{
    d->clearError();
    if (!d->checkOpen() || !d->checkWritable())
        return false;
    d->cancelEdit();
    d->setMode(Impl::Adding);
    d->pending.assign(size_t(d->nf), QVariant());
    d->assigned.assign(size_t(d->nf), 0);
    return true;
}

bool Recordset::setField(const QString &name, const QVariant &value)
{
    d->clearError();
    if (!d->checkOpen() || !d->checkWritable())
        return false;
    const int index = d->fieldIndex(name);
    if (index < 0)
        return d->fail(ErrItemNotFound,
                       QStringLiteral("The recordset has no field '%1'.").arg(name));

    // Only the kinds SQLite stores survive; anything else must say what it is as text.
    QVariant v;
    if (!value.isNull()) {
        switch (value.typeId()) {
        case QMetaType::Bool:
            v = QVariant(qlonglong(value.toBool() ? 1 : 0));
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
            v = QVariant(value.toLongLong());
            break;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                return d->fail(ErrInvalidArgument,
                               QStringLiteral("The value for '%1' is too large.").arg(name));
            v = QVariant(value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            if (!std::isfinite(value.toDouble()))
                return d->fail(ErrInvalidArgument,
                               QStringLiteral("The value for '%1' is not a number.").arg(name));
            v = QVariant(value.toDouble());
            break;
        case QMetaType::QByteArray:
            v = QVariant(value.toByteArray());
            break;
        case QMetaType::QString:
            v = value;
            break;
        default:
            if (!value.canConvert<QString>())
                return d->fail(ErrInvalidArgument,
                               QStringLiteral("A %1 cannot be stored in '%2'.")
                                   .arg(QString::fromLatin1(value.typeName()), name));
            v = QVariant(value.toString());
            break;
        }
    }

    if (d->mode == Impl::Browsing) {
        const int r = d->currentRow();
        if (r < 0)
            return d->fail(ErrNoCurrentRecord,
                           QStringLiteral("There is no current record to change."));
        d->setMode(Impl::Editing);
        d->editRow = r;
        d->pending.assign(size_t(d->nf), QVariant());
        d->assigned.assign(size_t(d->nf), 0);
    }
    d->pending[size_t(index)] = v;
    d->assigned[size_t(index)] = 1;
    return true;
}

bool Recordset::update()
{
    d->clearError();
    if (!d->checkOpen())
        return false;
    if (d->mode == Impl::Browsing)
        return d->fail(ErrNotAllowed, QStringLiteral("There is no new or changed record to save."));
    sqlite3 *handle = d->db();
    if (!handle)
        return d->fail(ErrInvalidConnection, QStringLiteral("The connection is closed."));

    const bool adding = d->mode == Impl::Adding;
    QStringList names;
    std::vector<int> columns;
    for (int c = 0; c < d->nf; ++c) {
        if (d->assigned[size_t(c)]) {
            names.append(detail::quoteIdentifier(d->fields.at(c)));
            columns.push_back(c);
        }
    }
    const QString table = detail::quoteIdentifier(d->stmt.table);
    if (!adding && columns.empty()) {
        d->cancelEdit();
        return true;
    }
    qint64 rowid = adding ? 0 : d->pools.intOf(d->row(d->editRow)[d->idCol]);

    QString sql;
    if (adding && columns.empty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
    } else if (adding) {
        QStringList marks;
        for (size_t i = 0; i < columns.size(); ++i)
            marks.append(QStringLiteral("?"));
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
        sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                  .arg(table, names.join(QStringLiteral(" = ?, ")));
    }

    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &st, nullptr);
    int i = 1;
    for (int c : columns) {
        if (rc != SQLITE_OK)
            break;
        const QVariant &v = d->pending[size_t(c)];
        switch (v.typeId()) {
        case QMetaType::LongLong:
            rc = sqlite3_bind_int64(st, i, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(st, i, v.toDouble());
            break;
        case QMetaType::QString: {
            const QString text = v.toString();
            rc = sqlite3_bind_text16(st, i, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob(st, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            rc = sqlite3_bind_null(st, i);
            break;
        }
        ++i;
    }
    if (rc == SQLITE_OK && !adding)
        rc = sqlite3_bind_int64(st, i, rowid);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return d->fail(ErrDatabase,
                       QStringLiteral("The database refused to save the record: %1").arg(why));
    if (adding)
        rowid = sqlite3_last_insert_rowid(handle);
    else if (sqlite3_changes(handle) == 0)
        return d->fail(ErrDatabase,
                       QStringLiteral("The record is no longer in the table %1.").arg(table));
    else if (d->rowidField >= 0 && d->assigned[size_t(d->rowidField)])
        rowid = d->pending[size_t(d->rowidField)].toLongLong(); // the row was renumbered

    // Read the row back so memory holds what the table stored (defaults, type conversions).
    std::vector<QVariant> values;
    if (!d->readRow(handle, rowid, &values)) {
        values.resize(size_t(d->nf));
        for (int c = 0; c < d->nf; ++c) {
            if (d->assigned[size_t(c)])
                values[size_t(c)] = d->pending[size_t(c)];
            else if (!adding)
                values[size_t(c)] = d->value(d->row(d->editRow)[c]);
        }
        const int idField =
            d->rowidField >= 0 ? d->rowidField : d->fieldIndex(QStringLiteral("auto_id"));
        if (adding && idField >= 0 && !d->assigned[size_t(idField)])
            values[size_t(idField)] = QVariant(qlonglong(rowid));
    }

    int r = d->editRow;
    if (adding) {
        r = d->rowCount();
        Cell *fresh = d->cells.append();
        for (int c = 0; c < d->stride; ++c)
            fresh[c] = Cell();
        fresh[d->idCol].type = Cell::Null;
        d->pools.setInt(fresh[d->idCol], rowid);
    } else {
        d->indexRemove(r);
    }
    for (int c = 0; c < d->nf; ++c)
        d->store(d->row(r)[c], values[size_t(c)]);
    if (d->rowidField < 0) {
        d->pools.setInt(d->row(r)[d->nf], rowid);
    }
    d->indexAdd(r);
    if (adding) {
        // A new row shows even when the filter would hide it, until the next filter or requery.
        if (!d->allRows)
            d->visible.push_back(r);
        d->moveTo(d->n() - 1);
    }
    d->lastId = rowid;
    d->cancelEdit();
    return true;
}

void Recordset::cancelUpdate()
{
    d->clearError();
    d->cancelEdit();
}

bool Recordset::deleteCurrent()
{
    d->clearError();
    if (!d->checkOpen() || !d->checkWritable())
        return false;
    if (d->mode == Impl::Adding)
        return d->fail(ErrNotAllowed,
                       QStringLiteral("Save or cancel the new record before deleting."));
    const int r = d->currentRow();
    if (r < 0)
        return d->fail(ErrNoCurrentRecord, QStringLiteral("There is no current record to delete."));
    sqlite3 *handle = d->db();
    if (!handle)
        return d->fail(ErrInvalidConnection, QStringLiteral("The connection is closed."));

    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ?")
                            .arg(detail::quoteIdentifier(d->stmt.table));
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(st, 1, d->pools.intOf(d->row(r)[d->idCol]));
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return d->fail(ErrDatabase,
                       QStringLiteral("The database refused to delete the record: %1").arg(why));

    d->cancelEdit();
    d->indexRemove(r);
    d->materialize();
    d->row(r)[d->idCol].type = Cell::Gone;
    ++d->goneCount;
    d->visible.erase(d->visible.begin() + d->pos);
    d->currentDeleted = true;
    d->leaveRow();
    return true;
}

bool Recordset::editing() const
{
    return d->mode != Impl::Browsing;
}

qint64 Recordset::lastInsertId() const
{
    return d->lastId;
}

const Error &Recordset::lastError() const
{
    return d->error;
}

QString Recordset::sqlText() const
{
    return d->sql;
}

} // namespace lc::db
