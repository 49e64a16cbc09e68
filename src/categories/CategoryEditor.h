#pragma once

#include <QObject>
#include <QString>

class category;
class CategoryEditorPage;
class frmMain;

// The category editor on page 1: showing, creating, validating, saving and deleting categories,
// and the look-up lists of allocation periods and productivity ratings.
class CategoryEditor : public QObject {
    Q_OBJECT

public:
    CategoryEditor(frmMain& main, CategoryEditorPage& page);

    void loadProductivityList();
    void loadTimeAllocationList();
    void showCategoryProperties(category* thisCategory);
    void clearCategoryAttributes();
    bool validateCategoryTimeAllocation();

    void cmdSave_Click();
    void cmdDelete_Click();
    // Index 0: the working folder of this editor. (Index 1, the database file, is the main
    // window's.)
    void cmdBrowse_Click(int index);
    void picButtonCal_Click();

private:
    frmMain& m_main;
    CategoryEditorPage& m_page;
};
