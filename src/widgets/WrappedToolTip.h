#pragma once

#include <QString>

class QPoint;
class QWidget;

// The whole text of a control that shows it cut short, as a tool-tip: broken into lines of a
// readable width (within a word too long for a line, too), so that no text makes the tip wider
// than the screen, and always shown as the text it is, never read as markup.
void showWrappedToolTip(const QPoint& globalPos, const QString& text, QWidget* over);
