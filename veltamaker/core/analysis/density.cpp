#include "analysis/density.h"

#include <cmath>

#include "common/rounding.h"
#include "records/quick_sort.h"
#include "report/general_format.h"
#include "velta_error.h"

namespace velta {
namespace {

void CheckKernelWidths(const AnalysisState& state) {
  for (int k = 0; k <= state.DimCount(); ++k)
    if (!(state.ActiveSigma[k] > 0))
      throw VeltaError("The kernel width of dimension " + std::to_string(k) + " is " +
                       GeneralFormat(state.ActiveSigma[k], 4) +
                       "; the sigma sliders and the multiplication factor must be above 0");
}

// The pair sums. Each unordered pair is visited once and adds to both
// points; a point does not add to itself. The sums run in a fixed order
// (pairs (a, b) with a < b, by a then b) and are rounded to 32 bits after
// every addition, so that densities do not depend on how the loop is built.
void KernelDensities(AnalysisState& state) {
  const int n = state.PointCount;
  const int dims = state.DimCount();
  std::array<double, kMaxDims> scale{};
  for (int k = 0; k < dims; ++k) scale[k] = state.AxisRange[k] * state.ActiveSigma[k];
  for (int m = 1; m <= n; ++m) {
    for (int k = 0; k < dims; ++k) state.ScaledParams[m][k] = state.Coordinate(m, k) / scale[k];
    const double spread = SpreadFactor(state.Points[m].Weight / state.ActiveSigma[dims]);
    state.PointFactor[m] = -0.5 / (dims * spread * spread);
    state.WorkWeight[m] = state.Points[m].Chi2Weight;
    state.WorkDensity[m] = 0;
  }
  const double* q = state.ScaledParams[1].data();
  const double* factor = &state.PointFactor[1];
  const float* weight = &state.WorkWeight[1];
  float* density = &state.WorkDensity[1];
  constexpr int stride = kMaxDims;
  for (int a = 0; a < n - 1; ++a) {
    const double* qa = q + a * stride;
    const double factor_a = factor[a];
    const double weight_a = weight[a];
    float sum_a = density[a];
    for (int b = a + 1; b < n; ++b) {
      const double* qb = q + b * stride;
      double s = 0;
      for (int k = 0; k < dims; ++k) {
        const double d = qa[k] - qb[k];
        s += d * d;
      }
      sum_a = static_cast<float>(sum_a + weight[b] * std::exp(s * factor[b]));
      density[b] = static_cast<float>(density[b] + weight_a * std::exp(s * factor_a));
    }
    density[a] = sum_a;
  }
  for (int m = 1; m <= n; ++m) state.Points[m].Density = state.WorkDensity[m];
}

}  // namespace

void DensityFiltering(AnalysisState& state) {
  CheckKernelWidths(state);
  const int n = state.PointCount;
  KernelDensities(state);

  state.MaxDensity = 0;
  for (int m = 1; m <= n; ++m) state.MaxDensity = std::max<double>(state.MaxDensity, state.Points[m].Density);

  for (int m = 1; m <= n; ++m) state.AxisOrder[m] = m;
  QuickSort(state.AxisOrder, 1, n, [&](std::int32_t m) { return state.Coordinate(m, 0); });

  double total = 0;
  for (int m = 1; m <= n; ++m) {
    ComponentPoint& p = state.Points[m];
    p.WeightedShare = static_cast<float>(static_cast<double>(p.Chi2Weight) * p.Weight);
    total += p.WeightedShare;
  }
  if (!(total > 0))
    throw VeltaError("The analysed solutions carry no weight: every domain weight d is 0");

  for (int m = 1; m <= n; ++m) state.DensityOrder[m] = m;
  QuickSort(state.DensityOrder, 1, n, [&](std::int32_t m) { return state.Points[m].Density; });

  // Drop the least dense points until the weight below the threshold
  // reaches 1 - DensityLevel of the total and the threshold point is denser
  // than MinDensity; never beyond the densest point.
  AnalysisSettings& settings = state.Settings;
  const double drop = (1 - settings.DensityLevel) * total;
  double cum = 0;
  int pos = 1;
  while (pos < n && (cum < drop || state.Points[state.DensityOrder[pos]].Density <= settings.MinDensity)) {
    cum += state.Points[state.DensityOrder[pos]].WeightedShare;
    ++pos;
  }
  if (cum > drop) {
    settings.LevelPosition = static_cast<int>(common::RoundToInt(100 * (1 - cum / total)));
    settings.DensityLevel = settings.LevelPosition / 100.0;
  }
  state.ThresholdDensity = state.Points[state.DensityOrder[pos]].Density;
  state.ThresholdPosition = pos;
  if (!(state.ThresholdDensity > 0))
    throw VeltaError("The threshold density is 0: no two of the analysed solutions lie within the kernel widths");

  state.KeptShareSum = 0;
  for (int m = 1; m <= n; ++m) {
    ComponentPoint& p = state.Points[m];
    const double ratio = state.ThresholdDensity / p.Density;
    p.Membership = static_cast<float>(std::exp(-0.5 * ratio * ratio));
    // A point without neighbours (density 0) carries no share.
    p.WeightedShare = p.Density > 0 ? static_cast<float>(static_cast<double>(p.Chi2Weight) * p.Weight / p.Density) : 0.0f;
  }
  for (int i = pos; i <= n; ++i) state.KeptShareSum += state.Points[state.DensityOrder[i]].WeightedShare;
}

}  // namespace velta
