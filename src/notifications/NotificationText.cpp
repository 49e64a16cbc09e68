#include "notifications/NotificationText.h"

#include "data/NameText.h"
#include "data/TimeText.h"

#include <QCoreApplication>

namespace NotificationText {

namespace {
QString dayAndTime(const QDateTime& moment) {
    return QCoreApplication::translate("NotificationText", "%1 at %2")
        .arg(TimeText::format(moment, TimeText::D_MMM_YYYY),
             TimeText::format(moment, TimeText::HH_MM));
}
} // namespace

QString nodeText(const QString& categoryName, const QString& subject) {
    return NameText::isolated(categoryName) + QStringLiteral(" - ") + subject;
}

QString categoryLine(const QString& categoryName) {
    return QCoreApplication::translate("NotificationText", "Category: %1")
        .arg(NameText::isolated(categoryName));
}

QString fromLine(const QString& userName) {
    return QCoreApplication::translate("NotificationText", "From: %1")
        .arg(NameText::isolated(userName));
}

QString toLine(const QString& userName) {
    return QCoreApplication::translate("NotificationText", "To: %1")
        .arg(NameText::isolated(userName));
}

QString createdLine(const QDateTime& createDate) {
    return QCoreApplication::translate("NotificationText", "Created on %1")
        .arg(dayAndTime(createDate));
}

QString statusText(const QString& status) {
    // The stored statuses, as the list and details show them.
    static const char* const shown[] = {QT_TRANSLATE_NOOP("NotificationText", "Unread"),
                                        QT_TRANSLATE_NOOP("NotificationText", "Read"),
                                        QT_TRANSLATE_NOOP("NotificationText", "Deleted")};
    for (const char* each : shown) {
        if (status == QLatin1String(each)) {
            return QCoreApplication::translate("NotificationText", each);
        }
    }
    return status;
}

QString statusLine(const QString& status, const QDateTime& statusDate) {
    return QCoreApplication::translate("NotificationText", "%1 on %2")
        .arg(statusText(status), dayAndTime(statusDate));
}

} // namespace NotificationText
