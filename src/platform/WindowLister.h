#pragma once

#include <QStringList>

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
