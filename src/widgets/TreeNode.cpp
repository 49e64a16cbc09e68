#include "widgets/TreeNode.h"

#include "widgets/Look.h"

#include <QBrush>

TreeNode::TreeNode(const QString& key, const QString& text)
    : m_key(key) {
    QTreeWidgetItem::setText(0, text);
}

QString TreeNode::fullPath(QChar separator) const {
    QString path = text();
    for (const TreeNode* node = parentNode(); node != nullptr; node = node->parentNode()) {
        path = node->text() + separator + path;
    }
    return path;
}

void TreeNode::setBackColor(const QColor& colour) {
    setBackground(0, QBrush(colour));
    // The theme's text colour may be light: text on a fixed colour is chosen to stand out.
    if (!m_ownForeColor) {
        setForeground(0, QBrush(Look::textOn(colour)));
    }
}

QColor TreeNode::backColor() const {
    const QBrush brush = background(0);
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}

void TreeNode::setForeColor(const QColor& colour) {
    m_ownForeColor = true;
    setForeground(0, QBrush(colour));
}

QColor TreeNode::foreColor() const {
    const QBrush brush = foreground(0);
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}
