#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis/domain_solutions.h"
#include "common/text_file.h"
#include "pipeline/pipeline.h"
#include "run_set_generator.h"
#include "temp_folder.h"
#include "velta_error.h"

namespace velta {
namespace {

class LoadPipeline : public ::testing::Test {
 protected:
  velta::testing::TempFolder folder_{"two_POP"};
  Session session_;
  Notes notes_;
};

TEST_F(LoadPipeline, FindsBothGeneratedMemClustersInSliceOneWithTheirWeights) {
  const auto spec = velta::testing::TwoMemClusters();
  const std::string first = velta::testing::WriteRunSet(folder_.Path(), spec);
  LoadAndAnalyse(session_, first, std::nullopt, notes_);
  const AnalysisState& state = *session_.State;
  EXPECT_EQ(state.PointCount, 400);
  EXPECT_EQ(state.Class, 1);
  std::vector<const SliceGroup*> slice1;
  for (int e = 1; e <= state.CondensedSolutions.Count; ++e)
    if (state.CondensedSolutions.Entries[e].Slice == 1)
      slice1.push_back(&GroupOf(state, state.CondensedSolutions.Entries[e]));
  ASSERT_EQ(slice1.size(), 2u);
  std::sort(slice1.begin(), slice1.end(), [](auto a, auto b) { return a->Mean[1] < b->Mean[1]; });
  for (std::size_t c = 0; c < 2; ++c) {
    const auto& truth = spec.clusters[c];
    EXPECT_NEAR(slice1[c]->Weight, truth.weight, 0.03) << c;
    EXPECT_NEAR(slice1[c]->Mean[1], truth.S, 0.02);
    EXPECT_NEAR(slice1[c]->Mean[2], truth.tc, 0.06);
    EXPECT_NEAR(slice1[c]->Mean[3], truth.W, 0.08);
  }
  for (const auto& line : session_.Memo) std::cout << line << "\n";
  for (const auto& line : notes_) std::cout << "NOTE " << line << "\n";
}

}  // namespace
}  // namespace velta
