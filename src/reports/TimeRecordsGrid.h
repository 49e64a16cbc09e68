#pragma once

#include <QObject>

class frmMain;
class ReportsPage;

// The finished time rows of the selected category on the Reports page.
class TimeRecordsGrid : public QObject {
    Q_OBJECT

public:
    TimeRecordsGrid(frmMain& main, ReportsPage& page);

    void viewCategoryTimes();
    void grid_Click();
    void cmdDeleteTime_Click();

private:
    frmMain& m_main;
    ReportsPage& m_page;
};
