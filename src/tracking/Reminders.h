#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class frmReminder;
class QLineEdit;
class TasksPage;
class TaskTracker;
struct Workspace;

// Reminders of running tasks: the reminder window, the frequency and the per-task switch.
class Reminders : public QObject {
    Q_OBJECT

public:
    // txtFrequency is the Settings page's frequency box; tracker stops a task the user no
    // longer works on.
    Reminders(Workspace& workspace, TasksPage& tasksPage, QLineEdit& txtFrequency,
              TaskTracker& tracker, QObject* parent = nullptr);
    ~Reminders() override;

    // Shows the reminder window for a task, hiding the main window.
    void reminder(int intCategoryId, const QString& strCategory, int intTaskId);
    void chkTaskReminder_Click();
    // Captions chkPrompt after the frequency and stores it as typed.
    void txtFrequency_Change();

    // The frequency in txtFrequency; nothing when it is not a whole number of at least 1.
    std::optional<int> frequency() const;
    // The one reminder window of the program.
    frmReminder& window() { return *m_window; }

private:
    Workspace& m_work;
    TasksPage& m_tasksPage;
    QLineEdit& m_txtFrequency;
    std::unique_ptr<frmReminder> m_window;
};
