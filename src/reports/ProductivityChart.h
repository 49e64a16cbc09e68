#pragma once

#include <QObject>

class frmMain;
class ProductivityPage;

// The day-by-day productivity chart on the Productivity page.
class ProductivityChart : public QObject {
    Q_OBJECT

public:
    ProductivityChart(frmMain& main, ProductivityPage& page);

    void loadProductivityChart();
    void clearProductivityChart();
    void prodScroll_Change();

private:
    frmMain& m_main;
    ProductivityPage& m_page;
};
