#pragma once

#include <QObject>
#include <QString>

class frmMain;

// Reminders of running tasks: the reminder window, the frequency and the per-task switch.
class Reminders : public QObject {
    Q_OBJECT

public:
    explicit Reminders(frmMain& main);

    // Shows the reminder window for a task, hiding the main window.
    void reminder(int intCategoryId, const QString& strCategory, int intTaskId);
    void chkTaskReminder_Click();
    // Captions chkPrompt after the frequency and stores it as typed.
    void txtFrequency_Change();

private:
    frmMain& m_main;
};
