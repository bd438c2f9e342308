#include "keyedlistview.h"

#include "twips.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace lc::controls {

// The views' window on the row table.
class KeyedListModel : public QAbstractTableModel {
public:
    explicit KeyedListModel(KeyedListView *list) : QAbstractTableModel(list), m_list(list) {}

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : m_list->count();
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : std::max(1, m_list->columnCount());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || !m_list->isValid(index.row()))
            return {};
        if (role == Qt::DisplayRole)
            return m_list->text(index.row(), index.column());
        if (role == Qt::DecorationRole && index.column() == 0)
            return icon(m_list->m_rows[size_t(index.row())].image);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_list->columnCaption(section);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    // A list of thousands of rows shows a handful of distinct pictures: draw each once.
    QIcon icon(const QString &key) const
    {
        if (key.isEmpty() || !m_list->m_images)
            return {};
        auto it = m_icons.constFind(key);
        if (it == m_icons.constEnd())
            it = m_icons.insert(key, m_list->m_images(key));
        return *it;
    }
    void forgetIcons() { m_icons.clear(); }

    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void beginInsert(int row) { beginInsertRows({}, row, row); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int row) { beginRemoveRows({}, row, row); }
    void endRemove() { endRemoveRows(); }
    void beginMove(int from, int to) { beginMoveRows({}, from, from, {}, to); }
    void endMove() { endMoveRows(); }
    void rowChanged(int row) { Q_EMIT dataChanged(index(row, 0), index(row, columnCount({}) - 1)); }
    void captionChanged(int column) { Q_EMIT headerDataChanged(Qt::Horizontal, column, column); }

private:
    KeyedListView *m_list;
    mutable QHash<QString, QIcon> m_icons;
};

// The two views pass key presses and mouse presses on to the list's signals.
template <class View> class ForwardingView : public View {
public:
    explicit ForwardingView(KeyedListView *list) : View(list), m_list(list) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        Q_EMIT m_list->KeyDown(event->key(), event->modifiers());
        View::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        View::mousePressEvent(event);
        Q_EMIT m_list->MouseDown(event->button(), event->globalPosition().toPoint());
    }

private:
    KeyedListView *m_list;
};

class ListReportView : public ForwardingView<QTreeView> {
public:
    using ForwardingView::ForwardingView;
};

class ListIconView : public ForwardingView<QListView> {
public:
    using ForwardingView::ForwardingView;
};

namespace {

// Marks changes the program makes itself, so they are not reported as the user's clicks.
class Quiet {
public:
    explicit Quiet(bool &flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~Quiet() { m_flag = m_was; }
    Quiet(const Quiet &) = delete;
    Quiet &operator=(const Quiet &) = delete;

private:
    bool &m_flag;
    bool m_was;
};

} // namespace

KeyedListView::KeyedListView(QWidget *parent)
    : QWidget(parent), m_model(new KeyedListModel(this)), m_stack(new QStackedWidget(this)),
      m_report(new ListReportView(this)), m_icons(new ListIconView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_stack->addWidget(m_report);
    m_stack->addWidget(m_icons);

    m_report->setModel(m_model);
    m_report->setRootIsDecorated(false);
    m_report->setItemsExpandable(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->setIconSize(QSize(16, 16));
    m_report->header()->setStretchLastSection(false);
    m_report->header()->setSectionsClickable(true);
    m_report->header()->setSectionsMovable(false);
    m_icons->setModel(m_model);
    // Both views share one selection, so a mode switch keeps the selected row.
    m_icons->setSelectionModel(m_report->selectionModel());
    m_icons->setUniformItemSizes(true);
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_report), static_cast<QAbstractItemView *>(m_icons)}) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
            if (index.isValid())
                Q_EMIT DblClick(index.row());
        });
    }
    connect(m_report->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &now) {
                if (!m_selecting && now.isValid())
                    Q_EMIT ItemClick(now.row());
            });
    connect(m_report->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        sortBy(column);
        Q_EMIT ColumnClick(column);
    });
    // Only a width the user dragged is taken back, so a stored width survives its rounding
    // to pixels unchanged.
    connect(m_report->header(), &QHeaderView::sectionResized, this,
            [this](int column, int, int pixels) {
                if (column >= 0 && column < int(m_widths.size()) &&
                    pixels != twips::toPixels(m_widths[size_t(column)]))
                    m_widths[size_t(column)] = twips::fromPixels(pixels);
            });
    setFocusProxy(m_report);
    setViewMode(ListViewMode::Report);
}

KeyedListView::~KeyedListView() = default;

void KeyedListView::setColumns(const std::vector<ListColumn> &columns)
{
    m_model->beginReset();
    m_captions.clear();
    m_widths.clear();
    for (const ListColumn &c : columns) {
        m_captions << c.caption;
        m_widths.push_back(c.widthTwips);
    }
    if (m_sortColumn >= columnCount())
        m_sortColumn = -1;
    m_model->endReset();
    applyWidths();
}

