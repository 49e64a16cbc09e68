#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

// Page 3 of the main window's tabs: the finished time rows of the selected category. The grid
// lies over Label18, so hiding the grid shows "No Data Available" in its place.
class ReportsPage : public QWidget {
    Q_OBJECT

public:
    explicit ReportsPage(QWidget* parent = nullptr);

    QLabel* Label18;
    QTableView* grid;           // one fixed header row; the reports code gives it its model
    QPushButton* cmdEditTime;   // hidden until a row of the grid is clicked
    QPushButton* cmdDeleteTime; // hidden until a row of the grid is clicked
};
