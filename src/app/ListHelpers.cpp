#include "app/ListHelpers.h"

#include <QComboBox>
#include <QStandardItemModel>

bool setListValue(QComboBox* listControl, const QString& itemValue) {
    const QString wanted = itemValue.trimmed();
    for (int i = 0; i < listControl->count(); ++i) {
        if (listControl->itemText(i).trimmed() == wanted) {
            listControl->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void appendEntries(QComboBox* listControl, const QStringList& texts, const QList<int>& ids) {
    auto* model = qobject_cast<QStandardItemModel*>(listControl->model());
    if (model == nullptr) {
        const int first = listControl->count();
        listControl->addItems(texts);
        for (int i = 0; i < ids.size(); ++i) {
            listControl->setItemData(first + i, ids[i]);
        }
        return;
    }
    QList<QStandardItem*> items;
    items.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* item = new QStandardItem(texts[i]);
        if (i < ids.size()) {
            item->setData(ids[i], Qt::UserRole);
        }
        items.append(item);
    }
    model->invisibleRootItem()->appendRows(items);
}
