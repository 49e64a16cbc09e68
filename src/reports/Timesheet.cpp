#include "reports/Timesheet.h"

#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/OutputFile.h"
#include "reports/TimesheetImport.h"
#include "reports/TimesheetModel.h"
#include "reports/TimesheetPage.h"
#include "reports/TimesheetPrint.h"
#include "reports/TimesheetRange.h"
#include "session/Shell.h"
#include "session/Workspace.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeView>
#include <stdexcept>

namespace {

TimesheetRange::Period periodOf(int entry) {
    switch (entry) {
    case TimesheetPage::LastWeek:
        return TimesheetRange::Period::LastWeek;
    case TimesheetPage::ThisMonth:
        return TimesheetRange::Period::ThisMonth;
    case TimesheetPage::LastMonth:
        return TimesheetRange::Period::LastMonth;
    case TimesheetPage::ThisYear:
        return TimesheetRange::Period::ThisYear;
    case TimesheetPage::FromTo:
        return TimesheetRange::Period::Custom;
    default:
        return TimesheetRange::Period::ThisWeek;
    }
}

struct ListEntry {
    int id;
    QString text;
    QString fullName; // a category's path, shown as its tool-tip and in the printed heading
};

// Fills a list with "- All -" and the entries, each carrying its id, keeping the chosen id.
void fill(QComboBox* list, const std::vector<ListEntry>& entries) {
    const QSignalBlocker quiet(list);
    const int chosen = list->currentData().toInt();
    list->clear();
    list->addItem(Timesheet::tr("- All -"), 0);
    for (const ListEntry& entry : entries) {
        list->addItem(entry.text, entry.id);
        list->setItemData(list->count() - 1, entry.fullName, Qt::ToolTipRole);
    }
    const int at = list->findData(chosen);
    list->setCurrentIndex(at > 0 ? at : 0);
}

} // namespace

Timesheet::Timesheet(Workspace& workspace, TimesheetPage& page, ChoosePrinter choosePrinter,
                     QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_choosePrinter(std::move(choosePrinter))
    , m_model(new TimesheetModel(this)) {
    m_page.timesheetGrid->setModel(m_model);
    const QDate today = m_work.clock.now().date();
    const TimesheetRange week =
        TimesheetRange::of(TimesheetRange::Period::ThisWeek, today, QLocale().firstDayOfWeek());
    m_from = week.from;
    m_to = week.to;
    showDays();

    auto show = m_work.guarded([this] { showTimesheet(); });
    connect(page.cboTimesheetRange, &QComboBox::currentIndexChanged, this,
            m_work.guarded([this] { cboTimesheetRange_Change(); }));
    connect(page.cmdTimesheetFrom, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdTimesheetFrom_Click(); }));
    connect(page.cmdTimesheetTo, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdTimesheetTo_Click(); }));
    connect(page.cboTimesheetUser, &QComboBox::currentIndexChanged, this, show);
    connect(page.cboTimesheetCategory, &QComboBox::currentIndexChanged, this, show);
    connect(page.cboTimesheetGroup, &QComboBox::currentIndexChanged, this, show);
    connect(page.chkTimesheetRunning, &QCheckBox::toggled, this, show);
    connect(page.actTimesheetCsv, &QAction::triggered, this,
            m_work.guarded([this] { exportTimesheet(TimesheetExport::Format::Csv); }));
    connect(page.actTimesheetICalendar, &QAction::triggered, this,
            m_work.guarded([this] { exportTimesheet(TimesheetExport::Format::ICalendar); }));
    connect(page.actTimesheetJson, &QAction::triggered, this,
            m_work.guarded([this] { exportTimesheet(TimesheetExport::Format::Json); }));
    connect(page.actTimesheetPdf, &QAction::triggered, this,
            m_work.guarded([this] { exportPdf(); }));
    connect(page.actTimesheetPrint, &QAction::triggered, this,
            m_work.guarded([this] { printTimesheet(); }));
    new TimesheetImport(workspace, page, *this, this);
}

void Timesheet::loadTimesheet() {
    const TimeReport report(m_work.database());
    std::vector<ListEntry> categories;
    for (const TimeReport::CategoryInfo* info : report.categoriesInOrder()) {
        categories.push_back(
            {info->id, QString(4 * info->depth, QLatin1Char(' ')) + info->name, info->path});
    }
    std::vector<ListEntry> users;
    for (const auto& [id, name] : report.usersByName()) {
        users.push_back({id, name, name});
    }
    fill(m_page.cboTimesheetUser, users);
    fill(m_page.cboTimesheetCategory, categories);
    // "This week" and the others follow the calendar: the day may have changed since.
    if (m_page.cboTimesheetRange->currentIndex() != TimesheetPage::FromTo) {
        showDays();
    }
    m_work.shell.setHeading(tr("Timesheet"));
    m_work.shell.setDetails(tr("Hours and amounts per category, user, day or week"));
    showTimesheet();
}

