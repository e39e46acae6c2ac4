#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis/analysis_settings.h"
#include "analysis/domain_solutions.h"
#include "common/text_file.h"
#include "mtp_fixture.h"
#include "pipeline/pipeline.h"
#include "popfile/pop_file.h"
#include "run_set_generator.h"
#include "temp_folder.h"
#include "velta_error.h"

namespace velta {
namespace {

class LoadPipeline : public ::testing::Test {
 protected:
  std::string RunFolder() const { return JoinPath(folder_.Path(), "proj_POP"); }
  std::string WriteTwoClusters() {
    std::filesystem::create_directories(RunFolder());
    return velta::testing::WriteRunSet(RunFolder(), velta::testing::TwoMemClusters());
  }
  velta::testing::TempFolder folder_{"project"};
  Session session_;
  Notes notes_;
};

TEST_F(LoadPipeline, FindsBothGeneratedMemClustersInSliceOneWithTheirWeights) {
  const auto plan = velta::testing::TwoMemClusters();
  LoadAndAnalyse(session_, WriteTwoClusters(), std::nullopt, notes_);
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
    const auto& truth = plan.clusters[c];
    EXPECT_NEAR(slice1[c]->Weight, truth.weight, 0.03) << c;
    EXPECT_NEAR(slice1[c]->Mean[1], truth.S, 0.02);
    EXPECT_NEAR(slice1[c]->Mean[2], truth.tc, 0.06);
    EXPECT_NEAR(slice1[c]->Mean[3], truth.W, 0.08);
  }
  EXPECT_EQ(state.Plot.FilledSlots, 5);
}

TEST_F(LoadPipeline, ReadsTheReferenceAndWritesTheStatisticsFilesAndTheReport) {
  folder_.Write("proj.mtp", velta::testing::ReferenceMtp("proj.dat", " 1.234 (S/N= 100)"));
  folder_.Write("proj.dat", "spectrum");
  LoadAndAnalyse(session_, WriteTwoClusters(), std::nullopt, notes_);
  EXPECT_TRUE(notes_.empty());
  const auto& lines = session_.ReportLines;
  EXPECT_EQ(lines[1], "VELTA Analysis report:");
  EXPECT_EQ(lines[2], "MTP reference file:" + folder_.File("proj.mtp"));
  EXPECT_EQ(lines[3], "Spectrum file name: proj.dat");
  EXPECT_EQ(lines[4], "Signal/Noice ratio: 100");
  EXPECT_EQ(lines[6], "Minimum density: 3");
  EXPECT_EQ(lines[7], "Sigma multiplication factor: 1.5");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(session_.Memo[0], "VELTA Analysis report:");
  EXPECT_EQ(session_.Memo[12], "Solutions within domains:");

  const std::string base = JoinPath(RunFolder(), "Runs_10");
  EXPECT_EQ(session_.Names.Caption, base + ".pop");
  EXPECT_EQ(common::ReadTextLines(base + "_chi.txt").size(), 16u);
  EXPECT_EQ(common::ReadTextLines(base + "_runs.txt").size(), 10u);
  EXPECT_TRUE(std::filesystem::exists(JoinPath(RunFolder(), "bestF200_10.pop")));

  const std::string path = SaveReport(session_, "2024-05-06 07:08:09");
  EXPECT_EQ(path, JoinPath(RunFolder(), "VELTAlog.txt"));
  const std::string text = common::ReadFileBytes(path);
  const std::string end = "\r\n\r\nAnalysis was done: 2024-05-06 07:08:09\r\n";
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST_F(LoadPipeline, RefusesSolutionsOfAnotherTypeNamingTheTypesAndKeepsTheLastAnalysis) {
  const std::string first = WriteTwoClusters();
  LoadAndAnalyse(session_, first, std::nullopt, notes_);
  const std::vector<std::string> memo = session_.Memo;
  const std::string iso_folder = JoinPath(folder_.Path(), "iso_POP");
  std::filesystem::create_directories(iso_folder);
  SolutionRecord r;
  r.Fitness = 1.5f;
  r.DomainCount = 1;
  r.Domains[1].TypeCode = 1;
  r.Domains[1].Params[6] = 1;
  common::CrLfText out;
  WriteRecordLine(out, r);
  common::WriteFileAtomically(JoinPath(iso_folder, "res001.pop"), out.str());
  try {
    LoadAndAnalyse(session_, JoinPath(iso_folder, "res001.pop"), std::nullopt, notes_);
    FAIL();
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("types found: iso"), std::string::npos) << e.what();
  }
  EXPECT_EQ(session_.Memo, memo);
  EXPECT_EQ(session_.State->PointCount, 400);
  EXPECT_EQ(session_.Batch->RunDir, RunFolder());
}

TEST_F(LoadPipeline, NotesSolutionsThatMixTypes) {
  auto plan = velta::testing::TwoMemClusters();
  std::filesystem::create_directories(RunFolder());
  common::CrLfText out;
  for (SolutionRecord r : velta::testing::GenerateRun(plan, 1)) {
    r.Domains[1].TypeCode = 1;  // an iso domain before the mem one
    WriteRecordLine(out, r);
  }
  common::WriteFileAtomically(JoinPath(RunFolder(), "res001.pop"), out.str());
  LoadAndAnalyse(session_, JoinPath(RunFolder(), "res001.pop"), std::nullopt, notes_);
  EXPECT_TRUE(std::any_of(notes_.begin(), notes_.end(),
                          [](const std::string& n) { return n.find("mix domain types (iso, mem)") != std::string::npos; }));
  EXPECT_EQ(session_.State->Class, 1);
}

TEST_F(LoadPipeline, RefreshAndDensMinRecomputeWithTheCurrentSettings) {
  EXPECT_THROW(RefreshAnalysis(session_), VeltaError);
  LoadAndAnalyse(session_, WriteTwoClusters(), std::nullopt, notes_);
  const int position = session_.State->ThresholdPosition;
  SetDensityLevelPosition(*session_.State, 50);
  RefreshAnalysis(session_);
  EXPECT_GT(session_.State->ThresholdPosition, position);
  EXPECT_EQ(session_.Memo[0], "VELTA Analysis report:");

  const std::size_t lines = session_.Memo.size();
  EXPECT_THROW(EnterDensMin(session_, "abc"), VeltaError);
  EXPECT_EQ(session_.Memo.size(), lines);
  EnterDensMin(session_, "80");
  EXPECT_GT(session_.Memo.size(), lines);
  EXPECT_EQ(session_.ReportLines[6], "Minimum density: 80");
  EXPECT_GT(session_.State->ThresholdDensity, 80);
}

}  // namespace
}  // namespace velta
