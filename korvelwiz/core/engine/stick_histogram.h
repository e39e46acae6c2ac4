#pragma once
// Stick histograms of the orientation-grid models (mes, psd, oms, obs):
// every orientation adds its weight at the point of each line's field, and
// each line's histogram is drawn as sticks of one Lorentzian shape.
#include "engine/constants.h"
#include "engine/line_shape.h"
#include "engine/scratch_restricted.h"
#include "engine/sim_buffers.h"

namespace korvel {

// Maps a field B [G] to its fractional position (B - (Bc - Sw/2)) / delta;
// the histogram point is that position rounded, plus 1 (one point higher
// than the mapping of the line positions of iso and mem).
struct PositionMap {
  double base = 0;   // Bc - Sw/2 [G]
  double delta = 1;  // point spacing [G]
  explicit PositionMap(const SpectrumConstants& s) : base(s.Bc - s.Sw / 2.0), delta(s.delta) {}
  double operator()(double B) const { return (B - base) / delta; }
};

// Nearest integer, halves to even, for |x| < 2^51 in the default rounding
// mode: adding and removing 1.5 * 2^52 leaves no fraction bits, so the
// hardware's round-to-nearest-even does the rounding. Larger |x| come back
// as large, which is all the range check after it needs.
inline double RoundPosition(double x) {
  constexpr double kShift = 6755399441055744.0;
  return (x + kShift) - kShift;
}

// Adds q at point round(u) + 1; points outside 1..1024 are not counted.
inline void AddToHistogram(Histogram1024& h, double u, double q) {
  const double r = RoundPosition(u);
  if (r >= 0.0 && r <= 1023.0) h[static_cast<std::size_t>(r) + 1] += q;
}

void ClearHistograms(LineHistograms& h);

// Draws one line's histogram: every bin between the first and the last
// non-zero one, divided by the sum of all bins and by w^2, becomes a stick
// of the Lorentzian derivative of half width w [points]. A histogram with
// no non-zero bin (or bins summing to zero), or a width too small for a
// table, draws nothing.
void DrawHistogram(const Histogram1024& h, double w, double cG, LineTable& table, Spectrum1024& target);

// The three lines (m = +1, 0, -1) with their widths.
void DrawLineHistograms(const LineHistograms& h, const LineWidths& w, double cG,
                        std::array<LineTable, 3>& tables, Spectrum1024& target);

}  // namespace korvel