void Timesheet::showDays() {
    const int entry = m_page.cboTimesheetRange->currentIndex();
    const bool chosenDays = entry == TimesheetPage::FromTo;
    if (!chosenDays) {
        const TimesheetRange range = TimesheetRange::of(periodOf(entry), m_work.clock.now().date(),
                                                        QLocale().firstDayOfWeek());
        m_page.cmdTimesheetFrom->setText(TimeText::format(range.from, TimeText::DD_MMM_YYYY));
        m_page.cmdTimesheetTo->setText(TimeText::format(range.to, TimeText::DD_MMM_YYYY));
    } else {
        m_page.cmdTimesheetFrom->setText(TimeText::format(m_from, TimeText::DD_MMM_YYYY));
        m_page.cmdTimesheetTo->setText(TimeText::format(m_to, TimeText::DD_MMM_YYYY));
    }
    m_page.cmdTimesheetFrom->setEnabled(chosenDays);
    m_page.cmdTimesheetTo->setEnabled(chosenDays);
}

ReportGrouping Timesheet::grouping() const {
    switch (m_page.cboTimesheetGroup->currentIndex()) {
    case TimesheetPage::ByUser:
        return ReportGrouping::User;
    case TimesheetPage::ByDay:
        return ReportGrouping::Day;
    case TimesheetPage::ByWeek:
        return ReportGrouping::Week;
    default:
        return ReportGrouping::Category;
    }
}

ReportFilter Timesheet::filter() const {
    ReportFilter filter;
    const int entry = m_page.cboTimesheetRange->currentIndex();
    if (entry == TimesheetPage::FromTo) {
        filter.from = m_from;
        filter.to = m_to;
    } else {
        const TimesheetRange range = TimesheetRange::of(periodOf(entry), m_work.clock.now().date(),
                                                        QLocale().firstDayOfWeek());
        filter.from = range.from;
        filter.to = range.to;
    }
    filter.userId = m_page.cboTimesheetUser->currentData().toInt();
    filter.categoryId = m_page.cboTimesheetCategory->currentData().toInt();
    filter.includeRunning = m_page.chkTimesheetRunning->isChecked();
    filter.now = m_work.clock.now();
    return filter;
}

QString Timesheet::totalText() const {
    const ReportTotals& totals = m_model->totals();
    const QString total =
        tr("Total: %1 (%2 hours), %3")
            .arg(m_model->timeText(totals.minutes), m_model->hoursText(totals.minutes),
                 m_model->moneyText(totals.amountCents));
    if (totals.billableMinutes == totals.minutes) {
        return total;
    }
    return total + QLatin1Char(' ') +
           tr("(billable %1 hours, not billable %2 hours)")
               .arg(m_model->hoursText(totals.billableMinutes),
                    m_model->hoursText(totals.minutes - totals.billableMinutes));
}

