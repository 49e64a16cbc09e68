#include "reports/ReportsPage.h"

#include "widgets/UiHelpers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ReportsPage::ReportsPage(QWidget* parent)
    : QWidget(parent) {
    Label18 = named(new QLabel(tr("No Data Available")), QStringLiteral("Label18"));
    Label18->setAlignment(Qt::AlignCenter);

    grid = named(new QTableView, QStringLiteral("grid"));
    grid->setAccessibleName(tr("Time records"));
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    // Every row as high as the next: a view of many thousands of rows then never measures them.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    // A click on a heading sorts by that column; until then the rows keep the query's order.
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setSortingEnabled(true);

    cmdEditTime = named(new QPushButton(tr("&Edit...")), QStringLiteral("cmdEditTime"));
    cmdDeleteTime = named(new QPushButton(tr("&Delete")), QStringLiteral("cmdDeleteTime"));
    for (QPushButton* button : {cmdEditTime, cmdDeleteTime}) {
        button->setVisible(false);
        // The grid keeps its height when the buttons appear.
        QSizePolicy keepPlace = button->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        button->setSizePolicy(keepPlace);
    }

    // One cell for both: the grid, made later, is drawn over the label.
    auto* stack = new QGridLayout;
    stack->addWidget(Label18, 0, 0);
    stack->addWidget(grid, 0, 0);
    grid->raise();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdEditTime);
    buttons->addWidget(cmdDeleteTime);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(stack, 1);
    layout->addLayout(buttons);
}
