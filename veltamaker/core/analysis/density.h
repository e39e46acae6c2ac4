#pragma once
// Density filtering: every point gets the Gaussian kernel density of the
// other points around it, weighted by their chi-square weights, and a
// density threshold is chosen so that the share DensityLevel of the total
// weight lies above it (the level is corrected to the share actually kept).
#include "analysis/analysis_state.h"

namespace velta {

// Runs on the points, ActiveSigma, MinDensity and DensityLevel of the state.
// The squared kernel distance of two points is summed over the dimensions
// in units of AxisRange x ActiveSigma (64-bit), and each point's kernel is
// widened by SpreadFactor of its weight over the weight sigma; densities are
// accumulated in 32 bits. Throws VeltaError when a kernel width is not
// positive, when the solutions carry no weight, or when the threshold
// density is 0 (no two solutions lie near each other).
void DensityFiltering(AnalysisState& state);

}  // namespace velta
