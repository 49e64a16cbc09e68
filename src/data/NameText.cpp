#include "data/NameText.h"

#include <QList>

namespace NameText {

namespace {

constexpr char16_t FirstStrongIsolate = u'\u2068';
constexpr char16_t PopDirectionalIsolate = u'\u2069';

bool turnsDirection(uint character) {
    switch (QChar::direction(char32_t(character))) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirPDF:
    case QChar::DirRLI:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDI:
        return true;
    default:
        return false;
    }
}

} // namespace

QString isolated(const QString& name) {
    for (const uint character : name.toUcs4()) {
        if (turnsDirection(character)) {
            return QChar(FirstStrongIsolate) + name + QChar(PopDirectionalIsolate);
        }
    }
    return name;
}

} // namespace NameText
