#include "platform/desktop/X11WindowLister.h"

#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace {

// xcb hands out replies and errors allocated with malloc.
struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

using PropertyReply = Reply<xcb_get_property_reply_t>;

// Enough for any title once cut: 255 characters take at most 1020 bytes of UTF-8, and compound
// text needs room for its escape sequences.
constexpr uint32_t TitleLongs = 1024;
// A list of windows or atoms: as long as the server holds.
constexpr uint32_t ListLongs = UINT32_MAX / 4;

// ICCCM WM_STATE values.
constexpr uint32_t WithdrawnState = 0;
constexpr uint32_t IconicState = 3;

// Frames of managers that keep the client deeper than this are not searched.
constexpr int ClientSearchDepth = 4;

xcb_get_property_cookie_t askProperty(xcb_connection_t* xcb, xcb_window_t window, xcb_atom_t atom,
                                      uint32_t longs) {
    return xcb_get_property(xcb, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

// The reply, or none when the property request failed (typically: the window has gone meanwhile).
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

// The text of an 8-bit property up to its first NUL (a property may hold a list of strings).
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

// Compound text (the X Consortium's ISO 2022 profile, what Xlib writes for a title in any
// locale's own character sets): it starts in ASCII (left half, GL) and Latin-1 (right half, GR),
// and escape sequences put other sets in either half. Each run of bytes in one set is decoded
// through the matching character encoding; what no encoding here knows reads as U+FFFD.
class CompoundTextDecoder {
public:
    explicit CompoundTextDecoder(const QByteArray& bytes)
        : m_bytes(bytes) {}

    QString decode() {
        const qsizetype size = m_bytes.size();
        qsizetype i = 0;
        while (i < size) {
            const auto byte = uchar(m_bytes[i]);
            if (byte == Esc) {
                i = escape(i);
            } else if (byte == Csi) {
                i = skipDirection(i);
            } else if (byte < 0x20 || byte == 0x7f) {
                // Only tab and newline carry text among the controls.
                if (byte == '\t' || byte == '\n') {
                    add(QStringLiteral("ISO-8859-1"), QByteArray(1, char(byte)));
                }
                ++i;
            } else if (byte == 0x20) {
                add(QStringLiteral("ISO-8859-1"), " "); // a space in every set
                ++i;
            } else if (byte < 0x80) {
                addCharacter(m_left, i, false);
                i += m_left.width;
            } else if (byte >= 0xa0) {
                addCharacter(m_right, i, true);
                i += m_right.width;
            } else {
                ++i; // C1 controls carry no text
            }
        }
        flush();
        return m_text;
    }

private:
    static constexpr uchar Esc = 0x1b;
    static constexpr uchar Csi = 0x9b;

    // The set in one half: the encoding its runs are decoded with, and how a character of it is
    // written in that encoding.
    struct Set {
        QString encoding;  // empty: not known here
        int width = 1;     // bytes per character
        QByteArray prefix; // written before each character (EUC's single shifts)
    };

    static Set ascii() { return {QStringLiteral("ISO-8859-1"), 1, {}}; }
    static Set unknown(int width) { return {QString(), width, {}}; }

    // A 94- or 96-character set of one byte, by the final byte of its escape sequence.
    static Set singleByteSet(char final, bool ninetySix) {
        if (!ninetySix) {
            switch (final) {
            case 'B':
            case 'J': // JIS-Roman: ASCII but for the yen sign and the overline
                return ascii();
            case 'I': // JIS X 0201 katakana, written in EUC-JP after SS2
                return {QStringLiteral("EUC-JP"), 1, QByteArray(1, char(0x8e))};
            default:
                return unknown(1);
            }
        }
        static const QHash<char, QString> parts = {
            {'A', QStringLiteral("ISO-8859-1")},  {'B', QStringLiteral("ISO-8859-2")},
            {'C', QStringLiteral("ISO-8859-3")},  {'D', QStringLiteral("ISO-8859-4")},
            {'F', QStringLiteral("ISO-8859-7")},  {'G', QStringLiteral("ISO-8859-6")},
            {'H', QStringLiteral("ISO-8859-8")},  {'L', QStringLiteral("ISO-8859-5")},
            {'M', QStringLiteral("ISO-8859-9")},  {'T', QStringLiteral("TIS-620")},
            {'V', QStringLiteral("ISO-8859-10")}, {'Y', QStringLiteral("ISO-8859-13")},
            {'_', QStringLiteral("ISO-8859-14")}, {'b', QStringLiteral("ISO-8859-15")},
            {'f', QStringLiteral("ISO-8859-16")},
        };
        const QString encoding = parts.value(final);
        return encoding.isEmpty() ? unknown(1) : Set{encoding, 1, {}};
    }

    // A set of 94 x 94 characters, written as two bytes in its EUC form.
    static Set doubleByteSet(char final) {
        switch (final) {
        case 'A':
            return {QStringLiteral("GB2312"), 2, {}};
        case 'B':
            return {QStringLiteral("EUC-JP"), 2, {}};
        case 'C':
            return {QStringLiteral("EUC-KR"), 2, {}};
        case 'D': // JIS X 0212, written in EUC-JP after SS3
            return {QStringLiteral("EUC-JP"), 2, QByteArray(1, char(0x8f))};
        default:
            return unknown(2);
        }
    }

    // Extended segments name their encoding ("big5-0", "iso10646-1").
    static QString namedEncoding(QByteArray name) {
        name = name.toLower();
        if (name == "iso10646-1") {
            return QStringLiteral("UTF-16BE");
        }
        if (name.endsWith("-0")) {
            name.chop(2);
        }
        const QString encoding = QString::fromLatin1(name);
        return QStringDecoder(name.constData()).isValid() ? encoding : QString();
    }

    qsizetype escape(qsizetype i) {
        const qsizetype size = m_bytes.size();
        if (m_bytes.mid(i, 3) == "\x1b%G") {
            // UTF-8 up to ESC % @, as Xlib writes what its locale's sets lack.
            const qsizetype end = m_bytes.indexOf("\x1b%@", i + 3);
            const qsizetype stop = end < 0 ? size : end;
            add(QStringLiteral("UTF-8"), m_bytes.mid(i + 3, stop - i - 3));
            return end < 0 ? size : end + 3;
        }
        if (m_bytes.mid(i, 3) == "\x1b%/" && i + 5 < size) {
            // An extended segment: its length in two bytes, then its encoding's name up to STX.
            const qsizetype length =
                qsizetype(uchar(m_bytes[i + 4]) & 0x7f) * 128 + (uchar(m_bytes[i + 5]) & 0x7f);
            const QByteArray segment = m_bytes.mid(i + 6, length);
            const qsizetype stx = segment.indexOf('\x02');
            const QString encoding = stx < 0 ? QString() : namedEncoding(segment.left(stx));
            add(encoding, stx < 0 ? segment : segment.mid(stx + 1));
            return i + 6 + length;
        }
        qsizetype next = i + 1;
        while (next < size && uchar(m_bytes[next]) >= 0x20 && uchar(m_bytes[next]) <= 0x2f) {
            ++next;
        }
        if (next >= size) {
            return size;
        }
        const QByteArray intermediates = m_bytes.mid(i + 1, next - i - 1);
        const char final = m_bytes[next];
        if (intermediates == "(") {
            m_left = singleByteSet(final, false);
        } else if (intermediates == ")") {
            m_right = singleByteSet(final, false);
        } else if (intermediates == "-") {
            m_right = singleByteSet(final, true);
        } else if (intermediates == "$(") {
            m_left = doubleByteSet(final);
        } else if (intermediates == "$)") {
            m_right = doubleByteSet(final);
        }
        return next + 1;
    }

    // Direction changes: parameters, then one final byte. The text is stored in reading order.
    qsizetype skipDirection(qsizetype i) const {
        ++i;
        while (i < m_bytes.size() && uchar(m_bytes[i]) >= 0x20 && uchar(m_bytes[i]) <= 0x3f) {
            ++i;
        }
        return i + 1;
    }

    // One character of the set at i, written the way its encoding expects: the high bit set on
    // every byte (a set in the left half is written in the right half of EUC), after the prefix.
    void addCharacter(const Set& set, qsizetype i, bool right) {
        if (set.encoding == QLatin1String("ISO-8859-1") && !right) {
            add(set.encoding, QByteArray(1, m_bytes[i]));
            return;
        }
        QByteArray character = set.prefix;
        for (int k = 0; k < set.width && i + k < m_bytes.size(); ++k) {
            character.append(char(uchar(m_bytes[i + k]) | 0x80));
        }
        add(set.encoding, character);
    }

    // Bytes in one encoding are gathered and decoded together.
    void add(const QString& encoding, const QByteArray& bytes) {
        if (encoding != m_pendingEncoding) {
            flush();
            m_pendingEncoding = encoding;
        }
        m_pending.append(bytes);
    }

    void flush() {
        if (m_pending.isEmpty()) {
            return;
        }
        QStringDecoder decoder(m_pendingEncoding.toLatin1().constData());
        m_text += decoder.isValid() && !m_pendingEncoding.isEmpty()
                      ? decoder.decode(m_pending)
                      : QString(QChar::ReplacementCharacter);
        m_pending.clear();
    }

    const QByteArray& m_bytes;
    Set m_left = ascii();
    Set m_right = {QStringLiteral("ISO-8859-1"), 1, {}};
    QString m_text;
    QString m_pendingEncoding;
    QByteArray m_pending;
};

// WM_CLASS holds two strings, each ended by a NUL: the instance ("navigator") and the class
// ("Firefox"); the class names the program.
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

QString fromCompoundText(const QByteArray& bytes) {
    return CompoundTextDecoder(bytes).decode();
}

struct Candidate {
    xcb_window_t window;
    bool frameMapped; // the frame (or the window itself) is mapped
};

} // namespace

struct X11WindowLister::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
    xcb_atom_t compoundText = XCB_NONE;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (ewmhReady) {
            xcb_ewmh_connection_wipe(&ewmh);
        }
        if (xcb) {
            xcb_disconnect(xcb);
        }
    }

    static std::unique_ptr<Connection> open(const QString& displayName);

    bool broken() const { return xcb_connection_has_error(xcb) != 0; }
    QList<DesktopWindow> windows(quintptr ownWindow);

