#pragma once

#include "platform/WindowLister.h"

// A window list set by hand.
class FixedWindowLister final : public WindowLister {
public:
    FixedWindowLister() = default;
    // Windows of these titles, of no named application.
    explicit FixedWindowLister(const QStringList& titles) { setTitles(titles); }
    QList<DesktopWindow> windows(quintptr) override { return m_windows; }
    void setTitles(const QStringList& titles);
    void setWindows(QList<DesktopWindow> windows) { m_windows = std::move(windows); }

private:
    QList<DesktopWindow> m_windows;
};
