#pragma once
// Building the component points: every domain of each of the best solutions
// becomes one point of the analysis.
#include <string>
#include <vector>

#include "analysis/analysis_state.h"
#include "records/record_batch.h"
#include "runset/run_set_paths.h"

namespace velta {

using Notes = std::vector<std::string>;

// Takes the first `solution_count` records in fitness order (repeats
// included; fewer when the batch holds fewer) and appends one point per
// domain. The class of the analysis is that of the last domain taken; when
// the domains mix classes a note names the types. Throws VeltaError for a
// batch without records, more than 3000 points, or a class of 0 (the
// message names the types found). The batch must be sorted.
void BuildPoints(AnalysisState& state, const RecordBatch& batch, Notes& notes,
                 int solution_count = kSaveCount);

// Colour of a point of class `model_class` (red in the low byte): each of
// tc, W and Pa maps over its axis range to v in 0..255 (values outside the
// range are held at its ends) and shows as Round(255 - ((255 - v) / 16)^2).
// Points of a type that no class takes are mid grey.
std::uint32_t BrightColour(const ComponentPoint& point, ModelClass model_class);

// Bubble radius unit of chart k = 1..ChartCount: 0.0025 x AxisRange[k] x 7.
void ComputeBubbleScale(AnalysisState& state);

}  // namespace velta
