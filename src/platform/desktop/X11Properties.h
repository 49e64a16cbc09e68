#pragma once

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

// Reading one window's properties through xcb: the question, its answer, and the answer read as
// numbers or text.
namespace X11Properties {

// xcb hands out replies and errors allocated with malloc.
struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

using PropertyReply = Reply<xcb_get_property_reply_t>;

xcb_get_property_cookie_t askProperty(xcb_connection_t* xcb, xcb_window_t window, xcb_atom_t atom,
                                      uint32_t longs);
// The reply, or none when the property request failed (typically: the window has gone meanwhile).
PropertyReply propertyReply(xcb_connection_t* xcb, xcb_get_property_cookie_t cookie);
bool present(const PropertyReply& reply);
std::vector<uint32_t> values32(const PropertyReply& reply);
std::optional<uint32_t> firstValue32(const PropertyReply& reply);
// The text of an 8-bit property up to its first NUL (a property may hold a list of strings).
QByteArray bytes8(const PropertyReply& reply);
// WM_CLASS holds two strings, each ended by a NUL: the instance ("navigator") and the class
// ("Firefox"); the class names the program.
QString application(const PropertyReply& wmClass);

} // namespace X11Properties
