#pragma once

#include "reports/TimeReport.h"

#include <QAbstractItemModel>
#include <QLocale>
#include <vector>

// The lines of the Timesheet page: per category (a tree, each category with its sub-categories'
// time rolled up into it), per user, per day or per week; each with its time as HH:MM and as
// decimal hours, the hourly rate (categories) and the amount in the team's currency (the
// locale's when the team has none).
class TimesheetModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Column { NameColumn = 0, TimeColumn, HoursColumn, RateColumn, AmountColumn, ColumnCount };

    explicit TimesheetModel(QObject* parent = nullptr);

    // Shows these lines in place of the earlier ones. Category lines come in tree order with
    // their depth, as TimeReport gives them.
    void setLines(std::vector<ReportLine> lines, ReportGrouping grouping);
    void setLocale(const QLocale& locale);
    // Amounts in the team's currency (an ISO 4217 code); empty: the locale's.
    void setCurrency(const QString& code);

    ReportGrouping grouping() const { return m_grouping; }
    const std::vector<ReportLine>& lines() const { return m_lines; }
    // Everything the lines hold, each row once.
    const ReportTotals& totals() const { return m_totals; }

    // The texts the page shows: "HH:MM" (hours past 24 as they are), hours with two decimals
    // and amounts in the locale's currency with two.
    QString timeText(qint64 minutes) const;
    QString hoursText(qint64 minutes) const;
    QString moneyText(qint64 cents) const;
    // The text of a cell of a line, as the view shows it.
    QString cellText(const ReportLine& line, int column) const;
    QString headerText(int column) const;

    // The line at an index.
    const ReportLine& line(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<ReportLine> m_lines;
    // The tree over the lines: each line's parent (-1 at the top) and children, by position.
    std::vector<int> m_parent;
    std::vector<std::vector<int>> m_children;
    std::vector<int> m_top;
    ReportGrouping m_grouping = ReportGrouping::Category;
    ReportTotals m_totals;
    QLocale m_locale;
    QString m_currency;
};
