#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "popfile/pop_file.h"
#include "runset/run_set.h"
#include "temp_folder.h"
#include "velta_error.h"

namespace velta {
namespace {

TEST(RunSetPaths, FollowTheRunFolderOfASpectralFile) {
  const RunSetPattern pattern = PatternOf("/data/abc_POP/res012.pop");
  EXPECT_EQ(pattern.folder, "/data/abc_POP");
  EXPECT_EQ(pattern.prefix, "res");
  EXPECT_EQ(pattern.extension, ".pop");
  EXPECT_EQ(PatternText(pattern), "/data/abc_POP/res*.pop");
  EXPECT_EQ(SpectrumStemOf(pattern.folder), "abc");
  EXPECT_EQ(ProjectDirOf(pattern.folder), "/data");
  EXPECT_EQ(BestFileName(12), "bestF200_12.pop");
  EXPECT_EQ(RunSetCaption(pattern.folder, 12), "/data/abc_POP/Runs_12.pop");
  EXPECT_EQ(RunsHistGraphFileName(12), "RunsHist_12.emf");
}

TEST(RunSetPaths, NameTheFilesBeforeTheFirstLoading) {
  EXPECT_EQ(BestFileName(-1), "bestF200.pop");
  EXPECT_EQ(BestFileName(0), "bestF200.pop");
  EXPECT_EQ(RunsHistGraphFileName(-1), "histogram.wmf");
}

TEST(RunSetPaths, ShortNamesGiveAnEmptyPrefixThatMatchesEveryFileOfTheExtension) {
  const RunSetPattern pattern = PatternOf("/data/x/a.pop");
  EXPECT_EQ(pattern.prefix, "");
  EXPECT_TRUE(MatchesPattern(pattern, "bestF200_12.pop"));
  EXPECT_FALSE(MatchesPattern(pattern, "notes.txt"));
  EXPECT_FALSE(MatchesPattern(PatternOf("/d/res007.pop"), "bestF200_12.pop"));
  EXPECT_TRUE(MatchesPattern(PatternOf("/d/res007.pop"), "res1000.pop"));
}

TEST(RunSetPaths, ShortRunFolderNamesHaveNoStemButTheirParentIsTheProjectFolder) {
  EXPECT_EQ(SpectrumStemOf("/data/runs"), "");
  EXPECT_EQ(ProjectDirOf("/data/runs"), "/data");
  EXPECT_EQ(ProjectDirOf("/data/ab"), "/data");
  EXPECT_EQ(SpectrumStemOf("/data/abcde"), "a");
}

TEST(RunSetPaths, OutputBaseNameCutsAtTheFirstDotOfTheFileNameOnly) {
  EXPECT_EQ(OutputBaseName("/home/u/.local/data.v2/abc_POP/Runs_12.pop"),
            "/home/u/.local/data.v2/abc_POP/Runs_12");
  EXPECT_EQ(OutputBaseName("/data/projRuns/Runs_12.pop"), "/data/projRuns/Runs_12");
}

SolutionRecord Mem(float fitness, double tc, double d = 1.0) {
  SolutionRecord r;
  r.Fitness = fitness;
  r.DomainCount = 1;
  r.Domains[1].TypeCode = 2;
  const double params[] = {0.5, tc, 2.0, 1.0, 0, d};
  for (int j = 1; j <= 6; ++j) r.Domains[1].Params[j] = params[j - 1];
  return r;
}

std::string Lines(const std::vector<SolutionRecord>& records) {
  common::CrLfText out;
  for (const auto& r : records) WriteRecordLine(out, r);
  return out.str();
}

class RunSetLoading : public ::testing::Test {
 protected:
  velta::testing::TempFolder folder_{"abc_POP"};
  RecordBatch batch_;
  RunSetNames names_;
};

TEST_F(RunSetLoading, ReadsTheMatchingFilesInNameOrderAndWritesTheBestFile) {
  folder_.Write("res002.pop", Lines({Mem(2.0f, 1.0), Mem(1.0f, 1.1)}));
  folder_.Write("res001.pop", Lines({Mem(3.0f, 1.2)}));
  folder_.Write("res003.pop", Lines({Mem(1.5f, 1.3), Mem(1.5f, 1.3, 0.5)}));
  folder_.Write("bestF200_2.pop", Lines({Mem(0.1f, 9.9)}));
  folder_.Write("notes.txt", "x");
  std::filesystem::create_directory(folder_.File("res_dir.pop"));

  LoadRunSet(batch_, names_, folder_.File("res002.pop"));
  EXPECT_EQ(batch_.RunFileCount, 3);
  ASSERT_EQ(batch_.RecordCount(), 4);
  EXPECT_EQ(batch_.Record(1).RunIndex, 1);  // res001
  EXPECT_EQ(batch_.Record(1).Fitness, 3.0f);
  EXPECT_EQ(batch_.SpectrumStem, "abc");
  EXPECT_EQ(batch_.ProjectDir, folder_.Root());
  EXPECT_EQ(batch_.RunDir, folder_.Path());
  EXPECT_EQ(names_.BestFileName, "bestF200_3.pop");
  EXPECT_EQ(names_.Caption, folder_.File("Runs_3.pop"));
  EXPECT_EQ(common::ReadFileBytes(folder_.File("bestF200_3.pop")),
            Lines({Mem(1.0f, 1.1), Mem(1.5f, 1.3), Mem(2.0f, 1.0), Mem(3.0f, 1.2)}));
}

TEST_F(RunSetLoading, BestFileSkipsRepeatsThatFollowEachOtherInFitnessOrder) {
  // Equal fitness, differing in a parameter: both written; differing only in
  // the weight and sorted next to each other: written once.
  folder_.Write("res001.pop", Lines({Mem(1.0f, 1.0, 0.3), Mem(2.0f, 1.0)}));
  folder_.Write("res002.pop", Lines({Mem(1.0f, 1.0, 0.6)}));
  LoadRunSet(batch_, names_, folder_.File("res001.pop"));
  EXPECT_EQ(common::SplitLines(common::ReadFileBytes(folder_.File("bestF200_2.pop"))).size(), 2u);
  const std::string other = RecordLine(Mem(1.0f, 1.5));
  folder_.Write("res003.pop", other + "\r\n");
  LoadRunSet(batch_, names_, folder_.File("res001.pop"));
  const auto lines = common::SplitLines(common::ReadFileBytes(folder_.File("bestF200_3.pop")));
  EXPECT_GE(lines.size(), 3u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), other), lines.end());
}

