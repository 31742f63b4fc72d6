// Lenient readers for the texts the user types into the main window. Each
// gives std::nullopt when the text is not a number, so callers can fall back.
#pragma once

#include <optional>
#include <string_view>

namespace slideshow {

// A whole decimal number with an optional sign, fitting 32 bits; surrounding
// blanks are allowed.
std::optional<int> ReadInteger(std::string_view text);

// A decimal number written with the given decimal separator, optionally with
// an exponent; surrounding blanks are allowed. Infinities and NaN are not
// numbers here.
std::optional<long double> ReadDecimal(std::string_view text, char decimalSeparator);

}  // namespace slideshow
