#include "engine/stick_histogram.h"

namespace korvel {

void ClearHistograms(LineHistograms& h) {
  for (Histogram1024& line : h.line) line.fill(0.0);
}

void DrawHistogram(const Histogram1024& h, double w, double cG, LineTable& table, Spectrum1024& target) {
  int first = 0, last = 0;
  double sum = 0;
  for (int p = 1; p <= kPoints; ++p) {
    const double b = h[static_cast<std::size_t>(p)];
    sum += b;
    if (b != 0) {
      if (first == 0) first = p;
      last = p;
    }
  }
  if (first == 0 || sum == 0) return;
  DerivativeShape(w, 1.0, cG, table);
  if (table.N <= 0) return;
  const double w2 = w * w;
  for (int p = first; p <= last; ++p) {
    const double b = h[static_cast<std::size_t>(p)];
    if (b != 0) DrawStick(target, p, b / sum / w2, table);
  }
}

void DrawLineHistograms(const LineHistograms& h, const LineWidths& w, double cG,
                        std::array<LineTable, 3>& tables, Spectrum1024& target) {
  const double widths[3] = {w.plus, w.zero, w.minus};
  for (int m = 0; m < 3; ++m)
    DrawHistogram(h.line[static_cast<std::size_t>(m)], widths[m], cG, tables[static_cast<std::size_t>(m)],
                  target);
}

}  // namespace korvel
