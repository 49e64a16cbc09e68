#include "data/StorableText.h"

#include "data/DatabaseError.h"

#include <QCoreApplication>

namespace StorableText {

namespace {

// Enough of the text for a person to know which one it is.
constexpr int ShownCharacters = 60;
constexpr char16_t SymbolForNull = u'\u2400';

} // namespace

void check(const QVariantList& values, const QString& statement) {
    for (const QVariant& value : values) {
        if (value.typeId() != QMetaType::QString) {
            continue;
        }
        const QString text = value.toString();
        if (!text.contains(QChar::Null)) {
            continue;
        }
        QString shown = text.left(ShownCharacters);
        shown.replace(QChar::Null, QChar(SymbolForNull));
        if (text.size() > ShownCharacters) {
            shown += QChar(0x2026);
        }
        throw DatabaseError(
            DatabaseError::Kind::Statement,
            QCoreApplication::translate("StorableText",
                                        "The text \"%1\" holds a NUL character (shown as %2), "
                                        "which the database cannot keep, so it was not saved. "
                                        "Remove the character and try again; it often comes "
                                        "along with text pasted from another program.")
                .arg(shown, QChar(SymbolForNull)),
            statement);
    }
}

} // namespace StorableText
