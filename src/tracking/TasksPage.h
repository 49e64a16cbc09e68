#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

// Page 0 of the main window's tabs: start a task on the selected category, add a one-off time
// entry, and follow the current task ("Currently Working"). The tracking code drives the
// controls; the page only builds and lays them out.
class TasksPage : public QWidget {
    Q_OBJECT

public:
    // The frames' captions while no category is shown.
    static constexpr const char* NewTaskCaption = QT_TR_NOOP("Start New Task");
    static constexpr const char* EntryCaption = QT_TR_NOOP("New Time Entry");

    explicit TasksPage(QWidget* parent = nullptr);

    // "Start New Task"
    QGroupBox* fraNewTask;
    QCheckBox* chkPrompt;
    QPushButton* cmdStartNow;
    QPushButton* cmdStart; // shares cmdStartNow's handler; never enabled, so kept out of sight

    // "New Time Entry"
    QGroupBox* fraEntry;
    QLabel* Label17;
    QLabel* lblSetDuration;
    QLineEdit* txtDuration;
    UpDown* UpDown1;
    QLabel* lblMinutes;
    QPushButton* cmdCreateNow;
    QPushButton* cmdAddTime; // past time in the time entry dialog

    // "Currently Working", hidden until the current user has a running task
    QGroupBox* fraTime;
    QLabel* lblStartTimeCaption;
    QLabel* lblEndTimeCaption;
    QLabel* lblDurationCaption;
    QLabel* lblStartTime;
    QPushButton* cmdChangeStart; // beside the start time
    QLabel* lblEndTime;
    QLabel* lblDuration;
    QLabel* lblMinTime;
    QLabel* lblMaxTime;
    // Progress bar 0 (minimum) and 1 (maximum): the track, the filled shape whose width the
    // timer sets, and the percentage text over both.
    QFrame* picProgress_0;
    QFrame* picProgress_1;
    QFrame* shpPercent_0;
    QFrame* shpPercent_1;
    QLabel* lblPercent_0;
    QLabel* lblPercent_1;
    QLabel* lblReminderTitle;
    QLabel* lblReminder;
    QCheckBox* chkTaskReminder;
    QPushButton* cmdStop;
    QPushButton* cmdCancelTask;

    // Sets the width of bar index's shape to the fraction of its track's inner width; beyond 1
    // the track cuts it off.
    void setBarFraction(int index, double fraction);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildNewTask();
    void buildEntry();
    void buildTime();
    void buildProgress(int index, const QColor& fill);

    // The width the page itself last gave each shape: while a shape still has it, nobody else
    // has sized it, and it follows the track at half its width.
    int m_autoWidth[2] = {0, 0};
};
