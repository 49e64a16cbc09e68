#include "tracking/TaskTracker.h"

#include "app/ListHelpers.h"
#include "app/frmMain.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryTree.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/TimeRecordsGrid.h"
#include "tracking/TasksPage.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>

TaskTracker::TaskTracker(frmMain& main, TasksPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void TaskTracker::startTimeItem() {}
void TaskTracker::createTimeItem() {}
void TaskTracker::cmdStop_Click() {}
void TaskTracker::cmdCancelTask_Click() {}
void TaskTracker::stopTask(int) {}
task* TaskTracker::getTaskById(int) const {
    return nullptr;
}
void TaskTracker::removeTaskFromList(task*) {}
void TaskTracker::checkExistingTasks() {}
void TaskTracker::showCategory(int categoryId, category* thisCategory) {
    ProgramState& state = m_main.state();
    if (categoryId != 0 && state.allCategories) {
        thisCategory = m_main.categories().getCategoryById(*state.allCategories, categoryId);
    }
    if (thisCategory == nullptr) {
        return;
    }
    m_page.cmdStartNow->setEnabled(true);
    m_main.buttonVisible(0, true);
    m_main.buttonVisible(2, !thisCategory->folder.isEmpty() &&
                                QFileInfo(thisCategory->folder).isDir());
    m_main.buttonVisible(3, thisCategory->ownerUserId > 0);
    m_page.fraNewTask->setTitle(QStringLiteral("Start working on ") + thisCategory->categoryName);
    m_page.fraEntry->setTitle(QStringLiteral("Create entry for ") + thisCategory->categoryName);
    m_main.categoryEditor().showCategoryProperties(thisCategory);
    m_main.timeRecords().viewCategoryTimes();

    // The category's own entry; its indented name where the list does not carry ids.
    QComboBox* chartCategories = m_main.productivityPage->cboCategoryProductivity;
    if (const int entry = chartCategories->findData(thisCategory->categoryId); entry >= 0) {
        chartCategories->setCurrentIndex(entry);
    } else {
        setListValue(chartCategories, CategoryTree::listEntry(*thisCategory));
    }
    if (m_main.tabs->currentIndex() == frmMain::ProductivityTab) {
        m_main.productivityChart().loadProductivityChart();
    }
}
void TaskTracker::txtDuration_Change() {}
void TaskTracker::UpDown1_Change() {}
