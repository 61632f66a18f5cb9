#include "monitor/numtext.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace kestrova {

std::string integerText(std::int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string plainNumberText(double value) {
  // %g never needs more than sign, 13 digits, point, "e-308": 32 bytes are plenty.
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
  if (r.ec != std::errc()) return {};
  return std::string(buf, r.ptr);
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
  double value = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() ? value : 0.0;
}

std::int32_t truncToInt32(double value) {
  if (!std::isfinite(value)) return 0;
  // Exact in double for every finite value: fmod does not round.
  double t = std::fmod(std::trunc(value), 4294967296.0);
  if (t < 0) t += 4294967296.0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(t));
}

}  // namespace kestrova
