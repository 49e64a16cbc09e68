#pragma once

#include "session/ErrorGuard.h"
#include "session/ProgramState.h"

#include <functional>

class Clock;
class Messages;
class Settings;
class Shell;

// What every subsystem works with: the program's state (with the open database and its data
// context, once start-up has opened them), the services, the guard that runs handlers, and the
// main window as far as the subsystems need it.
struct Workspace {
    ProgramState& state;
    Clock& clock;
    Messages& messages;
    Settings& settings;
    ErrorGuard& guard;
    Shell& shell;

    Database& database() const { return *state.database; }
    DataContext& data() const { return *state.context; }

    // Wraps a handler so that a failure in it is reported and the program goes on.
    std::function<void()> guarded(std::function<void()> work) const {
        return [&errors = guard, work = std::move(work)] { errors.run(work); };
    }
};
