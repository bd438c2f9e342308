#include "keyedtree.h"

#include "treeimages.h"

#include <QAbstractItemModel>
#include <QHeaderView>

namespace lc::controls {

TreeNodes::~TreeNodes() = default;

// The view's window on the node table: one column, the text and the picture of each node.
class KeyedTreeModel : public QAbstractItemModel {
public:
    explicit KeyedTreeModel(KeyedTree *tree) : QAbstractItemModel(tree), m_tree(tree) {}

    QModelIndex index(int row, int column, const QModelIndex &parent) const override
    {
        const auto &list = m_tree->childList(parent.isValid() ? int(parent.internalId()) : -1);
        if (column != 0 || row < 0 || row >= int(list.size()))
            return {};
        return createIndex(row, 0, quintptr(list[size_t(row)]));
    }
    QModelIndex parent(const QModelIndex &child) const override
    {
        if (!child.isValid())
            return {};
        const int p = m_tree->m_nodes[child.internalId()].parent;
        return p < 0 ? QModelIndex() : createIndex(m_tree->m_nodes[size_t(p)].row, 0, quintptr(p));
    }
    int rowCount(const QModelIndex &parent) const override
    {
        if (parent.isValid() && parent.column() != 0)
            return 0;
        return int(m_tree->childList(parent.isValid() ? int(parent.internalId()) : -1).size());
    }
    int columnCount(const QModelIndex &) const override { return 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const int n = int(index.internalId());
        if (role == Qt::DisplayRole)
            return m_tree->m_nodes[size_t(n)].text;
        if (role == Qt::DecorationRole)
            return treeImage(m_tree->shownImage(n));
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void beginInsert(const QModelIndex &parent, int row) { beginInsertRows(parent, row, row); }
    void endInsert() { endInsertRows(); }
    void changed(const QModelIndex &index) { Q_EMIT dataChanged(index, index); }
    void beginRemove(const QModelIndex &parent, int row) { beginRemoveRows(parent, row, row); }
    void endRemove() { endRemoveRows(); }
    // The view holds node numbers inside its persistent indexes; carry them over a renumbering.
    template <typename Renumber> void renumber(const std::vector<int> &newOf, Renumber apply)
    {
        Q_EMIT layoutAboutToBeChanged();
        const QModelIndexList before = persistentIndexList();
        apply();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &i : before) {
            const int n = newOf[size_t(i.internalId())];
            after.append(n < 0 ? QModelIndex()
                               : createIndex(m_tree->m_nodes[size_t(n)].row, 0, quintptr(n)));
        }
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged();
    }

private:
    KeyedTree *m_tree;
};

KeyedTree::KeyedTree(QWidget *parent) : QTreeView(parent), m_model(new KeyedTreeModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &now, const QModelIndex &before) {
                for (const QModelIndex &i : {before, now})
                    if (i.isValid())
                        m_model->changed(i);
            });
    const auto onExpand = [this](const QModelIndex &i) { m_model->changed(i); };
    connect(this, &QTreeView::expanded, this, onExpand);
    connect(this, &QTreeView::collapsed, this, onExpand);
}

KeyedTree::~KeyedTree() = default;

const std::vector<int> &KeyedTree::childList(int node) const
{
    return node < 0 ? m_top : m_nodes[size_t(node)].children;
}

void KeyedTree::beginBulkAdd()
{
    if (m_bulk++ == 0)
        m_model->beginReset();
}

void KeyedTree::endBulkAdd()
{
    if (m_bulk == 0 || --m_bulk > 0)
        return;
    m_model->endReset();
    // The view forgot every expansion with the reset; give back what was asked for.
    for (size_t n = 0; n < m_nodes.size(); ++n)
        if (m_nodes[n].expanded)
            QTreeView::setExpanded(modelIndex(int(n)), true);
}

void KeyedTree::setDropHighlight(int node)
{
    const int before = m_dropHighlight;
    m_dropHighlight = isValid(node) ? node : -1;
    if (before == m_dropHighlight)
        return;
    for (int n : {before, m_dropHighlight})
        if (isValid(n))
            viewport()->update(visualRect(modelIndex(n)));
}

void KeyedTree::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const
{
    if (m_dropHighlight < 0 || nodeOf(index) != m_dropHighlight) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem target(option);
    target.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, target, index);
}

void KeyedTree::clear()
{
    m_dropHighlight = -1;
    if (m_bulk == 0)
        m_model->beginReset();
    // A reload is usually about as big as what it replaces.
    const qsizetype before = qsizetype(m_nodes.size());
    m_nodes.clear();
    m_top.clear();
    m_byKey.clear();
    m_byKey.reserve(before);
    m_nodes.reserve(size_t(before));
    if (m_bulk == 0)
        m_model->endReset();
}

void KeyedTree::reserve(int nodes)
{
    if (nodes <= count())
        return;
    m_nodes.reserve(size_t(nodes));
    m_byKey.reserve(nodes);
}

int KeyedTree::add(const QString &parentKey, const QString &key, const QString &text,
                   const QString &image, const QString &selectedImage)
{
    if (key.isEmpty())
        return -1;
    int parent = -1;
    if (!parentKey.isEmpty()) {
        parent = indexOf(parentKey);
        if (parent < 0)
            return -1;
    }
    const int n = count();
    // One look-up both refuses a key already there and makes the new key's entry.
    const qsizetype known = m_byKey.size();
    int &entry = m_byKey[key];
    if (m_byKey.size() == known)
        return -1;
    entry = n;
    const int row = int(childList(parent).size());
    if (m_bulk == 0)
        m_model->beginInsert(modelIndex(parent), row);
    Node node;
    node.key = key;
    node.text = text;
    node.image = image;
    node.selectedImage = selectedImage;
    node.parent = parent;
    node.row = row;
    m_nodes.push_back(std::move(node));
    (parent < 0 ? m_top : m_nodes[size_t(parent)].children).push_back(n);
    if (m_bulk == 0)
        m_model->endInsert();
    return n;
}

