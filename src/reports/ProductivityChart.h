#pragma once

#include "reports/ProductivityData.h"

#include <QObject>

class category;
class CategoryTree;
class UserList;
struct Workspace;
class ProductivityPage;

// The day-by-day productivity chart on the Productivity page.
class ProductivityChart : public QObject {
    Q_OBJECT

public:
    static constexpr const char* HintText = QT_TR_NOOP("Select a category with time data");

    // categories selects the category chosen in the list; users looks up the chosen user.
    ProductivityChart(Workspace& workspace, ProductivityPage& page, CategoryTree& categories,
                      UserList& users, QObject* parent = nullptr);

    // Reads the two lists and the database and draws the chart, or the hint when no time row
    // matches.
    void loadProductivityChart();
    void clearProductivityChart();
    // The scroll bar moved: the drawing's left edge follows it.
    void prodScroll_Change();
    // A list's choice changed, or an entry was chosen again.
    void cboUserProductivity_Change();
    void cboCategoryProductivity_Change();
    // A category is shown elsewhere: the category list names it, and the chart is drawn for it
    // when the page is showing.
    void showCategory(const category& thisCategory);

    // What the last draw read; empty after a clear.
    const ProductivityData& data() const { return m_data; }

private:
    bool pageShowing() const;
    // What the caption says of rows left out because their start cannot be read.
    static QString unreadableText(qint64 rows);
    // The category of the chosen entry of the category list: by the id the entry carries, so
    // that two categories of one name stay apart; by its name where it carries none.
    category* chosenCategory() const;
    // Gives the drawing its size and place for the viewport as it is now, and the scroll bar its
    // range.
    void placeDrawing();
    void viewportResized();

    Workspace& m_work;
    CategoryTree& m_categories;
    UserList& m_users;
    ProductivityPage& m_page;
    ProductivityData m_data;
    enum class Shown { Nothing, Chart, Hint } m_shown = Shown::Nothing;
    // The list's entry changed since the events were last handled.
    bool m_userListChanged = false;
    bool m_categoryListChanged = false;
};
