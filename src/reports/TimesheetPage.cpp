#include "reports/TimesheetPage.h"

#include "widgets/UiHelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
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
    cboTimesheetRange->addItems({tr("This week"), tr("Last week"), tr("This month"),
                                 tr("Last month"), tr("This year"), tr("From - To")});
    lblTimesheetRange =
        caption(tr("&Range:"), QStringLiteral("lblTimesheetRange"), cboTimesheetRange);
    cmdTimesheetFrom = named(new QPushButton, QStringLiteral("cmdTimesheetFrom"));
    cmdTimesheetTo = named(new QPushButton, QStringLiteral("cmdTimesheetTo"));
    lblTimesheetTo = caption(tr("to"), QStringLiteral("lblTimesheetTo"), cmdTimesheetTo);

    cboTimesheetUser = named(new QComboBox, QStringLiteral("cboTimesheetUser"));
    cboTimesheetUser->setMinimumContentsLength(14);
    cboTimesheetUser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblTimesheetUser = caption(tr("&User:"), QStringLiteral("lblTimesheetUser"), cboTimesheetUser);
    cboTimesheetCategory = named(new QComboBox, QStringLiteral("cboTimesheetCategory"));
    // Wider: its entries are indented by depth.
    cboTimesheetCategory->setMinimumContentsLength(22);
    cboTimesheetCategory->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblTimesheetCategory =
        caption(tr("&Category:"), QStringLiteral("lblTimesheetCategory"), cboTimesheetCategory);
    cboTimesheetGroup = named(new QComboBox, QStringLiteral("cboTimesheetGroup"));
    cboTimesheetGroup->addItems({tr("Category"), tr("User"), tr("Day"), tr("Week")});
    lblTimesheetGroup =
        caption(tr("&Group by:"), QStringLiteral("lblTimesheetGroup"), cboTimesheetGroup);
    chkTimesheetRunning = named(new QCheckBox(tr("Include running tasks up to now")),
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
    chkTimesheetBom = named(new QCheckBox(tr("Byte-order mark for spreadsheets")),
                            QStringLiteral("chkTimesheetBom"));
    cmdTimesheetImport =
        named(new QPushButton(tr("Import...")), QStringLiteral("cmdTimesheetImport"));
    buildExport();

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
    bottom->addWidget(chkTimesheetBom);
    bottom->addWidget(cmdTimesheetImport);
    bottom->addWidget(cmdTimesheetExport);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(timesheetGrid, 1);
    layout->addLayout(bottom);
}

// The Export button and the formats on its menu.
void TimesheetPage::buildExport() {
    cmdTimesheetExport = named(new QToolButton, QStringLiteral("cmdTimesheetExport"));
    cmdTimesheetExport->setText(tr("Export"));
    cmdTimesheetExport->setPopupMode(QToolButton::InstantPopup);
    cmdTimesheetExport->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(cmdTimesheetExport);
    actTimesheetCsv = action(menu, tr("CSV..."), QStringLiteral("actTimesheetCsv"));
    actTimesheetICalendar =
        action(menu, tr("iCalendar..."), QStringLiteral("actTimesheetICalendar"));
    actTimesheetJson = action(menu, tr("JSON..."), QStringLiteral("actTimesheetJson"));
    actTimesheetPdf = action(menu, tr("PDF..."), QStringLiteral("actTimesheetPdf"));
    actTimesheetPrint = action(menu, tr("Print..."), QStringLiteral("actTimesheetPrint"));
    cmdTimesheetExport->setMenu(menu);
    // The style draws the menu's arrow inside the button, over the centred text of a button no
    // wider than its text: room for the arrow on both sides keeps the text clear of it.
    const int arrow =
        style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, cmdTimesheetExport);
    cmdTimesheetExport->setMinimumWidth(cmdTimesheetExport->sizeHint().width() + 2 * arrow);
}
