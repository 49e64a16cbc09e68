#pragma once

#include <QString>
#include <functional>
#include <string_view>

// A hash of text for the program's own look-up tables (std::unordered_map<QString, T,
// TextHash>). Qt's seeded string hash, which QHash<QString> uses, leaves the vector registers
// dirty on some processors and slows what runs after it (see UpperVectorState); the standard
// library's hash is plain scalar code.
struct TextHash {
    std::size_t operator()(const QString& text) const noexcept {
        return std::hash<std::u16string_view>{}(std::u16string_view(
            reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())));
    }
};
