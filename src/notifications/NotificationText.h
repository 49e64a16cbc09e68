#pragma once

#include <QDateTime>
#include <QString>

// The texts of a notification as the list and the details frame show them.
namespace NotificationText {

// A notification's node: "Budget - Above maximum".
QString nodeText(const QString& categoryName, const QString& subject);

QString categoryLine(const QString& categoryName);
QString fromLine(const QString& userName);
QString toLine(const QString& userName);
// "Created on 6 Dec 2026 at 23:47".
QString createdLine(const QDateTime& createDate);
// A stored status ("Unread", "Read", "Deleted") as the user reads it.
QString statusText(const QString& status);
// "Read on 6 Dec 2026 at 23:47".
QString statusLine(const QString& status, const QDateTime& statusDate);

} // namespace NotificationText
