#pragma once

#include "app/cli/CommandLine.h"

class Clock;
class PasswordStore;
class QTextStream;
class Settings;
struct ImportedTime;

// quillhour --import FORMAT FILE: another tracker's time added as a person's own, in one
// transaction. Prints each refused row as "line N: reason", then one line of counts.
//
// Exit codes: 0 done (refused rows are said, the others stored); 1 the database refused, and
// nothing was stored; 2 a bad argument, a file that cannot be read or is not of the format.
class ImportCommand {
public:
    ImportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                  QTextStream& out, QTextStream& err);

    int run(const CommandLine::Import& asked, const QString& database);

private:
    // The time in the file, or nothing (having said why).
    std::optional<ImportedTime> read(const CommandLine::Import& asked);
    int refuse(const QString& message, int status = 2);

    Settings& m_settings;
    PasswordStore& m_passwords;
    const Clock& m_clock;
    QTextStream& m_out;
    QTextStream& m_err;
};
