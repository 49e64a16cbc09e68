#pragma once

#include <QObject>

class CategoryEditorPage;
class CategoryTree;
struct Workspace;

// The category editor's billing: the rate in txtCharge recorded from a day on ("Rate from..."),
// and whether the category's time is billed. Both act at once on the category the editor
// shows, and wait until a new one is saved.
class CategoryRates : public QObject {
    Q_OBJECT

public:
    CategoryRates(Workspace& workspace, CategoryEditorPage& page, CategoryTree& categories,
                  QObject* parent = nullptr);

    void cmdRateFrom_Click();
    void chkBillable_Click(bool billable);

private:
    // The id of the saved category the editor shows, or 0.
    int shownId() const;
    // The controls follow the category shown.
    void showBilling();

    Workspace& m_work;
    CategoryEditorPage& m_page;
    CategoryTree& m_categories;
};
