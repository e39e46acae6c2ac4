#pragma once
// Number formats of the optimization link messages. Both write "." as the
// decimal separator whatever the locale.
#include <string>

namespace korvel {

// A real with `digits` significant digits (1..17) in the shortest general
// notation: fixed point when 1e-5 <= |value| < 10^digits after rounding,
// otherwise scientific ("1.5E-7", "2E12"); trailing zeros and a trailing
// decimal point are dropped, zero is "0". Non-finite values are "NAN",
// "INF" and "-INF".
std::string FormatGeneral(double value, int digits);

// A point of an experimental spectrum: fixed point with at most
// `significant` significant digits and exactly `decimals` decimals, padded
// with zeros (0.123456 -> "0.1235", 123.456789 -> "123.4600" for 5 and 4).
// A value whose integer part has more than `significant` digits falls back
// to FormatGeneral(value, significant).
std::string FormatFixedSignificant(double value, int significant, int decimals);

}  // namespace korvel
