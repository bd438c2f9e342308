#include "keyedtree.h"

#include "treeimages.h"

#include <QHeaderView>

namespace lc::controls {

TreeNodes::~TreeNodes() = default;

KeyedTree::KeyedTree(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *now, QTreeWidgetItem *before) {
                for (QTreeWidgetItem *it : {before, now})
                    if (const int n = nodeOf(it); n >= 0)
                        refreshIcon(n);
            });
    const auto onExpand = [this](QTreeWidgetItem *it) {
        if (const int n = nodeOf(it); n >= 0)
            refreshIcon(n);
    };
    connect(this, &QTreeWidget::itemExpanded, this, onExpand);
    connect(this, &QTreeWidget::itemCollapsed, this, onExpand);
}

void KeyedTree::clear()
{
    QTreeWidget::clear();
    m_nodes.clear();
    m_byKey.clear();
}

int KeyedTree::add(const QString &parentKey, const QString &key, const QString &text,
                   const QString &image, const QString &selectedImage)
{
    if (key.isEmpty() || m_byKey.contains(key))
        return -1;
    QTreeWidgetItem *parentItem = nullptr;
    if (!parentKey.isEmpty()) {
        const int p = indexOf(parentKey);
        if (p < 0)
            return -1;
        parentItem = m_nodes[size_t(p)].item;
    }
    const int n = count();
    auto *it = new QTreeWidgetItem;
    it->setText(0, text);
    it->setData(0, Qt::UserRole, n);
    it->setIcon(0, treeImage(image));
    if (parentItem)
        parentItem->addChild(it);
    else
        addTopLevelItem(it);
    m_nodes.push_back({it, key, image, selectedImage, {}, {}});
    m_byKey.insert(key, n);
    return n;
}

void KeyedTree::setTag(int node, const QString &tag)
{
    if (isValid(node))
        m_nodes[size_t(node)].tag = tag;
}

void KeyedTree::setExpanded(int node, bool expanded)
{
    if (isValid(node))
        m_nodes[size_t(node)].item->setExpanded(expanded);
}

void KeyedTree::setExpandedImage(int node, const QString &image)
{
    if (!isValid(node))
        return;
    m_nodes[size_t(node)].expandedImage = image;
    refreshIcon(node);
}

int KeyedTree::indexOf(const QString &key) const { return m_byKey.value(key, -1); }

QString KeyedTree::key(int node) const { return isValid(node) ? m_nodes[size_t(node)].key : QString(); }

QString KeyedTree::text(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].item->text(0) : QString();
}

void KeyedTree::setText(int node, const QString &text)
{
    if (isValid(node))
        m_nodes[size_t(node)].item->setText(0, text);
}

QString KeyedTree::tag(int node) const { return isValid(node) ? m_nodes[size_t(node)].tag : QString(); }

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
    if (n.item == currentItem() && !n.selectedImage.isEmpty())
        return n.selectedImage;
    if (n.item->isExpanded() && !n.expandedImage.isEmpty())
        return n.expandedImage;
    return n.image;
}

void KeyedTree::refreshIcon(int node) { m_nodes[size_t(node)].item->setIcon(0, treeImage(shownImage(node))); }

int KeyedTree::parentOf(int node) const
{
    if (!isValid(node))
        return -1;
    return nodeOf(m_nodes[size_t(node)].item->parent());
}

int KeyedTree::childCount(int node) const
{
    if (node == -1)
        return topLevelItemCount();
    return isValid(node) ? m_nodes[size_t(node)].item->childCount() : 0;
}

std::vector<int> KeyedTree::children(int node) const
{
    std::vector<int> out;
    if (node == -1) {
        for (int i = 0; i < topLevelItemCount(); ++i)
            out.push_back(nodeOf(topLevelItem(i)));
    } else if (isValid(node)) {
        const QTreeWidgetItem *it = m_nodes[size_t(node)].item;
        for (int i = 0; i < it->childCount(); ++i)
            out.push_back(nodeOf(it->child(i)));
    }
    return out;
}

bool KeyedTree::expanded(int node) const
{
    return isValid(node) && m_nodes[size_t(node)].item->isExpanded();
}

void KeyedTree::ensureVisible(int node)
{
    if (!isValid(node))
        return;
    for (QTreeWidgetItem *p = m_nodes[size_t(node)].item->parent(); p; p = p->parent())
        p->setExpanded(true);
    scrollToItem(m_nodes[size_t(node)].item);
}

int KeyedTree::selectedNode() const { return nodeOf(currentItem()); }

void KeyedTree::select(int node)
{
    if (isValid(node))
        setCurrentItem(m_nodes[size_t(node)].item);
}

int KeyedTree::nodeOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return -1;
    bool ok = false;
    const int n = item->data(0, Qt::UserRole).toInt(&ok);
    return ok && isValid(n) && m_nodes[size_t(n)].item == item ? n : -1;
}

QTreeWidgetItem *KeyedTree::item(int node) const
{
    return isValid(node) ? m_nodes[size_t(node)].item : nullptr;
}

} // namespace lc::controls