private:
    xcb_atom_t internAtom(xcb_intern_atom_cookie_t cookie);
    bool managerRunning();
    std::optional<std::vector<xcb_window_t>> managedClients();
    std::vector<Candidate> unmanagedTopLevels();
    std::vector<xcb_window_t> children(xcb_window_t window);
    xcb_window_t clientBelow(xcb_window_t frame);
    bool listed(const PropertyReply& type, const PropertyReply& state,
                const PropertyReply& transientFor) const;
    QString title(const PropertyReply& netName, const PropertyReply& name) const;
};

std::unique_ptr<X11WindowLister::Connection>
X11WindowLister::Connection::open(const QString& displayName) {
    auto connection = std::make_unique<Connection>();
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    connection->xcb = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (connection->broken()) {
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection->xcb));
    for (int i = 0; screens.rem > 0 && i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem <= 0) {
        return nullptr;
    }
    connection->root = screens.data->root;

    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(connection->xcb, &connection->ewmh);
    const auto wmStateCookie = xcb_intern_atom(connection->xcb, 0, 8, "WM_STATE");
    const auto compoundTextCookie = xcb_intern_atom(connection->xcb, 0, 13, "COMPOUND_TEXT");
    // When it fails, xcb_ewmh_init_atoms_replies has cleaned up after itself.
    connection->ewmhReady =
        ewmhCookies && xcb_ewmh_init_atoms_replies(&connection->ewmh, ewmhCookies, nullptr);
    connection->wmState = connection->internAtom(wmStateCookie);
    connection->compoundText = connection->internAtom(compoundTextCookie);
    if (!connection->ewmhReady || connection->wmState == XCB_NONE || connection->broken()) {
        return nullptr;
    }
    return connection;
}

