#pragma once

#include <QColor>
#include <QFont>

// The program's colours and its font, each defined once.
namespace Look {

// The minimum and maximum allocations: their progress bars, colour keys and chart lines.
inline const QColor MinimumColour{128, 128, 255}; // light blue
inline const QColor MaximumColour{255, 128, 128}; // light red
// A user at work in the user tree, and an unread notification.
inline const QColor ActiveColour{128, 255, 128};
// The current user in the user tree.
inline const QColor CurrentColour{255, 128, 255};
// A task that was running when the program last ended.
inline const QColor RecoveredColour{255, 0, 0};
// Behind the percentage of a progress bar, in every theme: the fill colours and the black text
// on them stay readable on it.
inline const QColor TrackColour{255, 255, 255};
// The productivity chart's day bars and month lines.
inline const QColor BarColour{0, 0, 64};
inline const QColor MonthLineColour{150, 150, 150};

// Text on a fixed background colour, whatever the theme: black on light colours, white on dark.
QColor textOn(const QColor& background);

// Verdana, or the closest sans font installed; the platform's size when points is 0.
QFont verdana(qreal points = 0, bool bold = false);

} // namespace Look
