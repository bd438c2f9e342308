#pragma once

#include "lcbase_export.h"
#include "treenodes.h"

#include <QHash>
#include <QTreeWidget>

#include <vector>

namespace lc::controls {

// A tree view whose nodes carry a unique key, a tag and image keys (normal, selected,
// expanded) drawn from treeImage(). Nodes are found by key or by their index in the order
// they were added.
class LCBASE_EXPORT KeyedTree : public QTreeWidget, public TreeNodes {
    Q_OBJECT
public:
    explicit KeyedTree(QWidget *parent = nullptr);

    // TreeNodes
    void clear() override;
    int add(const QString &parentKey, const QString &key, const QString &text,
            const QString &image, const QString &selectedImage) override;
    void setTag(int node, const QString &tag) override;
    void setExpanded(int node, bool expanded) override;
    void setExpandedImage(int node, const QString &image) override;
    int count() const override { return int(m_nodes.size()); }

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
    int nodeOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *item(int node) const;

private:
    struct Node {
        QTreeWidgetItem *item = nullptr;
        QString key;
        QString image;
        QString selectedImage;
        QString expandedImage;
        QString tag;
    };
    void refreshIcon(int node);

    std::vector<Node> m_nodes;
    QHash<QString, int> m_byKey;
};

} // namespace lc::controls
