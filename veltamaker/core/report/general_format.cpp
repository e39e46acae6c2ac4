#include "report/general_format.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdlib>

namespace velta {

std::string GeneralFormat(double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  if (digits < 1) digits = 1;
  // Rounding to the significant digits first decides the exponent: 99.96
  // with 3 digits is 100, 199.6 with 2 digits is 2E2.
  const std::string sci = fmt::format("{:.{}e}", std::fabs(value), digits - 1);
  const std::size_t e = sci.find('e');
  std::string mantissa;
  for (std::size_t i = 0; i < e; ++i)
    if (sci[i] != '.') mantissa += sci[i];
  const int exponent = std::atoi(sci.c_str() + e + 1);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  std::string text = value < 0 ? "-" : "";
  if (exponent >= digits || std::fabs(value) < 1e-5) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about
    // short literals joined with + at -O3.
    text += mantissa[0];
    if (mantissa.size() > 1) {
      text += '.';
      text.append(mantissa, 1);
    }
    text += 'E';
    text += std::to_string(exponent);
  } else if (exponent >= 0) {
    const auto int_digits = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() <= int_digits) {
      text += mantissa + std::string(int_digits - mantissa.size(), '0');
    } else {
      text.append(mantissa, 0, int_digits);
      text += '.';
      text.append(mantissa, int_digits);
    }
  } else {
    text += "0.";
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text += mantissa;
  }
  return text;
}

}  // namespace velta
