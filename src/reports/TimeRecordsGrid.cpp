#include "reports/TimeRecordsGrid.h"

#include "data/NameText.h"
#include "data/Numbers.h"
#include "data/TimeCorrection.h"
#include "platform/Messages.h"
#include "reports/ReportsPage.h"
#include "reports/TimeRecordsModel.h"
#include "session/Shell.h"
#include "session/Workspace.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

TimeRecordsGrid::TimeRecordsGrid(Workspace& workspace, ReportsPage& page, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_model(new TimeRecordsModel(this)) {
    page.grid->setModel(m_model);
    connect(page.grid, &QTableView::clicked, this, m_work.guarded([this] { grid_Click(); }));
    connect(page.cmdDeleteTime, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdDeleteTime_Click(); }));
    connect(page.cmdEditTime, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdEditTime_Click(); }));
    connect(page.grid, &QTableView::doubleClicked, this,
            m_work.guarded([this] { cmdEditTime_Click(); }));
    page.grid->viewport()->installEventFilter(this);
}

void TimeRecordsGrid::viewCategoryTimes() {
    ProgramState& state = m_work.state;
    const category* shown = state.selectedCategory;
    if (shown == nullptr || shown->categoryId == 0 || !state.database) {
        return;
    }
    // The rows are read only for the page in view: a category chosen or time recorded while
    // another page shows costs nothing here, and choosing the Reports page fills the grid then.
    if (m_work.shell.currentTab() != Shell::ReportsTab) {
        return;
    }
    QTableView* grid = m_page.grid;
    TimeRecordRows rows = TimeRecordRows::read(m_work.database(), shown->categoryId);
    if (rows.isEmpty()) {
        // What the grid held stays in it, out of sight; the label under it shows.
        grid->hide();
        return;
    }
    grid->show();
    m_work.shell.setHeading(tr("Data Reports for %1").arg(NameText::isolated(shown->categoryName)));
    m_work.shell.setDetails(tr("This data shows the actual records for this category"));
    grid->setUpdatesEnabled(false);
    m_model->setRows(std::move(rows));
    applyColumnWidths();
    grid->setUpdatesEnabled(true);
}

void TimeRecordsGrid::showChangedRow(int timeId) {
    const category* shown = m_work.state.selectedCategory;
    const bool holdsShown = shown != nullptr && !m_page.grid->isHidden() &&
                            m_model->rows().categoryId() == shown->categoryId &&
                            m_work.shell.currentTab() == Shell::ReportsTab;
    if (!holdsShown) {
        viewCategoryTimes();
        return;
    }
    m_model->refreshRow(m_work.database(), timeId);
    if (m_model->rowCount() == 0) {
        // The last row went: the label under the grid says there is nothing to show.
        m_page.grid->hide();
    }
}

void TimeRecordsGrid::followChangedTime() {
    if (m_work.shell.currentTab() != Shell::ReportsTab) {
        return;
    }
    QTableView* grid = m_page.grid;
    const int currentId = currentTimeId();
    const int currentColumn = grid->currentIndex().column();
    const int scrolled = grid->verticalScrollBar()->value();
    viewCategoryTimes();
    grid->verticalScrollBar()->setValue(scrolled);
    const int row = currentId > 0 ? m_model->rowOf(currentId) : -1;
    if (row < 0) {
        // The row the buttons were for is gone.
        m_page.cmdEditTime->setVisible(false);
        m_page.cmdDeleteTime->setVisible(false);
        return;
    }
    grid->selectionModel()->setCurrentIndex(m_model->index(row, std::max(0, currentColumn)),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
}

void TimeRecordsGrid::applyColumnWidths() {
    QTableView* grid = m_page.grid;
    // The width the grid has for its columns: inside its frame and beside its vertical scroll
    // bar. Columns 1 to 4 take a share each and the time id the half share that is left, so
    // every column is in view and nothing scrolls sideways.
    const int room = grid->viewport()->width();
    const double share = room / (int(TimeRecordsModel::ColumnCount) - 0.5);
    const int width = int(Numbers::roundHalfEven(share).value_or(0));
    QHeaderView* header = grid->horizontalHeader();
    for (int column = TimeRecordsModel::StartColumn; column < TimeRecordsModel::ColumnCount;
         ++column) {
        header->resizeSection(column, width);
    }
    header->resizeSection(TimeRecordsModel::TimeIdColumn,
                          std::max(0, room - width * (int(TimeRecordsModel::ColumnCount) - 1)));
}

bool TimeRecordsGrid::eventFilter(QObject* watched, QEvent* event) {
    // The columns keep their share of the grid as the window is resized, and as the vertical
    // scroll bar comes and goes.
    if (watched == m_page.grid->viewport() && event->type() == QEvent::Resize) {
        applyColumnWidths();
    }
    return QObject::eventFilter(watched, event);
}

void TimeRecordsGrid::grid_Click() {
    m_page.cmdEditTime->setVisible(true);
    m_page.cmdDeleteTime->setVisible(true);
}

int TimeRecordsGrid::currentTimeId() const {
    const QModelIndex current = m_page.grid->currentIndex();
    if (m_page.grid->model() != m_model || !current.isValid()) {
        return 0;
    }
    return m_model->timeId(current.row());
}

void TimeRecordsGrid::cmdEditTime_Click() {
    if (const int timeId = currentTimeId(); timeId > 0) {
        emit editRequested(timeId);
    }
}

void TimeRecordsGrid::cmdDeleteTime_Click() {
    QTableView* grid = m_page.grid;
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid() || m_model->data(current).toString().isEmpty()) {
        return;
    }
    if (!m_work.messages.ask(tr("Are you sure you want to delete this time entry?"),
                             tr("Confirm Delete"), Messages::Icon::Question)) {
        return;
    }
    // The id is in the first column of the chosen row, whichever cell was clicked.
    const QModelIndex idCell = current.siblingAtColumn(TimeRecordsModel::TimeIdColumn);
    grid->setCurrentIndex(idCell);
    const int timeId = m_model->timeId(idCell.row());
    const user* me = m_work.state.currentUser;
    TimeCorrection(m_work.database(), m_work.clock).remove(timeId, me != nullptr ? me->userId : 0);
    showChangedRow(timeId);
    m_page.cmdEditTime->setVisible(false);
    m_page.cmdDeleteTime->setVisible(false);
}
