#include "notifications/NotificationText.h"

#include "data/NameText.h"
#include "data/TimeText.h"

namespace NotificationText {

namespace {
QString dayAndTime(const QDateTime& moment) {
    return TimeText::format(moment, TimeText::D_MMM_YYYY) + QStringLiteral(" at ") +
           TimeText::format(moment, TimeText::HH_MM);
}
} // namespace

QString nodeText(const QString& categoryName, const QString& subject) {
    return NameText::isolated(categoryName) + QStringLiteral(" - ") + subject;
}

QString categoryLine(const QString& categoryName) {
    return QStringLiteral("Category: ") + NameText::isolated(categoryName);
}

QString fromLine(const QString& userName) {
    return QStringLiteral("From: ") + NameText::isolated(userName);
}

QString toLine(const QString& userName) {
    return QStringLiteral("To: ") + NameText::isolated(userName);
}

QString createdLine(const QDateTime& createDate) {
    return QStringLiteral("Created on ") + dayAndTime(createDate);
}

QString statusLine(const QString& status, const QDateTime& statusDate) {
    return status + QStringLiteral(" on ") + dayAndTime(statusDate);
}

} // namespace NotificationText
