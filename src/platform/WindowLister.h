#pragma once

#include <QList>
#include <QStringList>

// A window's title is kept to this many characters.
inline constexpr int MaxWindowTitleLength = 255;

// The title cut to at most MaxWindowTitleLength characters, and only between two: never between
// the halves of a character outside the basic plane, nor between a character and the marks or
// joiners that belong to it (an emoji with its skin tone, a flag).
QString cutWindowTitle(const QString& title);

// One application window on the desktop: its title, and the name of the program it belongs to
// (on X11 the class of WM_CLASS, "Firefox"; empty when the window names none).
struct DesktopWindow {
    QString title;
    QString application;
    bool operator==(const DesktopWindow&) const = default;
};

// The application windows open on this user's desktop: the windows a taskbar would show, never
// this instance's own main window.
class WindowLister {
public:
    virtual ~WindowLister() = default;
    // ownWindow is the native id of this instance's main window (0 when it has none).
    virtual QList<DesktopWindow> windows(quintptr ownWindow) = 0;
    // The titles of those windows, in the same order.
    QStringList windowTitles(quintptr ownWindow);
};

// A desktop without a window system to ask: no windows.
class NoWindowLister final : public WindowLister {
public:
    QList<DesktopWindow> windows(quintptr) override { return {}; }
};
