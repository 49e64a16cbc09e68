#include "reports/TimesheetModel.h"

#include "data/TimeText.h"

#include <algorithm>

TimesheetModel::TimesheetModel(QObject* parent)
    : QAbstractItemModel(parent) {}

void TimesheetModel::setLines(std::vector<ReportLine> lines, ReportGrouping grouping) {
    beginResetModel();
    m_lines = std::move(lines);
    m_grouping = grouping;
    m_totals = TimeReport::totals(m_lines);
    m_parent.assign(m_lines.size(), -1);
    m_children.assign(m_lines.size(), {});
    m_top.clear();
    // Tree order with depths: a line's parent is the nearest line before it that is less deep.
    std::vector<int> open; // the lines above the current one, outermost first
    for (int i = 0; i < int(m_lines.size()); ++i) {
        const bool tree = m_grouping == ReportGrouping::Category;
        while (!open.empty() && (!tree || m_lines[std::size_t(open.back())].depth >=
                                              m_lines[std::size_t(i)].depth)) {
            open.pop_back();
        }
        if (open.empty()) {
            m_top.push_back(i);
        } else {
            m_parent[std::size_t(i)] = open.back();
            m_children[std::size_t(open.back())].push_back(i);
        }
        open.push_back(i);
    }
    endResetModel();
}

void TimesheetModel::setLocale(const QLocale& locale) {
    beginResetModel();
    m_locale = locale;
    endResetModel();
}

QString TimesheetModel::timeText(qint64 minutes) const {
    return TimeText::minToTime(minutes);
}

QString TimesheetModel::hoursText(qint64 minutes) const {
    return m_locale.toString(double(TimeReport::amountCents(minutes, 1)) / 100, 'f', 2);
}

void TimesheetModel::setCurrency(const QString& code) {
    if (code == m_currency) {
        return;
    }
    beginResetModel();
    m_currency = code;
    endResetModel();
}

QString TimesheetModel::moneyText(qint64 cents) const {
    // The team's own currency whatever the viewer's locale: the same data shows the same money.
    return m_locale.toCurrencyString(
        double(cents) / 100, m_currency.isEmpty() ? m_locale.currencySymbol() : m_currency, 2);
}

QString TimesheetModel::headerText(int column) const {
    switch (column) {
    case NameColumn:
        switch (m_grouping) {
        case ReportGrouping::Entries:
        case ReportGrouping::Category:
            return tr("Category");
        case ReportGrouping::User:
            return tr("User");
        case ReportGrouping::Day:
            return tr("Day");
        case ReportGrouping::Week:
            return tr("Week of");
        }
        break;
    case TimeColumn:
        return tr("Time");
    case HoursColumn:
        return tr("Hours");
    case RateColumn:
        return tr("Rate per hour");
    case AmountColumn:
        return tr("Amount");
    default:
        break;
    }
    return {};
}

QString TimesheetModel::cellText(const ReportLine& line, int column) const {
    // A category shows its own time with its sub-categories' rolled up into it.
    const bool tree = m_grouping == ReportGrouping::Category;
    const qint64 minutes = tree ? line.totalMinutes : line.minutes;
    const qint64 cents = tree ? line.totalAmountCents : line.amountCents;
    switch (column) {
    case NameColumn:
        if (m_grouping == ReportGrouping::Day || m_grouping == ReportGrouping::Week) {
            return TimeText::format(line.date, TimeText::DD_MMM_YYYY);
        }
        return line.label;
    case TimeColumn:
        return timeText(minutes);
    case HoursColumn:
        return hoursText(minutes);
    case RateColumn:
        return tree ? moneyText(qint64(line.rate) * 100) : QString();
    case AmountColumn:
        return moneyText(cents);
    default:
        return {};
    }
}

const ReportLine& TimesheetModel::line(const QModelIndex& index) const {
    return m_lines.at(std::size_t(index.internalId()));
}

QModelIndex TimesheetModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0) {
        return {};
    }
    const std::vector<int>& siblings =
        parent.isValid() ? m_children.at(std::size_t(parent.internalId())) : m_top;
    if (row >= int(siblings.size())) {
        return {};
    }
    return createIndex(row, column, quintptr(siblings[std::size_t(row)]));
}

QModelIndex TimesheetModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    const int above = m_parent.at(std::size_t(child.internalId()));
    if (above < 0) {
        return {};
    }
    const int aboveParent = m_parent.at(std::size_t(above));
    const std::vector<int>& siblings =
        aboveParent < 0 ? m_top : m_children.at(std::size_t(aboveParent));
    const auto at = std::find(siblings.begin(), siblings.end(), above);
    return createIndex(int(at - siblings.begin()), 0, quintptr(above));
}

int TimesheetModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return int(m_top.size());
    }
    if (parent.column() != 0) {
        return 0;
    }
    return int(m_children.at(std::size_t(parent.internalId())).size());
}

int TimesheetModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant TimesheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return cellText(line(index), index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TimesheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return headerText(section);
    }
    if (role == Qt::TextAlignmentRole && section != NameColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}
