#include "reports/ProductivityChart.h"

#include "app/frmMain.h"

ProductivityChart::ProductivityChart(frmMain& main, ProductivityPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void ProductivityChart::loadProductivityChart() {}
void ProductivityChart::clearProductivityChart() {}
void ProductivityChart::prodScroll_Change() {}
