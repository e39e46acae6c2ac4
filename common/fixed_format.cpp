#include "common/fixed_format.h"

#include <fmt/format.h>

#include <cmath>

namespace common {

std::string FormatFixed(double value, int width, int decimals) {
  if (decimals < 0) decimals = 0;
  if (width < 0) width = 0;
  // fmt formats with the C locale unless asked otherwise, so "." holds.
  std::string s = fmt::format("{:.{}f}", value, decimals);
  // A negative zero would print "-0.000"; the files never carry it.
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

std::string FormatInt(long long value) { return fmt::format("{}", value); }

std::string FormatBool(bool value) { return value ? "TRUE" : "FALSE"; }

}  // namespace common
