#pragma once

#include <QStringList>

// A window's title is kept to this many characters.
inline constexpr int MaxWindowTitleLength = 255;

// The title cut to at most MaxWindowTitleLength characters, and only between two: never between
// the halves of a character outside the basic plane, nor between a character and the marks or
// joiners that belong to it (an emoji with its skin tone, a flag).
QString cutWindowTitle(const QString& title);

// The titles of the application windows open on this user's desktop: the windows a taskbar
// would show, never this instance's own main window.
class WindowLister {
public:
    virtual ~WindowLister() = default;
    // ownWindow is the native id of this instance's main window (0 when it has none).
    virtual QStringList windowTitles(quintptr ownWindow) = 0;
};

// A window list set by hand, for tests, benchmarks and desktops without a window system.
class FixedWindowLister final : public WindowLister {
public:
    FixedWindowLister() = default;
    explicit FixedWindowLister(QStringList titles)
        : m_titles(std::move(titles)) {}
    QStringList windowTitles(quintptr) override { return m_titles; }
    void setTitles(QStringList titles) { m_titles = std::move(titles); }

private:
    QStringList m_titles;
};
