#include "link/link_numbers.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace korvel {
namespace {

// The decimal digits and exponent of |value| rounded to `digits` significant
// digits: value = 0.d1d2d3... * 10^(exponent + 1). Rounding is done once,
// by the formatter, on the exact binary value.
struct Decimal {
  std::string digits;  // without trailing zeros, at least one digit
  int exponent = 0;    // of the first digit
};

Decimal ToDecimal(double magnitude, int digits) {
  const std::string e = fmt::format("{:.{}e}", magnitude, digits - 1);  // "d.ddde+XX"
  const std::size_t e_pos = e.find('e');
  Decimal d;
  for (std::size_t i = 0; i < e_pos; ++i)
    if (e[i] != '.') d.digits.push_back(e[i]);
  const char* first = e.data() + e_pos + 1;
  if (*first == '+') ++first;
  std::from_chars(first, e.data() + e.size(), d.exponent);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

}  // namespace

std::string FormatGeneral(double value, int digits) {
  digits = std::clamp(digits, 1, 17);
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  const Decimal d = ToDecimal(std::fabs(value), digits);
  std::string s = value < 0 ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (d.exponent < -5 || d.exponent >= digits) {
    s += d.digits[0];
    if (n > 1) {
      s += '.';
      s.append(d.digits, 1);
    }
    s += 'E';
    s += std::to_string(d.exponent);
    return s;
  }
  if (d.exponent < 0) {
    s += "0.";
    s.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    s += d.digits;
    return s;
  }
  const int int_digits = d.exponent + 1;
  if (n <= int_digits) {
    s += d.digits;
    s.append(static_cast<std::size_t>(int_digits - n), '0');
  } else {
    s.append(d.digits, 0, static_cast<std::size_t>(int_digits));
    s += '.';
    s.append(d.digits, static_cast<std::size_t>(int_digits));
  }
  return s;
}

std::string FormatFixedSignificant(double value, int significant, int decimals) {
  significant = std::clamp(significant, 1, 17);
  decimals = std::clamp(decimals, 0, 17);
  if (!std::isfinite(value)) return FormatGeneral(value, significant);
  // The exponent after rounding to `significant` digits decides how many of
  // the decimals carry digits; the rest are written as zeros.
  int kept = decimals;
  if (value != 0) {
    const int exponent = ToDecimal(std::fabs(value), significant).exponent;
    if (exponent >= significant) return FormatGeneral(value, significant);
    if (exponent >= 0) kept = std::min(decimals, significant - 1 - exponent);
  }
  std::string s = fmt::format("{:.{}f}", value, kept);
  if (kept < decimals) {
    if (kept == 0) s += '.';
    s.append(static_cast<std::size_t>(decimals - kept), '0');
  }
  // A value that rounds to zero is written without a sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace korvel
