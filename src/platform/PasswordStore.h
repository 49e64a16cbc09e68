#pragma once

#include <QHash>
#include <QString>
#include <optional>

// Where the password of a database server is kept, so that it never stands in the settings
// file: the desktop's secret store, or libpq's password file. A password is found by the server,
// database and user it belongs to.
class PasswordStore {
public:
    struct Key {
        QString host; // empty: the local server
        int port = 5432;
        QString database;
        QString user;
        bool operator==(const Key&) const = default;
    };

    virtual ~PasswordStore() = default;

    // Keeps the password for key. False when it could not be kept, with the reason in problem
    // (which never holds the password).
    virtual bool store(const Key& key, const QString& password, QString& problem) = 0;
    // The password kept for key, if any.
    virtual std::optional<QString> find(const Key& key) = 0;
    // Where the passwords go, as a person would be told: "the desktop's secret store", a path.
    virtual QString where() const = 0;
};

// libpq's own password file: $PGPASSFILE, else ~/.pgpass, with lines of
// host:port:database:user:password (':' and '\' written with a '\' before them). The file is
// the user's alone (mode 0600): libpq ignores one that others can read.
class PgpassFile final : public PasswordStore {
public:
    // path empty: libpq's choice as above.
    explicit PgpassFile(QString path = {});

    bool store(const Key& key, const QString& password, QString& problem) override;
    std::optional<QString> find(const Key& key) override;
    QString where() const override { return m_path; }

    static QString defaultPath();

private:
    QString m_path;
};

// Passwords kept in memory, for tests.
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
