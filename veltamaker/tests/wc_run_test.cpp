#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/text_file.h"
#include "temp_folder.h"
#include "wc/weight_correction.h"
#include "wc_fixture.h"

namespace velta {
namespace {

using velta::testing::CrLf;

// A mem analysis of two solutions of slice 1: the heavier one split over
// slots 1, 3 and 4, the lighter one over slots 2 and 5.
class WcRun : public ::testing::Test {
 protected:
  void SetUp() override {
    AnalysisState& state = *session_.State;
    state.Class = 1;
    state.Slices[1].Groups[1].Weight = 0.6;
    state.Slices[1].Groups[2].Weight = 0.4;
    state.Slices[1].Groups[1].Mean[1] = 0.3;
    state.Slices[1].Groups[2].Mean[1] = 0.75;
    state.CondensedSolutions.Count = 2;
    state.CondensedSolutions.Entries[1] = {1, 1, 1};
    state.CondensedSolutions.Entries[2] = {1, 2, 2};
    PlotSolutions& plot = state.Plot;
    plot.ChosenCount = 2;
    plot.FilledSlots = 5;
    plot.ChosenEntry[1] = 1;
    plot.ChosenEntry[2] = 2;
    plot.SplitCount[1] = 3;
    plot.SlotsOf[1][1] = 1;
    plot.SlotsOf[1][2] = 3;
    plot.SlotsOf[1][3] = 4;
    plot.SplitCount[2] = 2;
    plot.SlotsOf[2][1] = 2;
    plot.SlotsOf[2][2] = 5;
    for (int i = 1; i <= 5; ++i) {
      plot.Slots[i] = state.Slices[1].Groups[i == 2 || i == 5 ? 2 : 1];
      plot.Slots[i].Mean[2] = plot.Slots[i].Mean[3] = plot.Slots[i].Mean[4] = 1.0;
      plot.Slots[i].Weight = 0.2;
    }
    session_.Batch->ProjectDir = folder_.Path();
    session_.Batch->SpectrumStem = "proj";
    session_.Reference.ReferenceMtp = folder_.Write(
        "proj.mtp", CrLf(velta::testing::WcHeaderLines()) +
                        CrLf(velta::testing::WcBlockLines(1, "proj.dat", {"1 2 mem 0.300 1.000 1.500 1.0000 1 1.000"},
                                                          " 1.234 (S/N= 45)")));
    session_.Reference.ReferenceFound = true;
    session_.Reference.SpectrumFound = true;
  }

  // A stand-in engine: logs its arguments, waits a little and puts the
  // result in place by renaming a temporary file, as korvelBBW does.
  std::string FakeEngine(const std::string& name, const std::string& result_text, int status = 0) {
    const std::string prepared = folder_.Write(name + ".result", result_text);
    const std::string script = folder_.Write(
        name, "#!/bin/sh\necho \"$@\"\np=\"${1#-p=}\"\nr=\"${p%.mtp}1.mtp\"\nsleep 0.2\n" +
                  (status == 0 ? "cp '" + prepared + "' \"$r.tmp\" && mv \"$r.tmp\" \"$r\"\n"
                               : "echo cannot fit >&2\nexit " + std::to_string(status) + "\n"));
    ::chmod(script.c_str(), 0755);
    return script;
  }

