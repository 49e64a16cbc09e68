#include "data/Refusal.h"

#include "data/TimeText.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace Refusal {

namespace {

// Refusals about time rows and the lists of windows, or nothing.
QString aboutTime(const QString& what, const QString& who, const QString& called) {
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
    if (what == QLatin1String("person")) {
        return QCoreApplication::translate("Refusal",
                                           "Time stays in the name of %1, who recorded it.")
            .arg(who);
    }
    if (what == QLatin1String("number")) {
        return QCoreApplication::translate(
            "Refusal", "Users, categories and time entries keep the numbers the server gave them.");
    }
    if (what == QLatin1String("process")) {
        return QCoreApplication::translate("Refusal",
                                           "Only %1 can change their own list of windows.")
            .arg(who);
    }
    return {};
}

// Refusals about users, their names and logins, or nothing.
QString aboutPeople(const QString& what, const QString& who, const QString& /*called*/) {
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
    if (what == QLatin1String("userName")) {
        return nameIsLogin(who);
    }
    if (what == QLatin1String("sameName")) {
        return sameName(who);
    }
    if (what == QLatin1String("noUser")) {
        return QCoreApplication::translate("Refusal", "There is no Quillhour user named %1.")
            .arg(who);
    }
    if (what == QLatin1String("loginTaken")) {
        return QCoreApplication::translate(
                   "Refusal", "There is a login named %1 on the database server already.")
            .arg(who);
    }
    if (what == QLatin1String("notOnTeam")) {
        return QCoreApplication::translate("Refusal", "The login %1 is not on this team.").arg(who);
    }
    if (what == QLatin1String("longName")) {
        return QCoreApplication::translate(
                   "Refusal", "A login name can be at most 63 bytes long: %1 is longer.")
            .arg(who);
    }
    return {};
}

// Refusals about categories, notifications and the trail, or nothing.
QString aboutTheRest(const QString& what, const QString& who, const QString& called) {
    if (what == QLatin1String("parent")) {
        return QCoreApplication::translate("Refusal", "A category cannot be placed under itself "
                                                      "or one of its own sub-categories.");
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
    if (what == QLatin1String("close")) {
        return QCoreApplication::translate(
            "Refusal", "Only the manager of a category closes its time, and only a team "
                       "administrator closes the time of all categories.");
    }
    if (what == QLatin1String("reopen")) {
        return QCoreApplication::translate("Refusal",
                                           "Only a team administrator can reopen a closed period.");
    }
    if (what == QLatin1String("closing")) {
        return QCoreApplication::translate("Refusal", "A closed period stays as it was closed.");
    }
    if (what == QLatin1String("team")) {
        return QCoreApplication::translate("Refusal", "Only a team administrator can change this.");
    }
    if (what == QLatin1String("trailNew")) {
        return QCoreApplication::translate("Refusal",
                                           "Changes to time are recorded by the server itself.");
    }
    return {};
}

} // namespace

QString sentence(const QString& serverMessage) {
    static const QRegularExpression detail(QStringLiteral("DETAIL:\\s*(\\{[^\\n]*\\})"));
    const QRegularExpressionMatch match = detail.match(serverMessage);
    const QJsonObject facts = match.hasMatch()
                                  ? QJsonDocument::fromJson(match.captured(1).toUtf8()).object()
                                  : QJsonObject();
    const QString what = facts.value(QLatin1String("refused")).toString();
    const QString who = facts.value(QLatin1String("user")).toString();
    const QString called = facts.value(QLatin1String("category")).toString();
    if (what == QLatin1String("closed")) {
        return closedTime(who, called, facts.value(QLatin1String("through")).toString());
    }
    for (auto about : {aboutTime, aboutPeople, aboutTheRest}) {
        if (QString said = about(what, who, called); !said.isEmpty()) {
            return said;
        }
    }
    return QCoreApplication::translate("Refusal",
                                       "The server refused this change: your login may not make "
                                       "it. Ask your team administrator if it should be allowed.");
}

QString nameIsLogin(const QString& userName) {
    return QCoreApplication::translate("Refusal",
                                       "A user's name is their login: a team administrator "
                                       "renames both with: quillhour --rename-login URL %1 "
                                       "NEW-NAME")
        .arg(userName);
}

QString closedTime(const QString& closedBy, const QString& category, const QString& through) {
    const QString day =
        TimeText::format(QDate::fromString(through, Qt::ISODate), TimeText::DD_MMM_YYYY);
    if (category.isEmpty()) {
        return QCoreApplication::translate("Refusal",
                                           "All time up to and including %1 was closed by %2: it "
                                           "cannot be added, changed or deleted.")
            .arg(day, closedBy);
    }
    return QCoreApplication::translate("Refusal",
                                       "The time on %1 up to and including %2 was closed by %3: "
                                       "it cannot be added, changed or deleted.")
        .arg(category, day, closedBy);
}

QString sameName(const QString& userName) {
    return QCoreApplication::translate("Refusal", "There is a user named %1 already.")
        .arg(userName);
}

} // namespace Refusal
