#pragma once
// Chi-square statistics of the points: axis ranges, the best chi-square
// (points are rescaled when it is below 1), the spread Chi2Sigma (the
// chi-square at 40 % of the points in chi-square order above the best), and
// each point's weight exp(-(chi2 - min)^2 / (2 sigma^2)).
#include "analysis/analysis_state.h"

namespace velta {

// Throws VeltaError when the best chi-square is not positive (rescaling
// would divide by it).
void ChiSquareStatistics(AnalysisState& state);

}  // namespace velta
