#pragma once

#include "app/cli/CommandLine.h"

class Clock;
class PasswordStore;
class QTextStream;
class Settings;

// quillhour --start, --finish, --cancel and --add: through the window running with the same
// database when there is one, so that it shows the change at once, else on the database
// directly, for the user of the settings (or the server login), by the window's rules.
//
// Exit codes: 0 done, with one line saying what; 1 the database refused; 2 a bad argument, an
// unknown or ambiguous category (with the candidates), or no such running task.
class TrackCommand {
public:
    TrackCommand(Settings& settings, PasswordStore& passwords, const Clock& clock, QTextStream& out,
                 QTextStream& err);

    int run(const CommandLine& commandLine, const InstanceRelay& relay);

private:
    // The request the options make, or nothing with why in refusal.
    static std::optional<TrackingRequest> read(const CommandLine::Track& given,
                                               TrackingOutcome& refusal);
    TrackingOutcome direct(const CommandLine& commandLine, const TrackingRequest& request);
    // Prints the outcome and gives its exit code.
    int said(const TrackingOutcome& outcome);

    Settings& m_settings;
    PasswordStore& m_passwords;
    const Clock& m_clock;
    QTextStream& m_out;
    QTextStream& m_err;
};
