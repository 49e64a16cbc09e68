#pragma once

#include "tracking/AwayRule.h"
#include "tracking/frmIdle.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <vector>

class IdleSource;
class QCheckBox;
class QLabel;
class QLineEdit;
class TaskTracker;
struct Workspace;

// The question about idle time: watches the desktop's idle time on the task timer's ticks while
// the current user's tasks run, and asks in the "Idle Time" window what to do with time nobody
// was at the computer. Keeps the "Idle Minutes" setting with the Settings page's "Idle" frame.
class IdleWatch : public QObject {
    Q_OBJECT

public:
    // chkIdle, txtIdleMinutes and lblIdleUnavailable are the Settings page's "Idle" frame;
    // tracker ends or restarts the tasks.
    IdleWatch(Workspace& workspace, IdleSource& source, TaskTracker& tracker, QCheckBox& chkIdle,
              QLineEdit& txtIdleMinutes, QLabel& lblIdleUnavailable, QObject* parent = nullptr);
    ~IdleWatch() override;

    // One tick of the task timer. Sends no statement: it reads the desktop and the tasks in
    // memory, and writes only when the user answers.
    void checkIdleTime();
    void chkIdle_Click();
    void txtIdleMinutes_Change();

    // The minutes of idle time after which the question comes; nothing when it is off.
    std::optional<int> threshold() const { return m_threshold; }
    frmIdle& window() { return *m_window; }

private:
    void answer(frmIdle::Answer given);

    Workspace& m_work;
    IdleSource& m_source;
    TaskTracker& m_tracker;
    QCheckBox& m_chkIdle;
    QLineEdit& m_txtIdleMinutes;
    std::unique_ptr<frmIdle> m_window;
    AwayRule m_rule;
    QElapsedTimer m_steady;
    std::optional<int> m_threshold;
    // What the open question is about.
    AwayRule::Away m_away;
    std::vector<int> m_taskIds;
};
