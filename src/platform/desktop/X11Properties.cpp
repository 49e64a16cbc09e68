#include "platform/desktop/X11Properties.h"

#include "platform/WindowLister.h"

namespace X11Properties {

xcb_get_property_cookie_t askProperty(xcb_connection_t* xcb, xcb_window_t window, xcb_atom_t atom,
                                      uint32_t longs) {
    return xcb_get_property(xcb, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

PropertyReply propertyReply(xcb_connection_t* xcb, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    PropertyReply reply(xcb_get_property_reply(xcb, cookie, &error));
    std::free(error);
    return reply;
}

bool present(const PropertyReply& reply) {
    return reply && reply->type != XCB_NONE;
}

std::vector<uint32_t> values32(const PropertyReply& reply) {
    if (!present(reply) || reply->format != 32) {
        return {};
    }
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<uint32_t>(data, data + count);
}

std::optional<uint32_t> firstValue32(const PropertyReply& reply) {
    const std::vector<uint32_t> values = values32(reply);
    if (values.empty()) {
        return std::nullopt;
    }
    return values.front();
}

QByteArray bytes8(const PropertyReply& reply) {
    if (!present(reply) || reply->format != 8) {
        return {};
    }
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    QByteArray bytes(data, xcb_get_property_value_length(reply.get()));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    }
    return bytes;
}

QString application(const PropertyReply& wmClass) {
    if (!present(wmClass) || wmClass->format != 8) {
        return {};
    }
    const auto* data = static_cast<const char*>(xcb_get_property_value(wmClass.get()));
    const QList<QByteArray> parts =
        QByteArray(data, xcb_get_property_value_length(wmClass.get())).split('\0');
    const QByteArray instance = parts.value(0);
    const QByteArray className = parts.value(1);
    return cutWindowTitle(QString::fromLocal8Bit(className.isEmpty() ? instance : className));
}

} // namespace X11Properties
