#include "reports/TimeRecordsGrid.h"

#include "app/frmMain.h"

TimeRecordsGrid::TimeRecordsGrid(frmMain& main, ReportsPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void TimeRecordsGrid::viewCategoryTimes() {}
void TimeRecordsGrid::grid_Click() {}
void TimeRecordsGrid::cmdDeleteTime_Click() {}
