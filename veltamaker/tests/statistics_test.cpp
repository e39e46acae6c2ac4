#include <gtest/gtest.h>

#include "analysis/chi_square.h"
#include "analysis_fixture.h"
#include "common/text_file.h"
#include "statistics/statistics.h"

namespace velta {
namespace {

using velta::testing::MemState;

TEST(Chi2Histogram, CountsFromTheMinimumAndLeavesOutPointsAtThreePointTwoSigma) {
  // Chi2Sigma = 2.25 - 1 (the 2nd of 5 in order), so 5.0 lies exactly
  // 3.2 sigma above the minimum.
  auto state = MemState({{0.3, 1, 2, 1, 1, 1.0f}, {0.3, 1, 2, 1, 1, 2.25f}, {0.3, 1, 2, 1, 1, 2.25f},
                         {0.3, 1, 2, 1, 1, 4.99f}, {0.3, 1, 2, 1, 1, 5.0f}});
  ChiSquareStatistics(*state);
  ASSERT_EQ(state->Chi2Sigma, 1.25);
  ComputeHistogram(*state);
  const Chi2Histogram& h = state->Histogram;
  EXPECT_EQ(h.Count[0], 1);
  EXPECT_EQ(h.Count[5], 2);
  EXPECT_EQ(h.Count[15], 1);
  int total = 0;
  for (int c : h.Count) total += c;
  EXPECT_EQ(total, 4);  // 5.0 falls into bin 16, which is not counted
  const auto lines = common::SplitLines(Chi2FileText(*state));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "0.10 1");
  EXPECT_EQ(lines[3], "0.70 0");
  EXPECT_EQ(lines[5], "1.10 2");
  EXPECT_EQ(lines[15], "3.10 1");
  EXPECT_EQ(Chi2FileText(*state).substr(0, 8), "0.10 1\r\n");
}

// A sorted batch of distinct mem records from run files with the given
// numbers of records.
RecordBatch BatchWithRuns(const std::vector<int>& per_run) {
  RecordBatch batch;
  batch.Reset();
  int k = 0;
  for (std::size_t r = 0; r < per_run.size(); ++r) {
    for (int i = 0; i < per_run[r]; ++i) {
      SolutionRecord rec;
      rec.Fitness = 1.0f + 0.001f * static_cast<float>(k++);
      rec.DomainCount = 1;
      rec.RunIndex = static_cast<int>(r) + 1;
      rec.Domains[1].TypeCode = 2;
      rec.Domains[1].Params[1] = 0.001 * k;
      batch.Records.push_back(rec);
    }
  }
  batch.RunFileCount = static_cast<int>(per_run.size());
  SortBatch(batch);
  return batch;
}

TEST(RunsContribution, SevenFlatRunsOfTenGiveSeventyPercent) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  ComputeRunsContribution(*state, BatchWithRuns({20, 20, 20, 20, 20, 20, 20, 10, 25, 25}));
  EXPECT_EQ(state->Runs.Mean, 20.0f);
  EXPECT_EQ(state->Runs.FlatRuns, 7);
  EXPECT_EQ(RunsFlatnessLine(*state), "Runs flatness: 70 %");
  EXPECT_EQ(state->Runs.Min, 10);
  EXPECT_EQ(state->Runs.Max, 25);
  EXPECT_EQ(RunsContributionLine(*state), std::string("Runs contribution: 20 ") + '\xB1' + " 3.9 (Min=10 Max=25)");
  EXPECT_EQ(common::SplitLines(RunsFileText(*state)).size(), 10u);
  EXPECT_EQ(RunsFileText(*state).substr(0, 4), "20\r\n");
}

TEST(RunsContribution, EqualRunsAreFlatWithoutDeviationAndOnlyTheBestTwoHundredCount) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  // 300 records in 4 runs, the best 200 come 50 from each run.
  RecordBatch batch;
  batch.Reset();
  for (int i = 0; i < 300; ++i) {
    SolutionRecord rec;
    rec.Fitness = 1.0f + 0.01f * static_cast<float>(i);
    rec.DomainCount = 1;
    rec.RunIndex = 1 + i % 4;
    rec.Domains[1].TypeCode = 2;
    rec.Domains[1].Params[1] = 0.001 * i;
    batch.Records.push_back(rec);
  }
  batch.RunFileCount = 4;
  SortBatch(batch);
  ComputeRunsContribution(*state, batch);
  EXPECT_EQ(state->Runs.Counted, 200);
  EXPECT_EQ(state->Runs.Deviation, 0.0f);
  EXPECT_EQ(state->Runs.Flatness, 100);
  EXPECT_EQ(state->Runs.Contribution[3], 50);
}

TEST(RunsContribution, MeasuresFlatnessOverTheRecordsActuallyCounted) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  ComputeRunsContribution(*state, BatchWithRuns({15, 15, 15, 15}));
  EXPECT_EQ(state->Runs.Counted, 60);
  EXPECT_EQ(state->Runs.Mean, 15.0f);
  EXPECT_EQ(state->Runs.Flatness, 100);
}

}  // namespace
}  // namespace velta
