#include "FixedWindowLister.h"

void FixedWindowLister::setTitles(const QStringList& titles) {
    m_windows.clear();
    for (const QString& title : titles) {
        m_windows.append({title, QString()});
    }
}
