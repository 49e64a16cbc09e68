#pragma once

#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QObject>
#include <QString>
#include <functional>
#include <type_traits>

class QLineEdit;

// The program's display font for headings and the progress read-outs. Verdana is not on every
// desktop; DejaVu Sans has much the same wide, open letters. pointSize <= 0 keeps the default size.

// One of the program's own images, by file name without ".svg" ("calendar", "quillhour", ...).
QIcon quillhourIcon(const QString& name);
// The resource path of that image, for code that renders it itself.
QString quillhourIconPath(const QString& name);
// Every image the resource file carries, by the names quillhourIcon takes.
QStringList quillhourIconNames();

// Labels show their text as it is: names and messages come from the database, typed by anyone,
// and one that looks like markup ("<h1>Pay Bob</h1>") must read as typed, not as a heading.
template <typename Widget>
void showPlainText(Widget* widget) {
    if constexpr (std::is_base_of_v<QLabel, Widget>) {
        widget->setTextFormat(Qt::PlainText);
    }
}

// Gives a control its established name, which tests and people find it by.
template <typename Widget>
Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    showPlainText(widget);
    return widget;
}

// A member of a control array: named "<name>_<index>", the index also kept as a property.
template <typename Widget>
Widget* indexed(Widget* widget, const QString& name, int index) {
    widget->setObjectName(QStringLiteral("%1_%2").arg(name).arg(index));
    widget->setProperty("index", index);
    showPlainText(widget);
    return widget;
}

// A unit after a number box ("minutes"): its word follows the whole number in the box, as
// word(number) gives it ("1 minute", "10 minutes"); text that is no number reads as many.
void followCount(QLabel* unit, QLineEdit* box, std::function<QString(int count)> word);

// A tool-tip that shows text as it is: a tool-tip that looks like markup is taken as markup, so
// the text is handed over as markup that reads as the text.
QString plainToolTip(const QString& text);
