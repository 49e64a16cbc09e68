#pragma once

#include <QString>
#include <optional>

// The keys that tie a record to its place in a collection and to its nodes in the trees: a
// prefix and the record's id ("id_12", "tid_40", "uid_3", "nid_7", ...). A clicked node leads
// back to its record through them.
namespace NodeKeys {

inline const QString Category = QStringLiteral("id_");
inline const QString Task = QStringLiteral("tid_");
inline const QString User = QStringLiteral("uid_");
inline const QString Notification = QStringLiteral("nid_");
inline const QString ProcessGroup = QStringLiteral("processes_");
inline const QString Window = QStringLiteral("pid_");

inline QString key(const QString& prefix, int id) {
    return prefix + QString::number(id);
}

// The id in a key of that prefix; nothing for a key of another kind or without a number.
inline std::optional<int> idOf(const QString& prefix, const QString& key) {
    if (!key.startsWith(prefix)) {
        return std::nullopt;
    }
    bool ok = false;
    const int id = key.mid(prefix.size()).toInt(&ok);
    return ok ? std::optional<int>(id) : std::nullopt;
}

} // namespace NodeKeys
