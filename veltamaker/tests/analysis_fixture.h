#pragma once
// Analysis states built point by point, for the steps of the analysis.
#include <memory>
#include <vector>

#include "analysis/analysis_state.h"

namespace velta::testing {

struct MemPoint {
  double S, tc, W, Pa, d;
  float chi2 = 2.0f;
};

// A mem analysis state with the given points and the default kernel
// widths at factor 1.7 (signal-to-noise 0).
inline std::unique_ptr<AnalysisState> MemState(const std::vector<MemPoint>& points) {
  auto state = std::make_unique<AnalysisState>();
  state->Class = 1;
  const ClassTable& table = ClassTables(1);
  state->PointCount = static_cast<int>(points.size());
  for (int m = 1; m <= state->PointCount; ++m) {
    const MemPoint& p = points[static_cast<std::size_t>(m - 1)];
    ComponentPoint& c = state->Points[m];
    c.Params[1] = p.S;
    c.Params[2] = p.tc;
    c.Params[3] = p.W;
    c.Params[4] = p.Pa;
    c.Params[6] = p.d;
    c.Weight = static_cast<float>(p.d);
    c.Chi2 = p.chi2;
    c.TypeCode = 2;
    c.DomainNumber = 1;
  }
  for (int k = 0; k <= table.DimCount; ++k) {
    state->AxisRange[k] = table.AxisMax[k] - table.AxisMin[k];
    state->ActiveSigma[k] = table.DefaultSigma[k] * 1.7;
  }
  state->Settings.SigmaFactor = 1.7;
  state->Settings.MinDensity = 1;
  return state;
}

}  // namespace velta::testing
