#pragma once

#include "TestEnvironment.h"
#include "app/frmMain.h"
#include "platform/DesktopNotifier.h"
#include "tracking/frmTimeEntry.h"

#include <chrono>
#include <memory>
#include <optional>

// A whole main window on a test environment's database, offscreen, with the environment's
// clock, scripted messages, settings and window list. The "Database" setting names the
// environment's file unless a test sets something else before load().
class MainWindowFixture : public TestEnvironment {
public:
    explicit MainWindowFixture(const QDateTime& start = defaultStart());
    ~MainWindowFixture();

    // Makes the window and runs Form_Load; returns what Form_Load returned. With no "User"
    // setting, the last user in the table is named there first.
    bool load();
    frmMain& window() { return *m_window; }
    ProgramState& state() { return m_window->state(); }

    // A control of the window by objectName; fails the test when it is missing.
    template <typename T>
    T* control(const QString& name) {
        T* found = m_window->findChild<T*>(name);
        if (found == nullptr) {
            qFatal("The window has no %s named %s", T::staticMetaObject.className(),
                   qPrintable(name));
        }
        return found;
    }

    // Runs one tick of each timer, as the event loop would.
    void systemTick();
    void taskTick();

    // Shows the Reports page and double-clicks the first row of its grid, as a person opens a
    // time row to correct it; the dialog that opened, or nullptr.
    frmTimeEntry* openFirstTimeRow();

    QString ownFolder;
    QString databaseOverride;
    // The desktop notices the window gave.
    RecordingNotifier notifier;
    // How long a person's action waits for a lock, when a test cannot wait the busy timeout.
    std::optional<std::chrono::milliseconds> actionWait;

private:
    std::unique_ptr<frmMain> m_window;
};

// The characters a text puts on the screen in a label or tool-tip that takes it in that format:
// the text itself, or what it reads as when it is taken for markup.
QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText);
// The tool-tip a user reads on hovering over the widget, or empty text; its width goes to width.
QString hoverText(QWidget* widget, const QPoint& at, int* width = nullptr);
