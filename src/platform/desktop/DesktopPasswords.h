#pragma once

#include "platform/desktop/PgpassFile.h"

#include <chrono>

// The desktop's secret store (the Secret Service of GNOME Keyring, KWallet and the like, through
// QtKeychain), and where that cannot be used without asking the person something, or does not
// answer, libpq's password file. Found again in the same order.
class DesktopPasswords final : public PasswordStore {
public:
    // How long the secret store is given to answer one request. Nothing waits on it longer: a
    // store that hangs or shows a prompt nobody sees costs a start this much, not the password.
    static constexpr std::chrono::milliseconds Patience{2000};

    explicit DesktopPasswords(QString pgpassPath = {});

    // Kept in the secret store only when it took the password and gives the same one back.
    bool store(const Key& key, const QString& password, QString& problem) override;
    std::optional<QString> find(const Key& key) override;
    // Where the last password stored went (the secret store until one has been stored).
    QString where() const override { return m_where; }

    static QString secretStoreName();

private:
    // Whether the secret store can be asked now without it asking the person first (for a new
    // keyring, or to open a locked one); why not otherwise.
    bool secretStoreUsable(QString& why);
    // Empty when the password is in the secret store and reads back the same; else why not.
    QString storeInSecretStore(const Key& key, const QString& password);

    PgpassFile m_file;
    QString m_where;
    // Why the secret store is not asked again by this program: it left a request unanswered,
    // and it answers requests one after another, so every later one would wait as well.
    QString m_silent;
};
