#pragma once

#include "FakeIdleSource.h"
#include "FixedClock.h"
#include "FixedWindowLister.h"
#include "MemoryPasswordStore.h"
#include "RecordingFolderOpener.h"
#include "ScriptedMessages.h"
#include "platform/Settings.h"

#include <QTemporaryDir>
#include <QtMessageHandler>
#include <memory>

class frmMain;

// Lets the window finish what it queued (layouts, paints) before the clock stops.
void settle();

// Everything a window needs, made once: the copy of the reference database it works on, and
// the services with a clock fixed a quarter of an hour after the reference moment. The window
// works as the benchmark user unless another name is given.
struct Bench {
    explicit Bench(const QString& workingCopy, const QString& userName = {});

    // A main window, loaded, with its timers stopped: the benchmark drives them itself.
    std::unique_ptr<frmMain> open();

    QTemporaryDir folder;
    FixedClock clock;
    ScriptedMessages messages;
    Settings settings;
    FixedWindowLister windows;
    RecordingFolderOpener folders;
    FakeIdleSource idle;
    MemoryPasswordStore passwords;
};

// A file is copied (the figures write: ticks, start-ups), so the reference stays as generate
// made it. A server database is worked on as it is: what the figures write there is what the
// program writes in use (activity, window titles, the notices of the check at start).
QString workingLocation(const QString& reference, const QTemporaryDir& folder);

// The offscreen platform warns about every window it cannot size; that is noise in a table.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text);
