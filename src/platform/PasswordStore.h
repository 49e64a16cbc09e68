#pragma once

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