QString KeyedListView::columnCaption(int column) const
{
    return m_captions.value(column);
}

void KeyedListView::setColumnCaption(int column, const QString &caption)
{
    if (column < 0 || column >= columnCount())
        return;
    m_captions[column] = caption;
    m_model->captionChanged(column);
}

int KeyedListView::columnWidth(int column) const
{
    return column >= 0 && column < columnCount() ? m_widths[size_t(column)] : 0;
}

void KeyedListView::setColumnWidth(int column, int twips)
{
    if (column < 0 || column >= columnCount() || twips < 0)
        return;
    m_widths[size_t(column)] = twips;
    m_report->header()->resizeSection(column, twips::toPixels(twips));
}

void KeyedListView::applyWidths()
{
    for (int c = 0; c < columnCount(); ++c)
        m_report->header()->resizeSection(c, twips::toPixels(m_widths[size_t(c)]));
}

void KeyedListView::setViewMode(ListViewMode mode)
{
    const bool hadFocus = currentView()->hasFocus();
    m_mode = mode;
    if (mode == ListViewMode::Report) {
        m_stack->setCurrentWidget(m_report);
    } else {
        const bool large = mode == ListViewMode::LargeIcon;
        m_icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
        m_icons->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        // Large and small icons fill rows left to right; the list fills columns top down.
        m_icons->setFlow(mode == ListViewMode::List ? QListView::TopToBottom
                                                    : QListView::LeftToRight);
        m_icons->setWrapping(true);
        m_icons->setWordWrap(large);
        m_icons->setGridSize(large ? QSize(twips::toPixels(1440), twips::toPixels(1080)) : QSize());
        m_icons->setMovement(QListView::Static);
        m_stack->setCurrentWidget(m_icons);
    }
    setFocusProxy(currentView());
    if (hadFocus)
        currentView()->setFocus();
    ensureVisible(selectedRow());
}

void KeyedListView::setImages(ListImages images)
{
    m_images = std::move(images);
    m_model->forgetIcons();
    if (count() > 0)
        Q_EMIT m_model->dataChanged(m_model->index(0, 0), m_model->index(count() - 1, 0));
}

QAbstractItemView *KeyedListView::currentView() const
{
    if (m_mode == ListViewMode::Report)
        return m_report;
    return m_icons;
}

QTreeView *KeyedListView::reportView() const
{
    return m_report;
}

QListView *KeyedListView::iconView() const
{
    return m_icons;
}

int KeyedListView::add(const QString &key, const QString &text, const QString &image)
{
    if (key.isEmpty() || m_byKey.contains(key))
        return -1;
    Quiet quiet(m_selecting);
    Row row;
    row.key = key;
    row.texts << text;
    row.image = image;
    const int at = m_bulk == 0 && sorted() ? sortedPlace(row) : count();
    if (m_bulk == 0)
        m_model->beginInsert(at);
    m_rows.insert(m_rows.begin() + at, std::move(row));
    m_byKey.insert(key, at);
    reindex(at + 1);
    if (m_bulk == 0)
        m_model->endInsert();
    return at;
}

bool KeyedListView::remove(const QString &key)
{
    const int row = indexOf(key);
    if (row < 0)
        return false;
    Quiet quiet(m_selecting);
    if (m_bulk == 0)
        m_model->beginRemove(row);
    m_byKey.remove(key);
    m_rows.erase(m_rows.begin() + row);
    reindex(row);
    if (m_bulk == 0)
        m_model->endRemove();
    return true;
}

void KeyedListView::clear()
{
    Quiet quiet(m_selecting);
    if (m_bulk == 0)
        m_model->beginReset();
    m_rows.clear();
    m_byKey.clear();
    if (m_bulk == 0)
        m_model->endReset();
}

void KeyedListView::beginBulkAdd()
{
    if (m_bulk++ == 0) {
        m_selecting = true;
        m_model->beginReset();
    }
}

void KeyedListView::endBulkAdd()
{
    if (m_bulk == 0 || --m_bulk > 0)
        return;
    if (sorted())
        sortRows();
    m_model->endReset();
    m_selecting = false;
}

void KeyedListView::reindex(int from)
{
    for (int r = std::max(0, from); r < count(); ++r)
        m_byKey[m_rows[size_t(r)].key] = r;
}

QString KeyedListView::key(int row) const
{
    return isValid(row) ? m_rows[size_t(row)].key : QString();
}

bool KeyedListView::setKey(int row, const QString &key)
{
    if (!isValid(row) || key.isEmpty())
        return false;
    Row &r = m_rows[size_t(row)];
    if (r.key == key)
        return true;
    if (m_byKey.contains(key))
        return false;
    m_byKey.remove(r.key);
    r.key = key;
    m_byKey.insert(key, row);
    return true;
}

QString KeyedListView::text(int row, int column) const
{
    return isValid(row) ? m_rows[size_t(row)].texts.value(column) : QString();
}