  WcPhase WaitForEngine() {
    for (int tick = 0; tick < 200; ++tick) {
      const WcPhase phase = PollWeightCorrection(session_, wc_, 50);
      if (phase != WcPhase::Waiting) return phase;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return wc_.Phase;
  }

  velta::testing::TempFolder folder_{"data"};
  Session session_;
  WeightCorrection wc_;
  Notes notes_;
};

constexpr const char* kResult =
    "Spectrum characteristics-1:\r\n1\r\nproj.dat\r\n3384.000 100.00 9.50000 0.000\r\n"
    "Domains - types, parameters, errors, switches, group number:\r\n5\r\n"
    "1 2 mem 0.300 1.000 1.000 1.0000 1.000000 0.100\r\n2 2 mem 0.750 1.000 1.000 1.0000 1.000000 0.400\r\n"
    "3 2 mem 0.300 1.000 1.000 1.0000 1.000000 0.150\r\n4 2 mem 0.300 1.000 1.000 1.0000 1.000000 0.050\r\n"
    "5 2 mem 0.750 1.000 1.000 1.0000 1.000000 0.300\r\n1\r\nHi2 (tip: 0):\r\n 1.23456 (S/N= 45)\r\n";

TEST_F(WcRun, AddsTheFittedWeightsOfTheSlotsOfEachChosenSolution) {
  WcResult result;
  result.Weights = {0.1, 0.4, 0.15, 0.05, 0.3};
  result.Fitness = 1.23456;
  session_.State->Slices[1].Groups[3].CorrectedWeight = 0.9;  // not chosen
  wc_.ChosenCount = 2;
  wc_.FilledSlots = 5;
  for (int i = 1; i <= 2; ++i) {
    wc_.ChosenSolutions[i] = {1, i, session_.State->Plot.SplitCount[i], session_.State->Plot.SlotsOf[i]};
  }
  FinishWeightCorrection(session_, wc_, result);
  const SliceGroup& heavy = session_.State->Slices[1].Groups[1];
  EXPECT_NEAR(heavy.CorrectedWeight, 0.3, 1e-12);
  EXPECT_EQ(WeightLabel(heavy.CorrectedWeight), "30");
  EXPECT_NEAR(session_.State->Slices[1].Groups[2].CorrectedWeight, 0.7, 1e-12);
  const std::vector<std::string>& memo = session_.Memo;
  ASSERT_GE(memo.size(), 4u);
  EXPECT_EQ(memo[memo.size() - 5], "Solution after weight correction:");
  EXPECT_EQ(memo[memo.size() - 3].substr(0, 12), "    1    0.3");
  EXPECT_EQ(memo.back(), "After WC Hi2=1.235");
  EXPECT_EQ(wc_.Phase, WcPhase::Finished);
}

TEST_F(WcRun, StartsTheEngineOnTheCorrectionFileAndFinishesWhenItsResultIsInPlace) {
  const std::string engine = FakeEngine("korvelBBW", kResult);
  ASSERT_TRUE(StartWeightCorrection(session_, wc_, engine, notes_));
  EXPECT_TRUE(notes_.empty());
  EXPECT_EQ(wc_.CommandLine, engine + " -p=\"" + folder_.File("proj_wc.mtp") + "\" -n=1 -k=1");
  ASSERT_GE(session_.Memo.size(), 2u);
  EXPECT_EQ(session_.Memo[session_.Memo.size() - 2], "");
  EXPECT_EQ(session_.Memo.back(), "Corrected weights MTP file:" + folder_.File("proj_wc1.mtp"));
  EXPECT_TRUE(std::filesystem::exists(folder_.File("proj_wc.mtp")));

  ASSERT_EQ(WaitForEngine(), WcPhase::Finished) << wc_.Failure;
  EXPECT_NEAR(session_.State->Slices[1].Groups[1].CorrectedWeight, 0.3, 1e-12);
  EXPECT_DOUBLE_EQ(wc_.FitnessAfter, 1.23456);
  EXPECT_GT(wc_.ElapsedMs, 0);
  EXPECT_EQ(common::ReadFileBytes(wc_.LogPath), "-p=" + folder_.File("proj_wc.mtp") + " -n=1 -k=1\n");
  EXPECT_EQ(wc_.LogPath, folder_.File("proj_wc.log"));
}

TEST_F(WcRun, FailsWhenTheEngineEndsWithoutAResult) {
  ASSERT_TRUE(StartWeightCorrection(session_, wc_, FakeEngine("korvelBBW", "", 2), notes_));
  ASSERT_EQ(WaitForEngine(), WcPhase::Failed);
  EXPECT_NE(wc_.Failure.find("status 2"), std::string::npos) << wc_.Failure;
  EXPECT_NE(common::ReadFileBytes(wc_.LogPath).find("cannot fit"), std::string::npos);
  EXPECT_EQ(session_.Memo.back(), "Weight correction failed: " + wc_.Failure);
}

TEST_F(WcRun, RetriesAnIncompleteResultUntilTheEngineHasEnded) {
  // An engine that leaves a cut-off result: read while it runs, it is
  // retried; once the engine has ended it fails the correction.
  const std::string text(kResult);
  ASSERT_TRUE(StartWeightCorrection(session_, wc_, FakeEngine("korvelBBW", text.substr(0, text.size() / 2)), notes_));
  ASSERT_EQ(WaitForEngine(), WcPhase::Failed);
  EXPECT_NE(wc_.Failure.find("proj_wc1.mtp"), std::string::npos) << wc_.Failure;
  EXPECT_EQ(session_.State->Slices[1].Groups[1].CorrectedWeight, 0.0);
}

TEST_F(WcRun, DoesNotStartWithoutSpectrumOrEngineButStillWritesTheFile) {
  EXPECT_FALSE(StartWeightCorrection(session_, wc_, "", notes_));
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_EQ(notes_[0], kEngineNotFound);
  EXPECT_TRUE(std::filesystem::exists(folder_.File("proj_wc.mtp")));
  session_.Reference.SpectrumFound = false;
  EXPECT_FALSE(StartWeightCorrection(session_, wc_, "/bin/true", notes_));
  EXPECT_EQ(notes_.back(), "Spectrum data file is not found in the current folder. Weight correction would not start.");
  EXPECT_EQ(wc_.Phase, WcPhase::Idle);
}

TEST(WcEngine, IsTakenFromTheUsersChoiceThenTheProjectFolderThenTheRememberedPath) {
  velta::testing::TempFolder folder("data");
  const std::string remembered = folder.Write("elsewhere", "x");
  EXPECT_EQ(FindEngine(folder.Path(), remembered, ""), remembered);
  const std::string beside = folder.Write(kEngineFileName, "x");
  EXPECT_EQ(FindEngine(folder.Path(), remembered, ""), beside);
  EXPECT_EQ(FindEngine(folder.Path(), remembered, remembered), remembered);
  EXPECT_EQ(FindEngine(folder.Path(), remembered, folder.File("absent")), "");

  const std::string ini = folder.Write("VeltaMaker.ini", "[FormVELTA]\r\nRGPlottingAvg=1\r\n");
  RememberEnginePath(ini, beside);
  const std::string text = common::ReadFileBytes(ini);
  EXPECT_NE(text.find("RGPlottingAvg=1"), std::string::npos);
  EXPECT_NE(text.find("Default korvelBBW.exe path=" + beside), std::string::npos);
}

}  // namespace
}  // namespace velta
