#pragma once

#include <QObject>

class Timesheet;
class TimesheetPage;
struct Workspace;

// "Import..." on the Timesheet page: another tracker's file (CSV, a Timewarrior export as .json,
// iCalendar as .ics, Hamster's database as .db) added as the current user's time, once they
// have seen what it would add.
class TimesheetImport : public QObject {
    Q_OBJECT

public:
    TimesheetImport(Workspace& workspace, TimesheetPage& page, Timesheet& timesheet,
                    QObject* parent = nullptr);

    void cmdTimesheetImport_Click();

private:
    Workspace& m_work;
    Timesheet& m_timesheet;
};