void KeyedListView::setText(int row, int column, const QString &text, const QVariant &sortValue)
{
    if (!isValid(row) || column < 0 || column >= std::max(1, columnCount()))
        return;
    Row &r = m_rows[size_t(row)];
    while (r.texts.size() <= column)
        r.texts << QString();
    r.texts[column] = text;
    if (sortValue.isValid() || size_t(column) < r.sortValues.size()) {
        if (r.sortValues.size() <= size_t(column))
            r.sortValues.resize(size_t(column) + 1);
        r.sortValues[size_t(column)] = sortValue;
    }
    if (m_bulk > 0)
        return;
    refresh(row);
    if (column != m_sortColumn)
        return;
    // The row moves to where its new value sorts among the others.
    const auto less = [this](const Row &a, const Row &b) { return lessThan(a, b); };
    const auto begin = m_rows.begin();
    int at = int(std::upper_bound(begin, begin + row, r, less) - begin);
    if (at == row)
        at = int(std::upper_bound(begin + row + 1, m_rows.end(), r, less) - begin) - 1;
    if (at == row)
        return;
    Quiet quiet(m_selecting);
    m_model->beginMove(row, at > row ? at + 1 : at);
    if (at > row)
        std::rotate(begin + row, begin + row + 1, begin + at + 1);
    else
        std::rotate(begin + at, begin + row, begin + row + 1);
    reindex(std::min(row, at));
    m_model->endMove();
}

QVariant KeyedListView::sortValue(int row, int column) const
{
    if (!isValid(row))
        return {};
    const Row &r = m_rows[size_t(row)];
    if (size_t(column) < r.sortValues.size() && r.sortValues[size_t(column)].isValid())
        return r.sortValues[size_t(column)];
    return r.texts.value(column);
}

QVariant KeyedListView::tag(int row) const
{
    return isValid(row) ? m_rows[size_t(row)].tag : QVariant();
}

void KeyedListView::setTag(int row, const QVariant &tag)
{
    if (isValid(row))
        m_rows[size_t(row)].tag = tag;
}

QString KeyedListView::image(int row) const
{
    return isValid(row) ? m_rows[size_t(row)].image : QString();
}

void KeyedListView::setImage(int row, const QString &image)
{
    if (!isValid(row))
        return;
    m_rows[size_t(row)].image = image;
    refresh(row);
}

void KeyedListView::refresh(int row)
{
    if (m_bulk == 0)
        m_model->rowChanged(row);
}

int KeyedListView::selectedRow() const
{
    const QModelIndexList rows = m_report->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString KeyedListView::selectedKey() const
{
    return key(selectedRow());
}

void KeyedListView::select(int row)
{
    Quiet quiet(m_selecting);
    QItemSelectionModel *selection = m_report->selectionModel();
    if (!isValid(row)) {
        selection->clear();
        return;
    }
    selection->setCurrentIndex(m_model->index(row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ensureVisible(row);
}

void KeyedListView::ensureVisible(int row)
{
    if (isValid(row))
        currentView()->scrollTo(m_model->index(row, 0));
}

void KeyedListView::sortBy(int column)
{
    if (column < 0 || column >= std::max(1, columnCount()))
        return;
    m_sortColumn = column;
    if (m_bulk > 0)
        return;
    Quiet quiet(m_selecting);
    const QString selected = selectedKey();
    const QString current = key(m_report->selectionModel()->currentIndex().row());
    m_model->beginReset();
    sortRows();
    m_model->endReset();
    if (!current.isEmpty())
        m_report->selectionModel()->setCurrentIndex(m_model->index(indexOf(current), 0),
                                                    QItemSelectionModel::NoUpdate);
    if (!selected.isEmpty())
        select(indexOf(selected));
}

void KeyedListView::sortRows()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [this](const Row &a, const Row &b) { return lessThan(a, b); });
    reindex(0);
}

bool KeyedListView::lessThan(const Row &a, const Row &b) const
{
    const auto value = [this](const Row &r) {
        const size_t c = size_t(m_sortColumn);
        if (c < r.sortValues.size() && r.sortValues[c].isValid())
            return r.sortValues[c];
        return QVariant(r.texts.value(m_sortColumn));
    };
    const QVariant x = value(a), y = value(b);
    const auto textLess = [&x, &y] {
        // Texts sort as a reader expects, without regard to case.
        return x.toString().compare(y.toString(), Qt::CaseInsensitive) < 0;
    };
    if (x.typeId() == QMetaType::QString && y.typeId() == QMetaType::QString)
        return textLess();
    const QPartialOrdering order = QVariant::compare(x, y);
    // Values that do not compare (a number beside an empty cell) sort by their text.
    if (order == QPartialOrdering::Unordered)
        return textLess();
    return order == QPartialOrdering::Less;
}

int KeyedListView::sortedPlace(const Row &row) const
{
    // After the rows it ties with, as the row would stand after a stable sort.
    const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                     [this](const Row &a, const Row &b) { return lessThan(a, b); });
    return int(it - m_rows.begin());
}

} // namespace lc::controls
