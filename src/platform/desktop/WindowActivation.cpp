#include "platform/desktop/WindowActivation.h"

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// EWMH source indication: a pager or other tool acting on the user's direct request.
constexpr uint32_t UserRequest = 2;

xcb_atom_t atom(xcb_connection_t* xcb, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        xcb, xcb_intern_atom(xcb, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return found;
}

xcb_window_t rootOf(xcb_connection_t* xcb, xcb_window_t window) {
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(xcb, xcb_get_geometry(xcb, window), nullptr);
    const xcb_window_t root = reply != nullptr ? reply->root : XCB_NONE;
    std::free(reply);
    return root;
}

// A value of a startup-notification message: quoted, with quotes and backslashes escaped.
QByteArray quoted(const QByteArray& value) {
    QByteArray text = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        text += c;
    }
    return text + '"';
}

// Ends a startup sequence: "remove: ID=..." in 20-byte pieces of client messages to the root,
// the first of type _NET_STARTUP_INFO_BEGIN, the rest _NET_STARTUP_INFO, ending with a NUL.
void endStartup(xcb_connection_t* xcb, xcb_window_t root, xcb_window_t sender,
                const QByteArray& startupId) {
    const xcb_atom_t begin = atom(xcb, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(xcb, "_NET_STARTUP_INFO");
    const QByteArray message = "remove: ID=" + quoted(startupId) + '\0';
    for (qsizetype offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = offset == 0 ? begin : more;
        std::memcpy(event.data.data8, message.constData() + offset,
                    size_t(qMin<qsizetype>(20, message.size() - offset)));
        xcb_send_event(xcb, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
}

void activateOnX11(xcb_connection_t* xcb, xcb_window_t window, const QByteArray& startupId) {
    const xcb_window_t root = rootOf(xcb, window);
    if (root == XCB_NONE) {
        return;
    }
    if (!startupId.isEmpty()) {
        endStartup(xcb, root, window, startupId);
    }
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(xcb, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = UserRequest;
    event.data.data32[1] = startupTime(startupId);
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(xcb, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(xcb);
}

} // namespace

quint32 startupTime(const QByteArray& startupId) {
    const qsizetype at = startupId.lastIndexOf("_TIME");
    if (at < 0) {
        return 0;
    }
    bool ok = false;
    const quint32 time = startupId.mid(at + 5).toUInt(&ok);
    return ok ? time : 0;
}

QWidget* windowAwaitingUser(QWidget* mainWindow) {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        return dialog;
    }
    if (mainWindow->isVisible()) {
        return mainWindow;
    }
    for (QWidget* each : QApplication::topLevelWidgets()) {
        if (each->isVisible() && each->windowType() != Qt::Popup &&
            each->windowType() != Qt::ToolTip) {
            return each;
        }
    }
    return nullptr;
}

void bringToFront(QWidget* window, const QByteArray& startupId) {
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    window->show();
    window->raise();
    window->activateWindow();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->connection() != nullptr) {
        activateOnX11(x11->connection(), xcb_window_t(window->winId()), startupId);
    }
}
