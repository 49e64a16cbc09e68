#include "categories/CategoryEditor.h"

#include "app/frmMain.h"

CategoryEditor::CategoryEditor(frmMain& main, CategoryEditorPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void CategoryEditor::loadProductivityList() {}
void CategoryEditor::loadTimeAllocationList() {}
void CategoryEditor::showCategoryProperties(category*) {}
void CategoryEditor::clearCategoryAttributes() {}
bool CategoryEditor::validateCategoryTimeAllocation() {
    return false;
}
void CategoryEditor::cmdSave_Click() {}
void CategoryEditor::cmdDelete_Click() {}
void CategoryEditor::cmdBrowse_Click(int) {}
void CategoryEditor::picButtonCal_Click() {}
