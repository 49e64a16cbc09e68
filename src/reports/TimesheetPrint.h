#pragma once

#include <QString>

class QPrinter;
class TimesheetModel;

// The timesheet on paper, or in a PDF file: a heading, the lines as the page shows them (the
// category tree indented) and the totals.
namespace TimesheetPrint {

// The document as HTML, for QTextDocument.
QString html(const TimesheetModel& model, const QString& heading, const QString& totals);
// Lays the document out on the printer's pages and prints it.
void print(const TimesheetModel& model, const QString& heading, const QString& totals,
           QPrinter& printer);

} // namespace TimesheetPrint
