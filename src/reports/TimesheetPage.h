#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeView;

// The Timesheet page, after the seven pages of the main window's tabs: hours and amounts of a
// range of days per category (a tree with the sub-categories rolled up), user, day or week, and
// their export.
class TimesheetPage : public QWidget {
    Q_OBJECT

public:
    explicit TimesheetPage(QWidget* parent = nullptr);

    // Entries of cboTimesheetRange, in order; the last takes its days from the two date buttons.
    enum RangeEntry { ThisWeek, LastWeek, ThisMonth, LastMonth, ThisYear, FromTo };
    // Entries of cboTimesheetGroup, in order.
    enum GroupEntry { ByCategory, ByUser, ByDay, ByWeek };

    QLabel* lblTimesheetRange;
    QComboBox* cboTimesheetRange;
    QPushButton* cmdTimesheetFrom; // the first day, chosen with the date picker
    QLabel* lblTimesheetTo;
    QPushButton* cmdTimesheetTo;
    QLabel* lblTimesheetUser;
    QComboBox* cboTimesheetUser; // "- All -", then the users
    QLabel* lblTimesheetCategory;
    QComboBox* cboTimesheetCategory; // "- All -", then the categories as the lists show them
    QLabel* lblTimesheetGroup;
    QComboBox* cboTimesheetGroup;
    QCheckBox* chkTimesheetRunning; // running tasks counted up to now
    QTreeView* timesheetGrid;
    QLabel* lblTimesheetTotal;
    // Exports start with the UTF-8 byte-order mark, for spreadsheets that need one.
    QCheckBox* chkTimesheetBom;
    QPushButton* cmdTimesheetImport;
    QToolButton* cmdTimesheetExport;
    QAction* actTimesheetCsv;
    QAction* actTimesheetICalendar;
    QAction* actTimesheetJson;
    QAction* actTimesheetPdf;
    QAction* actTimesheetPrint;

private:
    void buildExport();
};
