#pragma once

#include "data/TextHash.h"
#include "widgets/TreeNode.h"

#include <QHash>
#include <QSet>
#include <QTreeWidget>
#include <unordered_map>

// A tree view whose nodes carry unique keys. Nodes are found through a map, never by walking
// the tree, so the timers that look nodes up every tick stay cheap however large the tree is.
// Removing a node removes its whole subtree and forgets every key in it.
class KeyedTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit KeyedTree(QWidget* parent = nullptr);

    // Adds a node under parent (a top-level node when parent is nullptr). A key that is already
    // in the tree is refused with a CollectionError and nothing is added.
    TreeNode* addNode(TreeNode* parent, const QString& key, const QString& text);

    // The node with exactly this key (case-sensitive), or nullptr.
    TreeNode* node(const QString& key) const {
        const auto found = m_byKey.find(key);
        return found == m_byKey.end() ? nullptr : found->second;
    }
    bool exists(const QString& key) const { return m_byKey.find(key) != m_byKey.end(); }
    // Whether the pointer is a node of this tree that has not been removed.
    bool owns(const TreeNode* node) const { return m_live.contains(node); }

    // Removes the node and its subtree; a key or node that is not in the tree is ignored.
    void removeNode(const QString& key);
    void removeNode(TreeNode* node);
    void clearNodes();

    int nodeCount() const { return int(m_byKey.size()); }

    // While one lives, top-level nodes are added to the view together when it ends, with
    // everything added under them by then: the view takes them in once instead of once per node,
    // which counts with thousands of nodes. Keys, parents and look-ups work as ever meanwhile.
    class Filling {
    public:
        explicit Filling(KeyedTree& tree, int expectedNodes = 0);
        ~Filling();
        Filling(const Filling&) = delete;
        Filling& operator=(const Filling&) = delete;

    private:
        KeyedTree& m_tree;
    };
    QList<TreeNode*> topLevelNodes() const;
    TreeNode* selectedNode() const;
    void selectNode(TreeNode* node);
    TreeNode* firstNode() const;

signals:
    void NodeClick(TreeNode* node);
    void Expand(TreeNode* node);
    void DblClick(TreeNode* node);

private:
    void forget(TreeNode* node);

    std::unordered_map<QString, TreeNode*, TextHash> m_byKey;
    QSet<const TreeNode*> m_live;
    bool m_filling = false;
    QList<QTreeWidgetItem*> m_heldTopLevel; // added while filling, not yet in the view
};

// The tree look-ups by key shared by every tree of the program.
inline bool nodeExists(const KeyedTree& tree, const QString& key) {
    return tree.exists(key);
}
inline TreeNode* getNodeByKey(const KeyedTree& tree, const QString& key) {
    return tree.node(key);
}