xcb_atom_t X11WindowLister::Connection::internAtom(xcb_intern_atom_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(xcb, cookie, &error));
    std::free(error);
    return reply ? reply->atom : XCB_NONE;
}

// A manager that stopped or crashed leaves its list behind; only the window its check names,
// pointing back at itself, proves that a manager is running now.
bool X11WindowLister::Connection::managerRunning() {
    const xcb_atom_t check = ewmh._NET_SUPPORTING_WM_CHECK;
    const std::optional<uint32_t> named =
        firstValue32(propertyReply(xcb, askProperty(xcb, root, check, 1)));
    if (!named || *named == XCB_NONE) {
        return false;
    }
    const std::optional<uint32_t> confirmed =
        firstValue32(propertyReply(xcb, askProperty(xcb, *named, check, 1)));
    return confirmed == named;
}

// The manager's list, or none when no manager offers one.
std::optional<std::vector<xcb_window_t>> X11WindowLister::Connection::managedClients() {
    if (!managerRunning()) {
        return std::nullopt;
    }
    const PropertyReply list =
        propertyReply(xcb, askProperty(xcb, root, ewmh._NET_CLIENT_LIST, ListLongs));
    if (!present(list)) {
        return std::nullopt;
    }
    return values32(list);
}

std::vector<xcb_window_t> X11WindowLister::Connection::children(xcb_window_t window) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(xcb, xcb_query_tree(xcb, window), &error));
    std::free(error);
    if (!tree) {
        return {};
    }
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()));
}

