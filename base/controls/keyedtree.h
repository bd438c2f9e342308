#pragma once

#include "lcbase_export.h"
#include "treenodes.h"

#include <QHash>
#include <QTreeView>

#include <vector>

namespace lc::controls {

class KeyedTreeModel;

// A tree view whose nodes carry a unique key, a tag and image keys (normal, selected,
// expanded) drawn from treeImage(). Nodes are found by key or by their index in the order
// they were added. The nodes live in one flat table behind a light model, so a tree of tens
// of thousands of games is built and thrown away quickly.
class LCBASE_EXPORT KeyedTree : public QTreeView, public TreeNodes {
    Q_OBJECT
public:
    explicit KeyedTree(QWidget *parent = nullptr);
    ~KeyedTree() override;

    // TreeNodes
    void clear() override;
    int add(const QString &parentKey, const QString &key, const QString &text, const QString &image,
            const QString &selectedImage) override;
    void setTag(int node, const QString &tag) override;
    void setExpanded(int node, bool expanded) override;
    void setExpandedImage(int node, const QString &image) override;
    int count() const override { return int(m_nodes.size()); }
    void reserve(int nodes) override;
    // While a bulk add is open the view is not told of each node; it sees them all at the end.
    void beginBulkAdd() override;
    void endBulkAdd() override;

    // Removes a node with everything below it. Later nodes move up one place per removed
    // node in the insertion order; the view keeps its selection and expansions.
    void remove(int node);

    // -1 when no node has that key.
    int indexOf(const QString &key) const;
    bool isValid(int node) const { return node >= 0 && node < count(); }
    QString key(int node) const;
    QString text(int node) const;
    void setText(int node, const QString &text);
    QString tag(int node) const;
    QString image(int node) const;
    QString selectedImage(int node) const;
    QString expandedImage(int node) const;
    // The key of the picture the node shows now (it changes with selection and expansion).
    QString shownImage(int node) const;
    int parentOf(int node) const;
    int childCount(int node) const;
    // Children of a node in their order; node -1 gives the top-level nodes.
    std::vector<int> children(int node) const;
    bool expanded(int node) const;
    void ensureVisible(int node);
    int selectedNode() const;
    void select(int node);
    int nodeOf(const QModelIndex &index) const;
    QModelIndex modelIndex(int node) const;
    // The node drawn as the target of a drag in progress; -1 for none.
    void setDropHighlight(int node);
    int dropHighlight() const { return m_dropHighlight; }

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;

private:
    friend class KeyedTreeModel;
    struct Node {
        QString key;
        QString text;
        QString image;
        QString selectedImage;
        QString expandedImage;
        QString tag;
        int parent = -1;
        int row = 0; // position among its parent's children
        std::vector<int> children;
        bool expanded = false; // wanted state while the view does not know the node yet
    };
    const std::vector<int> &childList(int node) const;
    void refresh(int node);

    KeyedTreeModel *m_model = nullptr;
    std::vector<Node> m_nodes;
    std::vector<int> m_top;
    QHash<QString, int> m_byKey;
    int m_bulk = 0;
    int m_dropHighlight = -1;
};

} // namespace lc::controls
