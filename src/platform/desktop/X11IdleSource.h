#pragma once

#include "platform/IdleSource.h"

struct xcb_connection_t;

// The idle time the X server keeps for its screen saver (the MIT-SCREEN-SAVER extension).
class X11IdleSource final : public IdleSource {
public:
    // display names the X display ("" for $DISPLAY).
    explicit X11IdleSource(const QString& display);
    ~X11IdleSource() override;
    X11IdleSource(const X11IdleSource&) = delete;
    X11IdleSource& operator=(const X11IdleSource&) = delete;

    std::optional<qint64> idleMilliseconds() override;
    QString unavailableReason() const override { return m_reason; }

private:
    xcb_connection_t* m_connection = nullptr;
    unsigned int m_root = 0;
    QString m_reason;
};
