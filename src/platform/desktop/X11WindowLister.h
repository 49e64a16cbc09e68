#pragma once

#include "platform/WindowLister.h"

#include <QDeadlineTimer>
#include <QString>
#include <chrono>
#include <memory>

// The windows an X11 taskbar would show, read from the window manager through a connection of
// its own (opened on first use, so a program that never asks never connects).
//
// Which windows count:
// - the manager's managed top-level windows, in the manager's order (_NET_CLIENT_LIST), while a
//   manager is running (_NET_SUPPORTING_WM_CHECK answered by a live window); without one, the
//   root's children in stacking order, or the client window below a frame, that carry WM_STATE
//   and are mapped, or minimised;
// - not withdrawn: minimised windows and windows on other desktops stay, a taskbar shows them;
// - their type (the first known atom of _NET_WM_WINDOW_TYPE) is not a utility, toolbar, menu,
//   drop-down or pop-up menu, dock, desktop, splash, tool-tip, notification, combo or
//   drag-and-drop window;
// - not marked _NET_WM_STATE_SKIP_TASKBAR;
// - no WM_TRANSIENT_FOR, or explicitly shown: a transient window counts only when it names NORMAL
//   as its type, since without a type a transient window is a dialog;
// - not the window ownWindow names (QWidget::winId() of a top-level: the client window, not the
//   manager's frame);
// - a title that is not empty: _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1, UTF-8 or compound
//   text), up to its first NUL, cut to 255 characters by cutWindowTitle.
// Each window's application is the class part of its WM_CLASS (the second string), else the
// instance part; empty when it has none.
//
// Without a display, or when connecting fails, the list is empty; the next attempt waits
// retryDelay, because connecting to an unreachable remote display can block for a long time.
// A connection that breaks is dropped and opened again straight away.
class X11WindowLister final : public WindowLister {
public:
    // displayName empty: the DISPLAY of the environment.
    explicit X11WindowLister(QString displayName = {},
                             std::chrono::milliseconds retryDelay = std::chrono::seconds(10));
    ~X11WindowLister() override;
    X11WindowLister(const X11WindowLister&) = delete;
    X11WindowLister& operator=(const X11WindowLister&) = delete;

    QList<DesktopWindow> windows(quintptr ownWindow) override;

    // Whether a connection is open at the moment.
    bool isConnected() const;

private:
    struct Connection;

    bool ensureConnected();

    QString m_displayName;
    std::chrono::milliseconds m_retryDelay;
    QDeadlineTimer m_nextAttempt; // default: already expired
    std::unique_ptr<Connection> m_connection;
};
