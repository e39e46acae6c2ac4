#include "analysis/chi_square.h"

#include <cmath>

#include "common/rounding.h"
#include "records/quick_sort.h"
#include "report/general_format.h"
#include "velta_error.h"

namespace velta {

void ChiSquareStatistics(AnalysisState& state) {
  const ClassTable& table = state.Table();
  const int n = state.PointCount;
  for (int k = 0; k <= table.DimCount; ++k) state.AxisRange[k] = table.AxisMax[k] - table.AxisMin[k];

  float best = state.Points[1].Chi2;
  for (int m = 2; m <= n; ++m) best = std::min(best, state.Points[m].Chi2);
  if (!(best > 0))
    throw VeltaError("The best chi-square of the solutions is " + GeneralFormat(best, 4) +
                     "; the analysis needs positive chi-squares");
  state.Chi2Min = best;
  // Fits better than the noise (chi-square below 1) are measured relative
  // to the best one.
  if (state.Chi2Min < 1) {
    for (int m = 1; m <= n; ++m) state.Points[m].Chi2 /= best;
    state.Chi2Min = 1;
  }

  for (int m = 1; m <= n; ++m) state.Chi2Order[m] = m;
  QuickSort(state.Chi2Order, 1, n, [&](std::int32_t m) { return state.Points[m].Chi2; });
  // At least the first point, so that a single point has a defined spread.
  const int q = std::max<int>(1, static_cast<int>(common::RoundToInt(0.4 * n)));
  state.Chi2Sigma = state.Points[state.Chi2Order[q]].Chi2 - state.Chi2Min;
  if (state.Chi2Sigma == 0) state.Chi2Sigma = 1;
  state.Chi2MinText = GeneralFormat(state.Chi2Min, 4);
  state.Chi2SigmaText = GeneralFormat(state.Chi2Sigma, 4);

  const double two_sigma2 = 2 * state.Chi2Sigma * state.Chi2Sigma;
  for (int m = 1; m <= n; ++m) {
    const double d = state.Points[m].Chi2 - state.Chi2Min;
    state.Points[m].Chi2Weight = static_cast<float>(std::exp(-d * d / two_sigma2));
  }
}

}  // namespace velta
