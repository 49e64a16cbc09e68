#pragma once

#include <QByteArray>

class QWidget;

// Brings a top-level window to the front and gives it the focus because the user asked for it
// (they started Quillhour again): restored when minimised, raised and activated.
//
// On X11 the window manager is asked with _NET_ACTIVE_WINDOW as a direct user action, with the
// time of the start that asked (from its startup-notification id) when there is one: a request
// in the application's own name is refused by managers that prevent focus stealing, since the
// running instance has seen no input for a while. The start's startup notification is ended
// here too, as the start that asked shows no window of its own to end it.
void bringToFront(QWidget* window, const QByteArray& startupId = {});

// The window the user is waiting on: an open modal dialog (choosing a database at start-up), else
// the main window when it shows, else any other window that shows (the reminder window after the
// main window closed with tasks running). None while nothing shows.
QWidget* windowAwaitingUser(QWidget* mainWindow);

// The X server time in a startup-notification id ("..._TIME<number>"), or 0 (CurrentTime).
quint32 startupTime(const QByteArray& startupId);
