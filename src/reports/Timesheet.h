#pragma once

#include "reports/TimeReport.h"
#include "reports/TimesheetExport.h"

#include <QObject>
#include <functional>

class OutputFile;
class QPrinter;
struct Workspace;
class TimesheetModel;
class TimesheetPage;

// The Timesheet page: hours and amounts of a range of days per category (the sub-categories
// rolled up), user, day or week, and their export as CSV, iCalendar, JSON, PDF or on paper.
class Timesheet : public QObject {
    Q_OBJECT

public:
    // Sets up a printer for printing (the print dialog); false when the user cancelled.
    using ChoosePrinter = std::function<bool(QPrinter& printer)>;

    Timesheet(Workspace& workspace, TimesheetPage& page, ChoosePrinter choosePrinter,
              QObject* parent = nullptr);

    // The page was chosen: the user and category lists are read afresh, then the timesheet.
    void loadTimesheet();
    // Reads the timesheet for what the controls say now.
    void showTimesheet();
    // Time rows were changed by someone (here or elsewhere): while the page shows, the timesheet
    // is read again where it stands.
    void followChangedTime();

    void cboTimesheetRange_Change();
    void cmdTimesheetFrom_Click();
    void cmdTimesheetTo_Click();
    // Writes what the page shows into a file the user names: CSV and JSON the lines of the
    // grouping, iCalendar the time rows themselves.
    void exportTimesheet(TimesheetExport::Format format);
    void exportPdf();
    void printTimesheet();

    // What the controls choose, with the page's week (the locale's first day of the week).
    ReportFilter filter() const;
    ReportGrouping grouping() const;
    TimesheetModel& model() { return *m_model; }
    // The totals line under the grid.
    QString totalText() const;
    // The heading of the printed and PDF timesheet: the range, then what it covers (the user or
    // everyone, the category or all, running tasks in or out), a line each.
    QStringList heading() const;

private:
    void showDays();
    // Writes a file the user names (the picker suggests one ending in suffix): whole, or not at
    // all with a message saying why.
    void saveAs(const QString& suffix, const QString& fileFilter,
                const std::function<void(OutputFile& file)>& write);
    QString suggestedFile(const QString& suffix) const;

    Workspace& m_work;
    TimesheetPage& m_page;
    ChoosePrinter m_choosePrinter;
    TimesheetModel* m_model;
    // The days of "From - To", kept when another range is chosen meanwhile.
    QDate m_from;
    QDate m_to;
};
