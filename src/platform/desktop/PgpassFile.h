#pragma once

#include "platform/PasswordStore.h"

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