void KeyedTree::setTag(int node, const QString &tag)
{
    if (isValid(node))
        m_nodes[size_t(node)].tag = tag;
}

void KeyedTree::setExpanded(int node, bool expanded)
{
    if (!isValid(node))
        return;
    m_nodes[size_t(node)].expanded = expanded;
    if (m_bulk == 0)
        QTreeView::setExpanded(modelIndex(node), expanded);
}

void KeyedTree::setExpandedImage(int node, const QString &image)
{
    if (!isValid(node))
        return;
    m_nodes[size_t(node)].expandedImage = image;
    refresh(node);
}

void KeyedTree::remove(int node)
{
    if (!isValid(node))
        return;
    m_dropHighlight = -1;
    std::vector<int> newOf(m_nodes.size(), 0);
    std::vector<int> stack{node};
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        newOf[size_t(n)] = -1;
        for (int c : m_nodes[size_t(n)].children)
            stack.push_back(c);
    }
    const int parent = m_nodes[size_t(node)].parent;
    const int row = m_nodes[size_t(node)].row;
    if (m_bulk == 0)
        m_model->beginRemove(modelIndex(parent), row);
    std::vector<int> &siblings = parent < 0 ? m_top : m_nodes[size_t(parent)].children;
    siblings.erase(siblings.begin() + row);
    for (size_t r = size_t(row); r < siblings.size(); ++r)
        m_nodes[size_t(siblings[r])].row = int(r);
    if (m_bulk == 0)
        m_model->endRemove();

    int next = 0;
    for (int &n : newOf)
        if (n == 0)
            n = next++;
    const auto apply = [this, &newOf] {
        std::vector<Node> kept;
        kept.reserve(m_nodes.size());
        for (size_t n = 0; n < m_nodes.size(); ++n)
            if (newOf[n] >= 0)
                kept.push_back(std::move(m_nodes[n]));
        m_nodes = std::move(kept);
        m_byKey.clear();
        for (size_t n = 0; n < m_nodes.size(); ++n) {
            Node &nd = m_nodes[n];
            if (nd.parent >= 0)
                nd.parent = newOf[size_t(nd.parent)];
            for (int &c : nd.children)
                c = newOf[size_t(c)];
            m_byKey.insert(nd.key, int(n));
        }
        for (int &t : m_top)
            t = newOf[size_t(t)];
    };
    if (m_bulk == 0)
        m_model->renumber(newOf, apply);
    else
        apply();
}

int KeyedTree::indexOf(const QString &key) const
{
    return m_byKey.value(key, -1);
}

QString KeyedTree::key(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].key : QString();
}

QString KeyedTree::text(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].text : QString();
}

void KeyedTree::setText(int node, const QString &text)
{
    if (!isValid(node))
        return;
    m_nodes[size_t(node)].text = text;
    refresh(node);
}

QString KeyedTree::tag(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].tag : QString();
}

QString KeyedTree::image(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].image : QString();
}

QString KeyedTree::selectedImage(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].selectedImage : QString();
}

QString KeyedTree::expandedImage(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].expandedImage : QString();
}

QString KeyedTree::shownImage(int node) const
{
    if (!isValid(node))
        return {};
    const Node &n = m_nodes[size_t(node)];
    if (m_bulk == 0 && !n.selectedImage.isEmpty() && selectedNode() == node)
        return n.selectedImage;
    if (expanded(node) && !n.expandedImage.isEmpty())
        return n.expandedImage;
    return n.image;
}

void KeyedTree::refresh(int node)
{
    if (m_bulk == 0)
        m_model->changed(modelIndex(node));
}

int KeyedTree::parentOf(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].parent : -1;
}

int KeyedTree::childCount(int node) const
{
    if (node == -1)
        return int(m_top.size());
    return isValid(node) ? int(m_nodes[size_t(node)].children.size()) : 0;
}

std::vector<int> KeyedTree::children(int node) const
{
    if (node != -1 && !isValid(node))
        return {};
    return childList(node);
}

bool KeyedTree::expanded(int node) const
{
    if (!isValid(node))
        return false;
    return m_bulk > 0 ? m_nodes[size_t(node)].expanded : isExpanded(modelIndex(node));
}

void KeyedTree::ensureVisible(int node)
{
    if (!isValid(node))
        return;
    for (int p = parentOf(node); p >= 0; p = parentOf(p))
        setExpanded(p, true);
    scrollTo(modelIndex(node));
}

int KeyedTree::selectedNode() const
{
    return nodeOf(currentIndex());
}

void KeyedTree::select(int node)
{
    if (isValid(node))
        setCurrentIndex(modelIndex(node));
}

int KeyedTree::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_model)
        return -1;
    const int n = int(index.internalId());
    return isValid(n) ? n : -1;
}

QModelIndex KeyedTree::modelIndex(int node) const
{
    if (!isValid(node))
        return {};
    return m_model->index(m_nodes[size_t(node)].row, 0,
                          parentOf(node) < 0 ? QModelIndex() : modelIndex(parentOf(node)));
}

} // namespace lc::controls
