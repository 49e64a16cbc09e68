#pragma once

#include "TestEnvironment.h"

#include <QProcess>
#include <QString>

// A test environment's server database in signed-in mode, with logins made by the program's own
// code. The environment's own connection (the cluster's superuser, the tables' owner) is not held
// by the rules and sets up rows as before; each login connects over the private server's socket,
// where the test cluster trusts every login, so the tests need no passwords.
class SignedInTeam {
public:
    explicit SignedInTeam(TestEnvironment& env);

    // Whether the tests run against the private test server (whose socket the logins use).
    static bool available();

    // Makes the login and the Quillhour user of that name; returns the user's id.
    int addLogin(const QString& name);
    // Lets a login with a user administer the team; returns the user's id.
    int addAdministrator(const QString& name);
    // Makes a login of the server that is not on this database's team.
    void addOutsider(const QString& name);
    // Where the program reaches the database as that login.
    QString locationFor(const QString& login) const;

    // Runs statements in psql as the login, stopping at the first error. What psql printed and
    // how it ended.
    struct PsqlRun {
        int exitCode = -1;
        QString output;
        QString errors;
    };
    PsqlRun psql(const QString& login, const QString& statements) const;

private:
    TestEnvironment& m_env;
};
