#pragma once

#include "platform/PasswordStore.h"

#include <QHash>

// Passwords kept in memory.
class MemoryPasswordStore final : public PasswordStore {
public:
    bool store(const Key& key, const QString& password, QString&) override {
        m_passwords.insert(text(key), password);
        return true;
    }
    std::optional<QString> find(const Key& key) override {
        const auto found = m_passwords.constFind(text(key));
        return found == m_passwords.constEnd() ? std::nullopt : std::optional<QString>(*found);
    }
    QString where() const override { return QStringLiteral("memory"); }
    int count() const { return int(m_passwords.size()); }

private:
    static QString text(const Key& key) {
        return QStringLiteral("%1@%2:%3/%4")
            .arg(key.user, key.host)
            .arg(key.port)
            .arg(key.database);
    }
    QHash<QString, QString> m_passwords;
};
