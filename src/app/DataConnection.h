#pragma once

#include "platform/Messages.h"

#include <QString>
#include <functional>
#include <optional>

class ErrorGuard;
class QLineEdit;
struct MainWindowServices;
struct ProgramState;

// The main window's database: opening it at start (or making it, or asking for one), moving a
// password out of the settings, and a database chosen on the Settings page for the next start.
class DataConnection {
public:
    DataConnection(const MainWindowServices& services, ProgramState& state, ErrorGuard& guard);

    // Opens the database of the settings, or of --database, once; path shows where it is. False
    // when there is none to use: the user has been told.
    bool open(QLineEdit& path);
    // The "..." beside path: a database chosen, or a new one made, for the next start.
    void browse(QLineEdit& path);
    // A location typed into path, checked and kept for the next start.
    void typed(QLineEdit& path);
    // Told true when a statement starts waiting for a lock, false when the wait is over (the
    // busy cursor shows meanwhile either way).
    void setWaitShown(std::function<void(bool)> shown) { m_waitShown = std::move(shown); }
    // The first category a newcomer named in the welcome window, once; empty otherwise.
    QString takeNewcomerCategory();

private:
    enum class NewDatabase { Make, Refuse };
    // What follows a database that cannot be used: the program ends, or the question comes
    // again.
    enum class Refused { Close, AskAgain };
    // The welcome window until its answer gives a database, which is then open and stored;
    // nothing when the newcomer closed it.
    std::optional<Messages::FirstStart> welcome();
    // What is wrong with an answer of the welcome window, nothing when it can be tried.
    QString problemWith(const Messages::FirstStart& given) const;
    // The newcomer becomes a user (or is the user of that name) and the current one; their
    // first category is made when the database has none.
    void settle(const Messages::FirstStart& newcomer);
    // The database file to use when the stored one is not there: asked of the user.
    std::optional<QString> askForDatabase(QLineEdit& path);
    // Opens location, or makes a new database there; says why not to the user.
    bool connectTo(const QString& location, Refused refused);
    // What the program needs of an open database: the records' context, the error guard's
    // link to it, the busy cursor and a warning about a network file system.
    void prepare(const QString& location);
    // A password an earlier version left in the settings goes into the password store.
    void movePasswordOutOfSettings();
    // Checks a new database location and stores it for the next start; makes a new database
    // there only when the user asked for one. Says what is wrong otherwise.
    void use(QLineEdit& path, const QString& location, NewDatabase newDatabase);
    // What is wrong with using location, nothing when it can be used.
    QString problemWith(const QString& location, NewDatabase newDatabase) const;

    const MainWindowServices& m_services;
    ProgramState& m_state;
    ErrorGuard& m_guard;
    std::function<void(bool)> m_waitShown;
    QString m_newcomerCategory;
};
