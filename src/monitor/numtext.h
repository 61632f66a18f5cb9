// The number texts the display writes, and the program's one float-to-integer conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrova {

// Decimal digits with a leading minus for negatives ("%d").
std::string integerText(std::int64_t value);

// At most 13 significant digits, no trailing zeros or point; exponent form only for
// exponents below -4 or of 13 and above ("%.13g"). Independent of the C locale.
std::string plainNumberText(double value);

// Rounds x to n decimals (n = 0 or 2), halves away from zero. A nudge of 1e-12 before the
// split makes values that binary storage puts a hair below a half, such as 12.345, round up.
double decimalRound(double x, int n);

// decimalRound(x, 2) as plain number text, padded with zeros to two decimals.
std::string twoDecimalText(double x);

// The numeric value of a text written by the functions above; 0 when it holds none.
double numericValue(std::string_view text);

// Truncates toward zero and keeps the low 32 bits of the result; NaN and infinities give 0.
std::int32_t truncToInt32(double value);

}  // namespace kestrova
