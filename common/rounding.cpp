#include "common/rounding.h"

#include <cmath>

namespace common {

double RoundHalfEven(double x) {
  // Independent of the floating-point rounding mode in force.
  const double r = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
  return r;
}

std::int64_t RoundToInt(double x) { return static_cast<std::int64_t>(RoundHalfEven(x)); }

std::int64_t TruncToInt(double x) { return static_cast<std::int64_t>(std::trunc(x)); }

}  // namespace common
