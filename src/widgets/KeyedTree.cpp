#include "widgets/KeyedTree.h"

#include "data/KeyedCollection.h"

#include <QHeaderView>
#include <algorithm>
#include <memory>

KeyedTree::KeyedTree(QWidget* parent)
    : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (auto* treeNode = static_cast<TreeNode*>(item); owns(treeNode)) {
            emit NodeClick(treeNode);
        }
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (auto* treeNode = static_cast<TreeNode*>(item); owns(treeNode)) {
            emit Expand(treeNode);
        }
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (auto* treeNode = static_cast<TreeNode*>(item); owns(treeNode)) {
            emit DblClick(treeNode);
        }
    });
}

TreeNode* KeyedTree::addNode(TreeNode* parent, const QString& key, const QString& text) {
    if (parent != nullptr && !owns(parent)) {
        throw CollectionError(tr("The parent of \"%1\" is not in the tree.").arg(key));
    }
    // One look-up of the key: the place it takes is found, and refused when already taken.
    auto made = std::make_unique<TreeNode>(key, text);
    TreeNode*& place = m_byKey[key];
    if (place != nullptr) {
        throw CollectionError(tr("The tree already has a node with the key \"%1\".").arg(key));
    }
    TreeNode* created = made.release();
    place = created;
    if (parent == nullptr && m_filling) {
        m_heldTopLevel.append(created);
    } else if (parent == nullptr) {
        addTopLevelItem(created);
    } else {
        parent->addChild(created);
    }
    m_live << created;
    return created;
}

void KeyedTree::forget(TreeNode* node) {
    for (int i = 0; i < node->childCount(); ++i) {
        forget(node->childNode(i));
    }
    if (const auto found = m_byKey.find(node->key());
        found != m_byKey.end() && found->second == node) {
        m_byKey.erase(found);
    }
    m_live.remove(node);
}

void KeyedTree::removeNode(const QString& key) {
    removeNode(node(key));
}

void KeyedTree::removeNode(TreeNode* node) {
    if (node == nullptr || !owns(node)) {
        return;
    }
    forget(node);
    m_heldTopLevel.removeOne(node);
    delete node; // detaches itself from its parent or the top level
}

void KeyedTree::clearNodes() {
    m_byKey.clear();
    m_live.clear();
    qDeleteAll(m_heldTopLevel);
    m_heldTopLevel.clear();
    clear();
}

KeyedTree::Filling::Filling(KeyedTree& tree, int expectedNodes)
    : m_tree(tree) {
    m_tree.m_filling = true;
    m_tree.m_byKey.reserve(m_tree.m_byKey.size() + std::size_t(std::max(expectedNodes, 0)));
    m_tree.m_live.reserve(m_tree.m_live.size() + expectedNodes);
}

KeyedTree::Filling::~Filling() {
    m_tree.m_filling = false;
    m_tree.addTopLevelItems(m_tree.m_heldTopLevel);
    m_tree.m_heldTopLevel.clear();
}

QList<TreeNode*> KeyedTree::topLevelNodes() const {
    QList<TreeNode*> nodes;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        nodes.append(static_cast<TreeNode*>(topLevelItem(i)));
    }
    return nodes;
}

TreeNode* KeyedTree::selectedNode() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<TreeNode*>(selected.first());
}

void KeyedTree::selectNode(TreeNode* node) {
    if (node == nullptr || !owns(node)) {
        return;
    }
    clearSelection();
    node->setSelected(true);
    setCurrentItem(node);
    scrollToItem(node);
}

TreeNode* KeyedTree::firstNode() const {
    return topLevelItemCount() == 0 ? nullptr : static_cast<TreeNode*>(topLevelItem(0));
}