void Timesheet::showTimesheet() {
    const TimeReport report(m_work.database());
    const ReportGrouping shown = grouping();
    m_model->setCurrency(report.currency());
    m_model->setLines(report.lines(filter(), shown, QLocale().firstDayOfWeek()), shown);
    m_page.timesheetGrid->expandAll();
    m_page.timesheetGrid->header()->setSectionResizeMode(TimesheetModel::NameColumn,
                                                         QHeaderView::Stretch);
    for (int column = TimesheetModel::TimeColumn; column < TimesheetModel::ColumnCount; ++column) {
        m_page.timesheetGrid->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    m_page.lblTimesheetTotal->setText(totalText());
}

void Timesheet::followChangedTime() {
    if (m_work.shell.currentTab() != Shell::TimesheetTab) {
        return;
    }
    QScrollBar* scroll = m_page.timesheetGrid->verticalScrollBar();
    const int scrolled = scroll->value();
    showTimesheet();
    scroll->setValue(scrolled);
}

void Timesheet::cboTimesheetRange_Change() {
    showDays();
    showTimesheet();
}

void Timesheet::cmdTimesheetFrom_Click() {
    if (const std::optional<QDate> day = m_work.messages.pickDate(m_from)) {
        m_from = *day;
        if (m_to < m_from) {
            m_to = m_from;
        }
        showDays();
        showTimesheet();
    }
}

void Timesheet::cmdTimesheetTo_Click() {
    if (const std::optional<QDate> day = m_work.messages.pickDate(m_to)) {
        m_to = *day;
        if (m_from > m_to) {
            m_from = m_to;
        }
        showDays();
        showTimesheet();
    }
}

QString Timesheet::suggestedFile(const QString& suffix) const {
    const ReportFilter chosen = filter();
    return QDir::home().filePath(
        QStringLiteral("timesheet-%1-%2.%3")
            .arg(chosen.from.toString(Qt::ISODate), chosen.to.toString(Qt::ISODate), suffix));
}

QStringList Timesheet::heading() const {
    const ReportFilter chosen = filter();
    const QString user = chosen.userId == 0
                             ? tr("everyone")
                             : m_page.cboTimesheetUser->currentData(Qt::ToolTipRole).toString();
    const QString category =
        chosen.categoryId == 0
            ? tr("all")
            : m_page.cboTimesheetCategory->currentData(Qt::ToolTipRole).toString();
    return {
        tr("Timesheet %1 to %2")
            .arg(TimeText::format(chosen.from, TimeText::DD_MMM_YYYY),
                 TimeText::format(chosen.to, TimeText::DD_MMM_YYYY)),
        tr("User: %1").arg(user), tr("Category: %1").arg(category),
        chosen.includeRunning
            ? tr("Running tasks: included, counted up to %1").arg(TimeText::defaultText(chosen.now))
            : tr("Running tasks: left out")};
}

void Timesheet::saveAs(const QString& suffix, const QString& fileFilter,
                       const std::function<void(OutputFile& file)>& write) {
    const std::optional<QString> path = m_work.messages.saveFile(suggestedFile(suffix), fileFilter);
    if (!path) {
        return;
    }
    QString why;
    const std::unique_ptr<OutputFile> file = OutputFile::open(*path, why);
    if (file) {
        try {
            write(*file);
        } catch (const std::runtime_error&) {
            // A write that failed is said below, and what was written so far goes nowhere;
            // anything else is the guard's to tell.
            if (!file->failed()) {
                throw;
            }
        }
        if (file->commit()) {
            return;
        }
        why = file->errorString();
    }
    m_work.messages.inform(
        tr("The timesheet could not be saved as %1: %2. Nothing was written there.")
            .arg(QDir::toNativeSeparators(*path), why),
        tr("Export"), Messages::Icon::Critical);
}

void Timesheet::exportTimesheet(TimesheetExport::Format format) {
    const bool calendar = format == TimesheetExport::Format::ICalendar;
    const QString suffix = format == TimesheetExport::Format::Csv    ? QStringLiteral("csv")
                           : format == TimesheetExport::Format::Json ? QStringLiteral("json")
                                                                     : QStringLiteral("ics");
    const QString kind = format == TimesheetExport::Format::Csv    ? tr("CSV files")
                         : format == TimesheetExport::Format::Json ? tr("JSON files")
                                                                   : tr("iCalendar files");
    saveAs(suffix, QStringLiteral("%1 (*.%2)").arg(kind, suffix), [&](OutputFile& file) {
        const ReportFilter chosen = filter();
        const TimeReport report(m_work.database());
        TimesheetExport writer(
            file, format,
            {chosen.from, chosen.to, calendar ? ReportGrouping::Entries : grouping(),
             TimesheetExport::identityOf(m_work.database(), m_work.database().location()),
             chosen.now, report.currency(), m_page.chkTimesheetBom->isChecked()});
        if (calendar) {
            report.entries(chosen, [&](const ReportEntry& entry) { writer.entry(entry); });
        } else {
            for (const ReportLine& line : m_model->lines()) {
                writer.line(line);
            }
        }
        writer.finish();
    });
}

void Timesheet::exportPdf() {
    saveAs(QStringLiteral("pdf"), tr("PDF files (*.pdf)"), [&](OutputFile& file) {
        const QStringList lines = heading();
        QPdfWriter writer(&file);
        writer.setTitle(lines.first());
        writer.setPageSize(QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem
                                         ? QPageSize::Letter
                                         : QPageSize::A4));
        TimesheetPrint::print(*m_model, lines, totalText(), writer);
    });
}

void Timesheet::printTimesheet() {
    QPrinter printer(QPrinter::HighResolution);
    if (m_choosePrinter && m_choosePrinter(printer)) {
        TimesheetPrint::print(*m_model, heading(), totalText(), printer);
    }
}
