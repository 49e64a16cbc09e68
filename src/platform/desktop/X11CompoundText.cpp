#include "platform/desktop/X11CompoundText.h"

#include <QHash>
#include <QStringDecoder>

namespace {

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

} // namespace

QString fromCompoundText(const QByteArray& bytes) {
    return CompoundTextDecoder(bytes).decode();
}
