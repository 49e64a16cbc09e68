#pragma once

#include <QFont>
#include <QIcon>
#include <QObject>
#include <QString>

// The program's display font for headings and the progress read-outs. Verdana is not on every
// desktop; DejaVu Sans has much the same wide, open letters. pointSize <= 0 keeps the default size.

// One of the program's own images, by file name without ".svg" ("calendar", "quillhour", ...).
QIcon quillhourIcon(const QString& name);
// The resource path of that image, for code that renders it itself.
QString quillhourIconPath(const QString& name);
// Every image the resource file carries, by the names quillhourIcon takes.
QStringList quillhourIconNames();

// Gives a control its established name, which tests and people find it by.
template <typename Widget>
Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// A member of a control array: named "<name>_<index>", the index also kept as a property.
template <typename Widget>
Widget* indexed(Widget* widget, const QString& name, int index) {
    widget->setObjectName(QStringLiteral("%1_%2").arg(name).arg(index));
    widget->setProperty("index", index);
    return widget;
}
