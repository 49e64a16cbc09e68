#pragma once

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QScrollBar;
class ProductivityPicture;

// Page 4 of the main window's tabs: the day-by-day productivity chart. picProd is the drawing,
// moved left and right inside the fixed viewport picProdFrame by prodScroll.
class ProductivityPage : public QWidget {
    Q_OBJECT

public:
    explicit ProductivityPage(QWidget* parent = nullptr);

    QLabel* Label9; // "User Data:"
    QComboBox* cboUserProductivity;
    QLabel* Label10; // "Category Data:"
    QComboBox* cboCategoryProductivity;
    QLabel* minProdColourKey; // background set by the main window
    QLabel* maxProdColourKey;
    QFrame* picProdFrame;
    ProductivityPicture* picProd; // white; its width is the chart's, its height the viewport's
    QScrollBar* prodScroll;

signals:
    // The viewport changed size and picProd has taken its new height.
    void viewportResized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The width the page itself last gave picProd: while it still has it, the chart has not
    // sized it, and it follows the viewport.
    int m_autoWidth = 0;
};