// The window that carries WM_STATE inside a manager's frame, searched level by level.
xcb_window_t X11WindowLister::Connection::clientBelow(xcb_window_t frame) {
    std::vector<xcb_window_t> level = children(frame);
    for (int depth = 0; depth < ClientSearchDepth && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> states;
        states.reserve(level.size());
        for (const xcb_window_t window : level) {
            states.push_back(askProperty(xcb, window, wmState, 0));
        }
        xcb_window_t found = XCB_NONE;
        for (std::size_t i = 0; i < level.size(); ++i) {
            // Every reply is collected, also after a find.
            if (present(propertyReply(xcb, states[i])) && found == XCB_NONE) {
                found = level[i];
            }
        }
        if (found != XCB_NONE) {
            return found;
        }
        std::vector<xcb_window_t> next;
        for (const xcb_window_t window : level) {
            const std::vector<xcb_window_t> below = children(window);
            std::copy(below.begin(), below.end(), std::back_inserter(next));
        }
        level = std::move(next);
    }
    return XCB_NONE;
}

// Without a manager's list: the root's children (bottom to top) that are clients themselves or
// frames around one.
std::vector<Candidate> X11WindowLister::Connection::unmanagedTopLevels() {
    const std::vector<xcb_window_t> topLevels = children(root);
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_property_cookie_t> states;
    attributes.reserve(topLevels.size());
    states.reserve(topLevels.size());
    for (const xcb_window_t window : topLevels) {
        attributes.push_back(xcb_get_window_attributes(xcb, window));
        states.push_back(askProperty(xcb, window, wmState, 0));
    }
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_window_attributes_reply_t> attribute(
            xcb_get_window_attributes_reply(xcb, attributes[i], &error));
        std::free(error);
        const bool isClient = present(propertyReply(xcb, states[i]));
        if (!attribute || attribute->override_redirect) {
            continue;
        }
        const bool mapped = attribute->map_state != XCB_MAP_STATE_UNMAPPED;
        const xcb_window_t client = isClient ? topLevels[i] : clientBelow(topLevels[i]);
        if (client != XCB_NONE) {
            candidates.push_back({client, mapped});
        }
    }
    return candidates;
}

bool X11WindowLister::Connection::listed(const PropertyReply& type, const PropertyReply& state,
                                         const PropertyReply& transientFor) const {
    const std::vector<uint32_t> skipped = {
        ewmh._NET_WM_WINDOW_TYPE_UTILITY,    ewmh._NET_WM_WINDOW_TYPE_TOOLBAR,
        ewmh._NET_WM_WINDOW_TYPE_MENU,       ewmh._NET_WM_WINDOW_TYPE_DROPDOWN_MENU,
        ewmh._NET_WM_WINDOW_TYPE_POPUP_MENU, ewmh._NET_WM_WINDOW_TYPE_DOCK,
        ewmh._NET_WM_WINDOW_TYPE_DESKTOP,    ewmh._NET_WM_WINDOW_TYPE_SPLASH,
        ewmh._NET_WM_WINDOW_TYPE_TOOLTIP,    ewmh._NET_WM_WINDOW_TYPE_NOTIFICATION,
        ewmh._NET_WM_WINDOW_TYPE_COMBO,      ewmh._NET_WM_WINDOW_TYPE_DND,
    };
    // Types come in order of preference; names this program does not know are passed over.
    xcb_atom_t windowType = XCB_NONE;
    for (const uint32_t atom : values32(type)) {
        if (atom == ewmh._NET_WM_WINDOW_TYPE_NORMAL || atom == ewmh._NET_WM_WINDOW_TYPE_DIALOG ||
            std::find(skipped.begin(), skipped.end(), atom) != skipped.end()) {
            windowType = atom;
            break;
        }
    }
    if (std::find(skipped.begin(), skipped.end(), windowType) != skipped.end()) {
        return false;
    }
    const std::vector<uint32_t> states = values32(state);
    if (std::find(states.begin(), states.end(), ewmh._NET_WM_STATE_SKIP_TASKBAR) != states.end()) {
        return false;
    }
    // Any WM_TRANSIENT_FOR, also None or the root (transient for the whole group), makes a
    // dialog of a window that does not call itself normal.
    const bool transient = !values32(transientFor).empty();
    return !transient || windowType == ewmh._NET_WM_WINDOW_TYPE_NORMAL;
}

