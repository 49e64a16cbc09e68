#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;
class TaskTracker;
struct Workspace;

// "Reminder": asks whether the user is still working on a running task. While it is up the
// main window is hidden; either answer brings the main window back. It is a window of its own,
// without a parent, so that it keeps the program running after the main window was closed.
class frmReminder : public QWidget {
    Q_OBJECT

public:
    // tracker finds the reminded task and stops it.
    frmReminder(Workspace& workspace, TaskTracker& tracker);

    QLabel* lblTitle;
    QLabel* lblInfo;
    QPushButton* cmdContinue;
    QPushButton* cmdStop;
    QTimer* tmrUpdate;

    // Opens the window for a task (the category id is not needed): hides the main window, fills
    // the question and comes to the front.
    void reminder(int intCategoryId, const QString& strCategory, int intTaskId);
    void tmrUpdate_Timer();
    void cmdContinue_Click();
    void cmdStop_Click();

    // "Are you still working on Design? You have committed 00:10 to this task already"
    static QString question(const QString& categoryName, const QString& committed);

    const QString& categoryName() const { return m_category; }
    int taskId() const { return m_taskId; }

protected:
    // Closed from the title bar: the user goes on working, as with "Continue".
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Shows the main window again; after the main window was closed it loads afresh.
    void bringBackMain();
    void answered();

    Workspace& m_work;
    TaskTracker& m_tracker;
    QString m_category;
    int m_taskId = 0;
    QString m_committed; // the task's time as last shown
    bool m_answering = false;
};
