#pragma once

#include "platform/desktop/PgpassFile.h"

// The desktop's secret store (the Secret Service of GNOME Keyring, KWallet and the like, through
// QtKeychain), and where none answers, libpq's password file. Found again in the same order.
class DesktopPasswords final : public PasswordStore {
public:
    explicit DesktopPasswords(QString pgpassPath = {});

    bool store(const Key& key, const QString& password, QString& problem) override;
    std::optional<QString> find(const Key& key) override;
    // Where the last password stored went (the secret store until one has been stored).
    QString where() const override { return m_where; }

    static QString secretStoreName();

private:
    PgpassFile m_file;
    QString m_where;
};
