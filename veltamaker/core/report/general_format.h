#pragma once
// The general number format of the report and the solutions table: the
// shortest text of a value rounded to `digits` significant digits, with "."
// as decimal separator. Fixed notation is used while the integer part has
// at most `digits` digits and the value is at least 0.00001; otherwise the
// exponent form "2E2", "1.5E-7" (no plus sign, no leading zeros).
#include <string>

namespace velta {

std::string GeneralFormat(double value, int digits);

}  // namespace velta
