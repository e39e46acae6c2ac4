#pragma once
// Rounding rules shared by both programs: "round" goes to the nearest integer
// with halves to even, "trunc" drops the fraction toward zero.
#include <cstdint>

namespace common {

// Nearest integer as a double, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double x);

// RoundHalfEven as a 64-bit integer. The caller keeps x within range.
std::int64_t RoundToInt(double x);

// Fraction dropped toward zero, as an integer.
std::int64_t TruncToInt(double x);

}  // namespace common
