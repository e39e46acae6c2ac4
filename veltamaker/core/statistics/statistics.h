#pragma once
// The two statistics of an analysis: the distribution of chi-square over
// the points (16 bins of 0.2 Chi2Sigma from the minimum; beyond 3.2 sigma
// nothing is counted) and the contribution of each run file to the best
// solutions (a flat contribution tells that the runs agree).
#include <string>

#include "analysis/analysis_state.h"
#include "records/record_batch.h"
#include "runset/run_set_paths.h"

namespace velta {

// Bin b = Trunc((Chi2 - Chi2Min) x 15 / (3 Chi2Sigma)), counted when b <= 15.
void ComputeHistogram(AnalysisState& state);

// Walks the batch in fitness order and counts the best `solution_count`
// distinct records (repeats of the record counted last are skipped; fewer
// when the batch holds fewer) per run file; then mean, deviation, extremes
// and the share of flat runs (Round(0.8 mean) <= count <= Round(1.2 mean)),
// the mean taken over the records actually counted.
void ComputeRunsContribution(AnalysisState& state, const RecordBatch& batch, int solution_count = kSaveCount);

// "Runs contribution: 20 ± 3.2 (Min=14 Max=27)" and "Runs flatness: 70 %".
std::string RunsContributionLine(const AnalysisState& state);
std::string RunsFlatnessLine(const AnalysisState& state);

// The "_chi.txt" text: 16 lines "x_i count" with x_i as 4:2, CR LF.
std::string Chi2FileText(const AnalysisState& state);

// The "_runs.txt" text: one count per run file, CR LF.
std::string RunsFileText(const AnalysisState& state);

}  // namespace velta
