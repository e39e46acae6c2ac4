#include "statistics/statistics.h"

#include <cmath>

#include "common/fixed_format.h"
#include "common/rounding.h"
#include "common/text_file.h"
#include "report/general_format.h"

namespace velta {

void ComputeHistogram(AnalysisState& state) {
  Chi2Histogram& h = state.Histogram;
  for (int i = 0; i < kHistogramBins; ++i) {
    h.Centre[i] = static_cast<float>(0.1 + 3.0 * i / 15.0);
    h.Count[i] = 0;
  }
  for (int m = 1; m <= state.PointCount; ++m) {
    const auto b = common::TruncToInt((state.Points[m].Chi2 - state.Chi2Min) * 15 / (3 * state.Chi2Sigma));
    if (b >= 0 && b <= 15) ++h.Count[static_cast<std::size_t>(b)];
  }
}

void ComputeRunsContribution(AnalysisState& state, const RecordBatch& batch, int solution_count) {
  RunsSummary& runs = state.Runs;
  runs = RunsSummary{};
  runs.RunCount = std::min(batch.RunFileCount, kMaxRunFiles);
  int last = 0;
  for (int i = 1; i <= batch.RecordCount() && runs.Counted < solution_count; ++i) {
    const int k = batch.SortOrder[static_cast<std::size_t>(i - 1)];
    if (SameRecordFull(batch, k, last)) continue;
    ++runs.Contribution[batch.Record(k).RunIndex];
    ++runs.Counted;
    last = k;
  }
  if (runs.RunCount < 1) return;
  const float mean = static_cast<float>(runs.Counted) / static_cast<float>(runs.RunCount);
  runs.Mean = mean;
  const auto low = common::RoundToInt(0.8 * mean);
  const auto high = common::RoundToInt(1.2 * mean);
  runs.Min = runs.Max = runs.Contribution[1];
  double squares = 0;
  for (int r = 1; r <= runs.RunCount; ++r) {
    const int c = runs.Contribution[r];
    if (c >= low && c <= high) ++runs.FlatRuns;
    runs.Min = std::min(runs.Min, c);
    runs.Max = std::max(runs.Max, c);
    squares += (c - static_cast<double>(mean)) * (c - static_cast<double>(mean));
  }
  runs.Deviation = static_cast<float>(std::sqrt(squares / runs.RunCount));
  runs.Flatness = static_cast<std::int32_t>(common::RoundToInt(100.0 * runs.FlatRuns / runs.RunCount));
  runs.AxisMax = runs.Max >= 2 * mean ? runs.Max : static_cast<std::int32_t>(2 * mean);
}

std::string RunsContributionLine(const AnalysisState& state) {
  const RunsSummary& runs = state.Runs;
  return "Runs contribution: " + GeneralFormat(runs.Mean, 2) + " " + common::kPlusMinus + " " +
         GeneralFormat(runs.Deviation, 2) + " (Min=" + std::to_string(runs.Min) +
         " Max=" + std::to_string(runs.Max) + ")";
}

std::string RunsFlatnessLine(const AnalysisState& state) {
  return "Runs flatness: " + std::to_string(state.Runs.Flatness) + " %";
}

std::string Chi2FileText(const AnalysisState& state) {
  common::CrLfText out;
  for (int i = 0; i < kHistogramBins; ++i)
    out.Line(common::FormatFixed(state.Histogram.Centre[i], 4, 2) + " " +
             std::to_string(state.Histogram.Count[i]));
  return out.str();
}

std::string RunsFileText(const AnalysisState& state) {
  common::CrLfText out;
  for (int r = 1; r <= state.Runs.RunCount; ++r) out.Line(std::to_string(state.Runs.Contribution[r]));
  return out.str();
}

}  // namespace velta
