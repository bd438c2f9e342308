#pragma once

#include "lcbase_export.h"

#include <QString>

namespace lc::controls {

// What a loader needs of a tree: add keyed nodes and set their properties. Loaders work
// through this alone, so they have no tie to a widget (and tests can count what they add).
class LCBASE_EXPORT TreeNodes {
public:
    virtual ~TreeNodes();

    virtual void clear() = 0;
    // Adds a node as the last child of parentKey (empty: at the top). Returns the node's index
    // in insertion order, or -1 when the key is taken or the parent does not exist.
    virtual int add(const QString &parentKey, const QString &key, const QString &text,
                    const QString &image, const QString &selectedImage) = 0;
    virtual void setTag(int node, const QString &tag) = 0;
    virtual void setExpanded(int node, bool expanded) = 0;
    virtual void setExpandedImage(int node, const QString &image) = 0;
    virtual int count() const = 0;

    // A hint that about this many nodes will be there in all, so room is made once.
    virtual void reserve(int nodes) {}
    // Brackets a run of adds: a widget may hold its display back until the end.
    virtual void beginBulkAdd() {}
    virtual void endBulkAdd() {}
};

// Keeps a bulk add open for a scope, also when the scope is left early.
class BulkAdd {
public:
    explicit BulkAdd(TreeNodes &tree) : m_tree(tree) { m_tree.beginBulkAdd(); }
    ~BulkAdd() { m_tree.endBulkAdd(); }
    BulkAdd(const BulkAdd &) = delete;
    BulkAdd &operator=(const BulkAdd &) = delete;

private:
    TreeNodes &m_tree;
};

} // namespace lc::controls
