#pragma once

#include <QObject>

struct Workspace;
class ReportsPage;
class TimeRecordsModel;

// The finished time rows of the selected category on the Reports page.
class TimeRecordsGrid : public QObject {
    Q_OBJECT

public:
    TimeRecordsGrid(Workspace& workspace, ReportsPage& page, QObject* parent = nullptr);

    // Fills the grid for the selected category, or hides it (showing "No Data Available") when
    // the category has no finished rows; the root entry leaves it as it is. Only while the
    // Reports page shows: on another page nothing is read, and showing the page fills it. A
    // single changed row can be shown with model().refreshRow() instead.
    void viewCategoryTimes();
    void grid_Click();
    void cmdDeleteTime_Click();
    // "Edit..." or a double click: asks for the row under the grid's current cell to be edited.
    void cmdEditTime_Click();
    // Shows one changed, moved or deleted row: only that row is read again when the grid holds
    // the selected category's rows; otherwise the grid is filled as viewCategoryTimes() does.
    void showChangedRow(int timeId);
    // Time rows were changed by someone (here or elsewhere): while the Reports page shows, the
    // grid is filled again where it stands, its current row kept when that row is still there.
    void followChangedTime();

    TimeRecordsModel& model() { return *m_model; }

signals:
    void editRequested(int timeId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The time id of the grid's current row, or 0 when no row is current.
    int currentTimeId() const;
    // Columns 1 to 4 share the grid's width, each width ÷ 4.5.
    void applyColumnWidths();

    Workspace& m_work;
    ReportsPage& m_page;
    TimeRecordsModel* m_model;
};
