#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class frmMain;
class frmReminder;

// Reminders of running tasks: the reminder window, the frequency and the per-task switch.
class Reminders : public QObject {
    Q_OBJECT

public:
    explicit Reminders(frmMain& main);
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
    frmMain& m_main;
    std::unique_ptr<frmReminder> m_window;
};
