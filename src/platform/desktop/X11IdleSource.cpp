#include "platform/desktop/X11IdleSource.h"

#include <QCoreApplication>
#include <cstdlib>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

X11IdleSource::X11IdleSource(const QString& display) {
    int screenNumber = 0;
    const QByteArray name = display.toLocal8Bit();
    m_connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0) {
        m_reason = QCoreApplication::translate("IdleSource", "the X display cannot be reached.");
        return;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(m_connection, &xcb_screensaver_id);
    if (extension == nullptr || extension->present == 0) {
        m_reason = QCoreApplication::translate(
            "IdleSource", "the X server does not tell the idle time (it has no "
                          "MIT-SCREEN-SAVER extension).");
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        m_reason = QCoreApplication::translate("IdleSource", "the X display cannot be reached.");
        return;
    }
    m_root = screens.data->root;
}

X11IdleSource::~X11IdleSource() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
    }
}

std::optional<qint64> X11IdleSource::idleMilliseconds() {
    if (!m_reason.isEmpty() || xcb_connection_has_error(m_connection) != 0) {
        return std::nullopt;
    }
    xcb_screensaver_query_info_reply_t* info = xcb_screensaver_query_info_reply(
        m_connection, xcb_screensaver_query_info(m_connection, m_root), nullptr);
    if (info == nullptr) {
        return std::nullopt;
    }
    const qint64 idle = info->ms_since_user_input;
    std::free(info);
    return idle;
}
