#pragma once
// Scratch of the line shapes and of iso/trp.
#include <array>
#include <cstdint>

namespace korvel {

struct LineTable {
  int N = 0;                          // entries 1..N in h[1..N]
  std::array<double, 1025> h{};       // h[0] unused
};

struct IsotropicScratch {
  std::array<LineTable, 3> lines;  // one per nitrogen line (m = +1, 0, -1)
  // trp multiplicities: 5 groups x 15 rows x 150 entries.
  std::array<std::array<std::array<std::int64_t, 151>, 16>, 5> rows{};
  // trp stick list of the last call: fractional point position, intensity.
  int stick_count = 0;
  std::array<double, 1025> stick_pos{};
  std::array<double, 1025> stick_int{};
};

}  // namespace korvel
