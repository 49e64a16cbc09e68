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
    // A reminder the task timer found due: told with reminderDue, then shown as reminder does.
    void dueReminder(int intCategoryId, const QString& strCategory, int intTaskId);
    void chkTaskReminder_Click();
    // Captions chkPrompt after the frequency and stores it as typed.
    void txtFrequency_Change();
    // "Prompt every 10 minutes", with the frequency as typed.
    static QString promptCaption(const QString& frequency);

    // The frequency in txtFrequency; nothing when it is not a whole number of at least 1.
    std::optional<int> frequency() const;
    // The one reminder window of the program.
    frmReminder& window() { return *m_window; }

signals:
    // Before the reminder window shows: the task and the question it asks.
    void reminderDue(int taskId, const QString& question);

private:
    Workspace& m_work;
    TasksPage& m_tasksPage;
    QLineEdit& m_txtFrequency;
    TaskTracker& m_tracker;
    std::unique_ptr<frmReminder> m_window;
};
