#pragma once
// Number formats of the exchanged text files: fixed point "width:decimals",
// "." as decimal separator whatever the locale, right-aligned in at least
// `width` characters and never cut; no decimal point when decimals is 0.
#include <string>

namespace common {

// FormatFixed(3.14159, 7, 3) == "  3.142"; FormatFixed(-2.5, 3, 0) == " -2".
std::string FormatFixed(double value, int width, int decimals);

// Integers are written without leading blanks.
std::string FormatInt(long long value);

// "TRUE" / "FALSE".
std::string FormatBool(bool value);

// The byte of the plus-minus sign in the 8-bit text files.
inline constexpr char kPlusMinus = static_cast<char>(0xB1);

}  // namespace common
