#include "app/ListHelpers.h"

#include <QComboBox>

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
