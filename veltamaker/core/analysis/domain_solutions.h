#pragma once
// Domain solutions: the groups of the slices are followed from the densest
// slice (5) down to the widest (1). A group that matches a confirmed
// solution moves that solution down to itself; one that matches a
// candidate of a higher slice confirms it; others become candidates.
// Candidates that are not confirmed in the next lower slice go to the trash,
// and the groups of slice 1 that match nothing are confirmed as they are.
#include <string>
#include <vector>

#include "analysis/analysis_state.h"

namespace velta {

// Rebuilds the candidate, CondensedSolutions and trash lists. Throws
// VeltaError when a list would pass 200 entries.
void BuildDomainSolutions(AnalysisState& state);

// The group an entry stands for.
const SliceGroup& GroupOf(const AnalysisState& state, const SolutionEntry& entry);

// The table lines of the analysis output, with the solutions ordered by
// their first mean (the list is reordered in place). after_wc = false:
// "Solutions within domains:", all solutions with their weights, then the
// trash; true: "Solution after weight correction:", the solutions of slice 1
// with their corrected weights.
std::vector<std::string> SolutionTable(AnalysisState& state, bool after_wc);

}  // namespace velta
