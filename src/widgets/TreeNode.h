#pragma once

#include <QTreeWidgetItem>

// A node of one of the program's trees: a QTreeWidgetItem with a key made of a prefix and a
// record id ("id_12", "tid_40", "uid_3", "nid_7", ...), by which a clicked node leads back to its
// record.
class TreeNode : public QTreeWidgetItem {
public:
    TreeNode(const QString& key, const QString& text);

    const QString& key() const { return m_key; }
    QString text() const { return QTreeWidgetItem::text(0); }
    void setText(const QString& text) { QTreeWidgetItem::setText(0, text); }

    TreeNode* parentNode() const { return static_cast<TreeNode*>(parent()); }
    TreeNode* childNode(int index) const { return static_cast<TreeNode*>(child(index)); }
    int children() const { return childCount(); }

    // The texts of the node's ancestors and its own, joined by the separator (a backslash by
    // default): "A\B\C" for C under B under A.
    QString fullPath(QChar separator = QLatin1Char('\\')) const;

    void setBackColor(const QColor& colour);
    QColor backColor() const;
    void setForeColor(const QColor& colour);
    QColor foreColor() const;

private:
    QString m_key;
    bool m_ownForeColor = false;
};