QString X11WindowLister::Connection::title(const PropertyReply& netName,
                                           const PropertyReply& name) const {
    QString text = QString::fromUtf8(bytes8(netName));
    if (text.isEmpty()) {
        const QByteArray bytes = bytes8(name);
        if (name && name->type == ewmh.UTF8_STRING) {
            text = QString::fromUtf8(bytes);
        } else if (name && name->type == compoundText) {
            text = fromCompoundText(bytes);
        } else {
            text = QString::fromLatin1(bytes);
        }
    }
    return cutWindowTitle(text);
}

QList<DesktopWindow> X11WindowLister::Connection::windows(quintptr ownWindow) {
    std::vector<Candidate> candidates;
    if (const auto clients = managedClients()) {
        for (const xcb_window_t client : *clients) {
            candidates.push_back({client, true});
        }
    } else {
        candidates = unmanagedTopLevels();
    }

    // Every question about every window goes out before the first answer is read: one round trip.
    struct Questions {
        xcb_get_property_cookie_t state, type, netState, transientFor, netName, name, wmClass;
    };
    std::vector<Questions> questions;
    questions.reserve(candidates.size());
    for (const Candidate& candidate : candidates) {
        const xcb_window_t w = candidate.window;
        questions.push_back({askProperty(xcb, w, wmState, 2),
                             askProperty(xcb, w, ewmh._NET_WM_WINDOW_TYPE, ListLongs),
                             askProperty(xcb, w, ewmh._NET_WM_STATE, ListLongs),
                             askProperty(xcb, w, XCB_ATOM_WM_TRANSIENT_FOR, 1),
                             askProperty(xcb, w, ewmh._NET_WM_NAME, TitleLongs),
                             askProperty(xcb, w, XCB_ATOM_WM_NAME, TitleLongs),
                             askProperty(xcb, w, XCB_ATOM_WM_CLASS, TitleLongs)});
    }

    QList<DesktopWindow> windows;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Questions& asked = questions[i];
        const PropertyReply state = propertyReply(xcb, asked.state);
        const PropertyReply type = propertyReply(xcb, asked.type);
        const PropertyReply netState = propertyReply(xcb, asked.netState);
        const PropertyReply transientFor = propertyReply(xcb, asked.transientFor);
        const PropertyReply netName = propertyReply(xcb, asked.netName);
        const PropertyReply name = propertyReply(xcb, asked.name);
        const PropertyReply wmClass = propertyReply(xcb, asked.wmClass);
        if (candidates[i].window == ownWindow || !state || !name) {
            continue; // our own window, or one that has gone since the list was read
        }
        // A minimised window keeps its place on a taskbar; a withdrawn one has left it.
        const std::optional<uint32_t> wmStateValue = firstValue32(state);
        const bool iconic = wmStateValue == IconicState;
        const bool withdrawn = wmStateValue == WithdrawnState;
        if (!iconic && (withdrawn || !candidates[i].frameMapped)) {
            continue;
        }
        if (!listed(type, netState, transientFor)) {
            continue;
        }
        const QString text = title(netName, name);
        if (!text.isEmpty()) {
            windows.append({text, application(wmClass)});
        }
    }
    // Nothing here selects events, but errors of requests nobody waits for would pile up.
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(xcb)}) {
    }
    return windows;
}

X11WindowLister::X11WindowLister(QString displayName, std::chrono::milliseconds retryDelay)
    : m_displayName(std::move(displayName))
    , m_retryDelay(retryDelay) {}

X11WindowLister::~X11WindowLister() = default;

bool X11WindowLister::isConnected() const {
    return m_connection != nullptr;
}

bool X11WindowLister::ensureConnected() {
    if (m_connection) {
        return true;
    }
    if (!m_nextAttempt.hasExpired()) {
        return false;
    }
    m_connection = Connection::open(m_displayName);
    if (!m_connection) {
        m_nextAttempt.setRemainingTime(m_retryDelay);
    }
    return m_connection != nullptr;
}

QList<DesktopWindow> X11WindowLister::windows(quintptr ownWindow) {
    // A connection that broke (the server restarted, say) gets one fresh try at once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!ensureConnected()) {
            return {};
        }
        const QList<DesktopWindow> found = m_connection->windows(ownWindow);
        if (!m_connection->broken()) {
            return found;
        }
        m_connection.reset();
    }
    return {};
}