TEST_F(RunSetLoading, BestFileHoldsAtMostTwoHundredDistinctSolutions) {
  std::vector<SolutionRecord> few, many;
  for (int i = 0; i < 150; ++i) few.push_back(Mem(1.0f + 0.01f * static_cast<float>(i), 0.01 * i));
  folder_.Write("res001.pop", Lines(few));
  LoadRunSet(batch_, names_, folder_.File("res001.pop"));
  EXPECT_EQ(common::SplitLines(common::ReadFileBytes(folder_.File("bestF200_1.pop"))).size(), 150u);
  for (int i = 0; i < 300; ++i) many.push_back(Mem(1.0f + 0.01f * static_cast<float>(i), 0.02 * i));
  folder_.Write("res002.pop", Lines(many));
  LoadRunSet(batch_, names_, folder_.File("res001.pop"));
  EXPECT_EQ(common::SplitLines(common::ReadFileBytes(folder_.File("bestF200_2.pop"))).size(), 200u);
}

TEST_F(RunSetLoading, AFailedLoadingKeepsThePreviousRunSet) {
  folder_.Write("res001.pop", Lines({Mem(1.0f, 1.0)}));
  LoadRunSet(batch_, names_, folder_.File("res001.pop"));
  folder_.Write("res002.pop", "1.0 1 mem 0.5 x\r\n");
  EXPECT_THROW(LoadRunSet(batch_, names_, folder_.File("res001.pop")), VeltaError);
  EXPECT_EQ(batch_.RunFileCount, 1);
  EXPECT_EQ(batch_.RecordCount(), 1);
  EXPECT_EQ(names_.BestFileName, "bestF200_1.pop");
  EXPECT_FALSE(std::filesystem::exists(folder_.File("bestF200_2.pop")));
}

TEST_F(RunSetLoading, RefusesMoreThanTwoHundredRunFiles) {
  for (int i = 1; i <= 201; ++i) folder_.Write("res" + std::string(i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i) + ".pop", "");
  try {
    LoadRunSet(batch_, names_, folder_.File("res001.pop"));
    FAIL();
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("at most 200 run files"), std::string::npos) << e.what();
  }
  EXPECT_EQ(batch_.RunFileCount, -1);
}

}  // namespace
}  // namespace velta
