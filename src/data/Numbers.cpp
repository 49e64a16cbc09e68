#include "data/Numbers.h"

#include <QLocale>
#include <cfenv>
#include <cmath>

namespace Numbers {

namespace {
std::optional<double> toDouble(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    double value = QLocale().toDouble(trimmed, &ok);
    if (!ok) {
        value = QLocale::c().toDouble(trimmed, &ok);
    }
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}
} // namespace

std::optional<qint64> roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < -9.2e18 || rounded > 9.2e18) {
        return std::nullopt;
    }
    return qint64(rounded);
}

std::optional<int> toWholeNumber(const QString& text, int minimum, int maximum) {
    const auto value = toDouble(text);
    if (!value) {
        return std::nullopt;
    }
    const auto rounded = roundHalfEven(*value);
    if (!rounded || *rounded < minimum || *rounded > maximum) {
        return std::nullopt;
    }
    return int(*rounded);
}

std::optional<int> toExactWholeNumber(const QString& text, int minimum, int maximum) {
    const auto value = toDouble(text);
    if (!value || std::trunc(*value) != *value) {
        return std::nullopt;
    }
    return toWholeNumber(text, minimum, maximum);
}

bool isNumber(const QString& text) {
    return toDouble(text).has_value();
}

} // namespace Numbers
