#pragma once

#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class TimesheetModel;

// The timesheet on paper, or in a PDF file: a heading, the lines as the page shows them (the
// category tree indented) and the totals.
namespace TimesheetPrint {

// The document as HTML, for QTextDocument. The heading's first line is its title; each line
// after it says what the timesheet covers.
QString html(const TimesheetModel& model, const QStringList& heading, const QString& totals);
// Lays the document out on the pages of a printer or a PDF writer and prints it.
void print(const TimesheetModel& model, const QStringList& heading, const QString& totals,
           QPagedPaintDevice& device);

} // namespace TimesheetPrint
