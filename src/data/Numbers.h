#pragma once

#include <QString>
#include <limits>
#include <optional>

namespace Numbers {

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 gives 2, 3.5
// gives 4). Nothing when the value is not finite or does not fit in 64 bits.
std::optional<qint64> roundHalfEven(double value);

// Reads text typed into a number box: blanks around it are ignored, a decimal is rounded half
// to even, and the result must lie within [minimum, maximum]. Nothing when the text is not a
// number or does not fit.
std::optional<int> toWholeNumber(const QString& text, int minimum = std::numeric_limits<int>::min(),
                                 int maximum = std::numeric_limits<int>::max());

// As toWholeNumber, except that a number with a fraction ("85.50") is refused rather than
// rounded: for amounts where rounding would silently change what was meant.
std::optional<int> toExactWholeNumber(const QString& text,
                                      int minimum = std::numeric_limits<int>::min(),
                                      int maximum = std::numeric_limits<int>::max());

// Whether the text reads as a number at all (decimals and signs allowed).
bool isNumber(const QString& text);

} // namespace Numbers
