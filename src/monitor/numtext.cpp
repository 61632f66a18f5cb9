#include "monitor/numtext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace kestrova {

std::string integerText(std::int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

// The float texts go through the C library's printf rather than the floating to_chars, whose
// tables would make up a third of the exe (and from_chars, a tenth). printf rounds correctly,
// and the program never leaves the "C" locale, so the point is always '.'.

std::string plainNumberText(double value) {
  // %g never needs more than sign, 13 digits, point, "e-308": 32 bytes are plenty.
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%.13g", value);
  if (n < 0 || n >= static_cast<int>(sizeof buf)) return {};
  return std::string(buf, static_cast<std::size_t>(n));
}

double decimalRound(double x, int n) {
  if (x == 0) return x;
  const double scale = n == 2 ? 100.0 : 1.0;
  const double s = std::fabs(x) * scale;
  double k = 0;
  const double f = std::modf(s + 1e-12, &k);
  if (f >= 0.5) k += 1;
  return std::copysign(k / scale, x);
}

std::string twoDecimalText(double x) {
  std::string text = plainNumberText(decimalRound(x, 2));
  const auto point = text.find('.');
  if (point == std::string::npos) {
    text += ".00";
  } else {
    while (text.size() - point < 3) text += '0';
  }
  return text;
}

double numericValue(std::string_view text) {
  // A decimal number at the start, as the texts above write it: an optional minus, digits with
  // an optional point, an optional exponent. Up to 19 significant digits are kept exactly in an
  // integer; with at most 15 of them and a power of ten up to 22 (every text the program
  // writes), one multiplication or division of two exact doubles rounds correctly.
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int scale = 0;  // the power of ten the mantissa is off by
  bool any = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    any = true;
    if (digits < 19) {
      if (mantissa != 0 || c != '0') ++digits;
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) --scale;
    } else if (!point) {
      ++scale;  // digits past the 19th before the point only scale
    }
  }
  if (!any) return 0.0;
  if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    const bool minus = text[j] == '-';
    if (text[j] == '-' || text[j] == '+') ++j;
    int exponent = 0;
    bool expDigits = false;
    for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
      expDigits = true;
      if (exponent < 10000) exponent = exponent * 10 + (text[j] - '0');
    }
    if (expDigits) scale += minus ? -exponent : exponent;
  }
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double value = static_cast<double>(mantissa);
  for (; scale > 22; scale -= 22) value *= kPowers[22];
  for (; scale < -22; scale += 22) value /= kPowers[22];
  value = scale >= 0 ? value * kPowers[scale] : value / kPowers[-scale];
  return negative ? -value : value;
}

std::int32_t truncToInt32(double value) {
  if (!std::isfinite(value)) return 0;
  // Exact in double for every finite value: fmod does not round.
  double t = std::fmod(std::trunc(value), 4294967296.0);
  if (t < 0) t += 4294967296.0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(t));
}

}  // namespace kestrova
