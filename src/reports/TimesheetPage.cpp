#include "reports/TimesheetPage.h"

#include "app/UiHelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QLabel* caption(const QString& text, const QString& name, QWidget* buddy) {
    auto* label = named(new QLabel(text), name);
    label->setBuddy(buddy);
    return label;
}

QAction* action(QMenu* menu, const QString& text, const QString& name) {
    QAction* added = menu->addAction(text);
    added->setObjectName(name);
    return added;
}

} // namespace

TimesheetPage::TimesheetPage(QWidget* parent)
    : QWidget(parent) {
    cboTimesheetRange = named(new QComboBox, QStringLiteral("cboTimesheetRange"));
    cboTimesheetRange->addItems({QStringLiteral("This week"), QStringLiteral("Last week"),
                                 QStringLiteral("This month"), QStringLiteral("Last month"),
                                 QStringLiteral("This year"), QStringLiteral("From - To")});
    lblTimesheetRange =
        caption(QStringLiteral("&Range:"), QStringLiteral("lblTimesheetRange"), cboTimesheetRange);
    cmdTimesheetFrom = named(new QPushButton, QStringLiteral("cmdTimesheetFrom"));
    cmdTimesheetTo = named(new QPushButton, QStringLiteral("cmdTimesheetTo"));
    lblTimesheetTo =
        caption(QStringLiteral("to"), QStringLiteral("lblTimesheetTo"), cmdTimesheetTo);

    cboTimesheetUser = named(new QComboBox, QStringLiteral("cboTimesheetUser"));
    cboTimesheetUser->setMinimumContentsLength(14);
    cboTimesheetUser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblTimesheetUser =
        caption(QStringLiteral("&User:"), QStringLiteral("lblTimesheetUser"), cboTimesheetUser);
    cboTimesheetCategory = named(new QComboBox, QStringLiteral("cboTimesheetCategory"));
    // Wider: its entries are indented by depth.
    cboTimesheetCategory->setMinimumContentsLength(22);
    cboTimesheetCategory->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblTimesheetCategory = caption(QStringLiteral("&Category:"),
                                   QStringLiteral("lblTimesheetCategory"), cboTimesheetCategory);
    cboTimesheetGroup = named(new QComboBox, QStringLiteral("cboTimesheetGroup"));
    cboTimesheetGroup->addItems({QStringLiteral("Category"), QStringLiteral("User"),
                                 QStringLiteral("Day"), QStringLiteral("Week")});
    lblTimesheetGroup = caption(QStringLiteral("&Group by:"), QStringLiteral("lblTimesheetGroup"),
                                cboTimesheetGroup);
    chkTimesheetRunning = named(new QCheckBox(QStringLiteral("Include running tasks up to now")),
                                QStringLiteral("chkTimesheetRunning"));

    timesheetGrid = named(new QTreeView, QStringLiteral("timesheetGrid"));
    timesheetGrid->setAccessibleName(tr("Timesheet"));
    timesheetGrid->setAlternatingRowColors(true);
    timesheetGrid->setUniformRowHeights(true);
    timesheetGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    timesheetGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    timesheetGrid->header()->setStretchLastSection(false);

    lblTimesheetTotal = named(new QLabel, QStringLiteral("lblTimesheetTotal"));
    lblTimesheetTotal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdTimesheetExport = named(new QToolButton, QStringLiteral("cmdTimesheetExport"));
    cmdTimesheetExport->setText(QStringLiteral("Export"));
    cmdTimesheetExport->setPopupMode(QToolButton::InstantPopup);
    cmdTimesheetExport->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(cmdTimesheetExport);
    actTimesheetCsv = action(menu, QStringLiteral("CSV..."), QStringLiteral("actTimesheetCsv"));
    actTimesheetICalendar =
        action(menu, QStringLiteral("iCalendar..."), QStringLiteral("actTimesheetICalendar"));
    actTimesheetJson = action(menu, QStringLiteral("JSON..."), QStringLiteral("actTimesheetJson"));
    actTimesheetPdf = action(menu, QStringLiteral("PDF..."), QStringLiteral("actTimesheetPdf"));
    actTimesheetPrint =
        action(menu, QStringLiteral("Print..."), QStringLiteral("actTimesheetPrint"));
    cmdTimesheetExport->setMenu(menu);

    auto* controls = new QGridLayout;
    controls->addWidget(lblTimesheetRange, 0, 0);
    auto* range = new QHBoxLayout;
    range->addWidget(cboTimesheetRange);
    range->addWidget(cmdTimesheetFrom);
    range->addWidget(lblTimesheetTo);
    range->addWidget(cmdTimesheetTo);
    range->addStretch(1);
    controls->addLayout(range, 0, 1, 1, 3);
    controls->addWidget(lblTimesheetUser, 1, 0);
    controls->addWidget(cboTimesheetUser, 1, 1);
    controls->addWidget(lblTimesheetCategory, 1, 2);
    controls->addWidget(cboTimesheetCategory, 1, 3);
    controls->addWidget(lblTimesheetGroup, 2, 0);
    controls->addWidget(cboTimesheetGroup, 2, 1);
    controls->addWidget(chkTimesheetRunning, 2, 2, 1, 2);
    controls->setColumnStretch(3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblTimesheetTotal, 1);
    bottom->addWidget(cmdTimesheetExport);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(timesheetGrid, 1);
    layout->addLayout(bottom);
}
