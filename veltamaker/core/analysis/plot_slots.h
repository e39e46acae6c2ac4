#pragma once
// Choosing the solutions for plotting and weight correction, and splitting
// broad ones into several points along their signed deviations.
#include "analysis/analysis_state.h"

namespace velta {

// Orders CondensedSolutions by descending weight and chooses up to five of
// slice 1 (chosen 1 = heaviest). Each chosen solution i asks for
// n_i = 1 + the largest Trunc(|Deviation[k]| / ActiveSigma[k-1]) slots; from
// the lightest up, solution i takes t = Trunc(cum / total x 5) - used slots
// (at least 1; the heaviest takes what is left): its own slot i and t - 1 of
// the free slots np+1..5. A count that asks for more free slots than are
// left is cut to what is free, so no slot is used twice and none lies past
// slot 5. A split into t slots places the means at the solution's mean and
// at mean +- 0.5 and +- 1 deviation (2: +-1; 3: 0, +-1; 4: +-0.5, +-1;
// 5: 0, +-0.5, +-1), each with a t-th of the weight. With no solution in
// slice 1 the slots stay empty (FilledSlots 0).
void ChooseAndSplit(AnalysisState& state);

}  // namespace velta
