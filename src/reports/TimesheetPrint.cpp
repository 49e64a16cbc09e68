#include "reports/TimesheetPrint.h"

#include "reports/TimesheetModel.h"

#include <QPagedPaintDevice>
#include <QTextDocument>

namespace TimesheetPrint {

namespace {

void addRows(const TimesheetModel& model, const QModelIndex& parent, int depth, QString& html) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex at = model.index(row, 0, parent);
        const ReportLine& line = model.line(at);
        html += QStringLiteral("<tr>");
        for (int column = 0; column < TimesheetModel::ColumnCount; ++column) {
            const QString text = model.cellText(line, column).toHtmlEscaped();
            html += column == TimesheetModel::NameColumn
                        ? QStringLiteral("<td style=\"padding-left:%1px\">%2</td>")
                              .arg(4 + depth * 16)
                              .arg(text)
                        : QStringLiteral("<td align=\"right\">%1</td>").arg(text);
        }
        html += QStringLiteral("</tr>");
        addRows(model, at, depth + 1, html);
    }
}

} // namespace

QString html(const TimesheetModel& model, const QStringList& heading, const QString& totals) {
    QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(heading.value(0).toHtmlEscaped());
    for (const QString& line : heading.mid(1)) {
        html += QStringLiteral("<p>%1</p>").arg(line.toHtmlEscaped());
    }
    html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"3\"><thead><tr>");
    for (int column = 0; column < TimesheetModel::ColumnCount; ++column) {
        html += QStringLiteral("<th align=\"%1\">%2</th>")
                    .arg(column == TimesheetModel::NameColumn ? QStringLiteral("left")
                                                              : QStringLiteral("right"),
                         model.headerText(column).toHtmlEscaped());
    }
    html += QStringLiteral("</tr></thead><tbody>");
    addRows(model, {}, 0, html);
    html += QStringLiteral("</tbody></table><p>%1</p></body></html>").arg(totals.toHtmlEscaped());
    return html;
}

void print(const TimesheetModel& model, const QStringList& heading, const QString& totals,
           QPagedPaintDevice& device) {
    QTextDocument document;
    document.setHtml(html(model, heading, totals));
    document.print(&device);
}

} // namespace TimesheetPrint
