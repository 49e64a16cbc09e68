#include "data/Refusal.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace Refusal {

QString sentence(const QString& serverMessage) {
    static const QRegularExpression detail(QStringLiteral("DETAIL:\\s*(\\{[^\\n]*\\})"));
    const QRegularExpressionMatch match = detail.match(serverMessage);
    const QJsonObject facts = match.hasMatch()
                                  ? QJsonDocument::fromJson(match.captured(1).toUtf8()).object()
                                  : QJsonObject();
    const QString what = facts.value(QLatin1String("refused")).toString();
    const QString who = facts.value(QLatin1String("user")).toString();
    const QString called = facts.value(QLatin1String("category")).toString();
    if (what == QLatin1String("time")) {
        if (called.isEmpty()) {
            return QCoreApplication::translate("Refusal", "Only %1 can change this time.").arg(who);
        }
        return QCoreApplication::translate("Refusal",
                                           "Only %1 or the manager of %2 can change this time.")
            .arg(who, called);
    }
    if (what == QLatin1String("newTime")) {
        return QCoreApplication::translate("Refusal", "Only %1 can record their own time.")
            .arg(who);
    }
    if (what == QLatin1String("process")) {
        return QCoreApplication::translate("Refusal",
                                           "Only %1 can change their own list of windows.")
            .arg(who);
    }
    if (what == QLatin1String("user")) {
        return QCoreApplication::translate(
                   "Refusal",
                   "Only %1, whose details these are, or a team administrator can change them.")
            .arg(who);
    }
    if (what == QLatin1String("users")) {
        return QCoreApplication::translate(
            "Refusal", "Only a team administrator can add, rename or delete users.");
    }
    if (what == QLatin1String("category")) {
        return QCoreApplication::translate(
                   "Refusal",
                   "Only the manager of %1 or a team administrator can change this category.")
            .arg(called);
    }
    if (what == QLatin1String("notification")) {
        return QCoreApplication::translate(
                   "Refusal", "Only %1, to whom it was sent, can mark or delete this notification.")
            .arg(who);
    }
    if (what == QLatin1String("sender")) {
        return QCoreApplication::translate("Refusal",
                                           "A notification can only be sent in your own name.");
    }
    if (what == QLatin1String("trail")) {
        return QCoreApplication::translate(
            "Refusal", "The record of changes to time stays as it was written.");
    }
    if (what == QLatin1String("trailWriter")) {
        return QCoreApplication::translate(
            "Refusal", "A change to time can only be recorded in your own name.");
    }
    return QCoreApplication::translate("Refusal",
                                       "The server refused this change: your login may not make "
                                       "it. Ask your team administrator if it should be allowed.");
}

} // namespace Refusal
