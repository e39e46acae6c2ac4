#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "common/text_file.h"
#include "reference/reference_search.h"
#include "temp_folder.h"
#include "velta_error.h"
#include "wc/wc_files.h"
#include "wc_fixture.h"

namespace velta {
namespace {

using velta::testing::CrLf;
using velta::testing::WcBlockLines;
using velta::testing::WcHeaderLines;

constexpr std::size_t kMesLimitsLine = 11;  // index in WcHeaderLines
constexpr std::size_t kMesGridLine = 21;

TEST(WcCommandLine, QuotesTheProjectAndEndsWithOneRunOfNumberOne) {
  EXPECT_EQ(EngineCommandLine("C:\\data\\korvelBBW.exe", "C:\\data\\proj_wc.mtp"),
            "C:\\data\\korvelBBW.exe -p=\"C:\\data\\proj_wc.mtp\" -n=1 -k=1");
  const std::vector<std::string> words =
      SplitCommandLine(EngineCommandLine("/opt/korvel/korvelBBW", "/data/my proj/proj_wc.mtp"));
  EXPECT_EQ(words, (std::vector<std::string>{"/opt/korvel/korvelBBW", "-p=/data/my proj/proj_wc.mtp", "-n=1", "-k=1"}));
}

TEST(WcFileNames, NameTheProjectAndItsResultAfterTheStemAndRemoveAnOldResult) {
  velta::testing::TempFolder folder("data");
  const std::string old = folder.Write("proj_wc1.mtp", "old");
  const WcPaths paths = ChooseWcPaths(folder.Path(), "proj");
  EXPECT_EQ(paths.WcMtpPath, folder.File("proj_wc.mtp"));
  EXPECT_EQ(paths.WcResultPath, old);
  EXPECT_FALSE(std::filesystem::exists(old));
}

TEST(WcFileNames, FallBackToNumberedNamesWhileTheResultCannotBeRemoved) {
  velta::testing::TempFolder folder("data");
  // A folder with contents cannot be removed as a file, not even by root.
  for (const char* stuck : {"proj_wc1.mtp", "proj_1_wc1.mtp"}) {
    std::filesystem::create_directories(folder.File(stuck));
    folder.Write(std::string(stuck) + "/keep", "x");
  }
  const std::string removable = folder.Write("proj_2_wc1.mtp", "old");
  const WcPaths paths = ChooseWcPaths(folder.Path(), "proj");
  EXPECT_EQ(paths.WcMtpPath, folder.File("proj_2_wc.mtp"));
  EXPECT_EQ(paths.WcResultPath, removable);
  EXPECT_FALSE(std::filesystem::exists(removable));
}

TEST(WcReference, PrefersProjOneOverAnOlderProjAndSkipsCorrectionProjects) {
  velta::testing::TempFolder folder("data");
  const auto write = [&](const std::string& name, int age_hours) {
    const std::string path = folder.Write(
        name, CrLf(WcHeaderLines()) + CrLf(WcBlockLines(1, "C:\\data\\proj.dat", {"1 2 mem 0.300 1.000 1.500 1.0000 1 1.000"},
                                                        " 1.234 (S/N= 45)")));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(age_hours));
    return path;
  };
  write("proj_wc.mtp", 20);
  write("proj.mtp", 10);
  std::vector<std::string> notes;
  EXPECT_EQ(FindReference(folder.Path(), "proj", notes).ReferenceMtp, folder.File("proj.mtp"));
  const std::string one = write("proj1.mtp", 1);
  EXPECT_EQ(FindReference(folder.Path(), "proj", notes).ReferenceMtp, one);
}

// A mem analysis with its five plot slots filled.
class CorrectionFile : public ::testing::Test {
 protected:
  void SetUp() override {
    state_->Class = 1;
    state_->Plot.FilledSlots = 5;
    state_->Plot.ChosenCount = 2;
    const double means[5][4] = {{0.3, 1.0, 1.5, 1.0}, {0.75, 2.2, 2.8, 1.05}, {0.31, 1.05, 1.52, 0.99},
                                {0.29, 0.95, 1.48, 1.01}, {0.74, 2.25, 2.75, 1.049}};
    const double weights[5] = {0.2, 0.3, 0.25, 0.25, 0.0};
    for (int i = 1; i <= 5; ++i) {
      for (int k = 1; k <= 4; ++k) state_->Plot.Slots[i].Mean[k] = means[i - 1][k - 1];
      state_->Plot.Slots[i].Weight = weights[i - 1];
    }
  }
  std::vector<std::string> Reference(bool with_copies) const {
    std::vector<std::string> lines = WcHeaderLines();
    if (with_copies) lines.insert(lines.end(), {"Number of copies:", "3"});
    for (const auto& block :
         {WcBlockLines(1, "other.dat", {"1 2 iso 0.800 0.300 0.600 1.0000 1.000000 1.000"}, " 2.000 (S/N= 10)"),
          WcBlockLines(2, "C:\\data\\PROJ.dat",
                       {"1 2 mem 0.300 1.000 1.500 1.0000 1.000000 0.700", "2 2 mem 0.750 2.200 2.800 1.0500 1.000000 0.300"},
                       " 1.234 (S/N= 45)")})
      lines.insert(lines.end(), block.begin(), block.end());
    return lines;
  }
  std::vector<std::string> Written(const std::vector<std::string>& reference, bool old_layout) const {
    return common::SplitLines(CorrectionFileText("ref.mtp", reference, "proj", old_layout, *state_));
  }
  std::unique_ptr<AnalysisState> state_ = std::make_unique<AnalysisState>();
};

TEST_F(CorrectionFile, KeepsTheHeaderWithDsoAndOneCopyAndWritesTheSpectrumBlockWithFiveMemSlots) {
  for (const bool with_copies : {false, true}) {
    SCOPED_TRACE(with_copies ? "reference declares copies" : "no copies line");
    const std::string text = CorrectionFileText("ref.mtp", Reference(with_copies), "proj", false, *state_);
    EXPECT_EQ(text.find("\r\n\r\n\r\n"), std::string::npos);
    const std::vector<std::string> out = common::SplitLines(text);
    std::vector<std::string> expected = WcHeaderLines();
    const auto dso = std::find(expected.begin(), expected.end(), "Optimization used:") + 1;
    *dso = "DSO";
    const std::vector<std::string> copies = with_copies ? std::vector<std::string>{"Number of copies:", "1", ""}
                                                        : std::vector<std::string>{"", "Number of copies:", "1"};
    expected.insert(expected.end(), copies.begin(), copies.end());
    expected.insert(expected.end(),
                    {"Spectrum characteristics-1:", "1", "PROJ.dat", "3384.000 100.00 9.50000 0.000",
                     "Domains - types, parameters, errors, switches, group number:", "5",
                     "1 2 mem 0.300 1.000 1.500 1.0000 1 0.200", "2 2 mem 0.750 2.200 2.800 1.0500 1 0.300",
                     "3 2 mem 0.310 1.050 1.520 0.9900 1 0.250", "4 2 mem 0.290 0.950 1.480 1.0100 1 0.250",
                     "5 2 mem 0.740 2.250 2.750 1.0490 1 0.000", "1 2 mem nothing", "2 2 mem nothing",
                     "3 2 mem nothing", "4 2 mem nothing", "5 2 mem nothing", "1 2 mem F F F F T T",
                     "2 2 mem F F F F T T", "3 2 mem F F F F T T", "4 2 mem F F F F T T", "5 2 mem F F F F T T",
                     "1", "Hi2 (tip: 0):", " 1.234 (S/N= 45)"});
    EXPECT_EQ(out, expected);
  }
}

TEST_F(CorrectionFile, GivesUnfilledSlotsNoWeight) {
  state_->Plot.FilledSlots = 3;
  state_->Plot.Slots[4].Weight = 0.5;  // left over from an earlier choice
  const std::vector<std::string> out = Written(Reference(false), false);
  const auto line4 = std::find_if(out.begin(), out.end(), [](const std::string& l) { return l.rfind("4 2 mem 0", 0) == 0; });
  ASSERT_NE(line4, out.end());
  EXPECT_EQ(*line4, "4 2 mem 0.290 0.950 1.480 1.0100 1 0.000");
}

TEST_F(CorrectionFile, DropsTheSixthMesParameterOfTheOldLayoutFromLimitsAndGrid) {
  std::vector<std::string> reference = Reference(false);
  std::string limits, grid;
  for (int q = 1; q <= 12; ++q) {
    limits += std::to_string(q / 10.0) + " " + std::to_string(q) + " ";
    grid += std::to_string(q / 100.0) + " ";
  }
  reference[kMesLimitsLine] = limits;
  reference[kMesGridLine] = grid;
  const std::vector<std::string> out = Written(reference, true);
  EXPECT_EQ(out[kMesLimitsLine],
            "0.10 1.00 0.20 2.00 0.30 3.00 0.40 4.00 0.50 5.00 0.70 7.00 0.800 8.000 0.900 9.000 1.0000 10.0000 "
            "1.100 11.000 1.200 12.000 ");
  EXPECT_EQ(out[kMesGridLine], "0.01 0.02 0.03 0.04 0.05 0.07 0.080 0.090 0.1000 0.110 0.120 ");
  for (std::size_t i = 0; i < reference.size() && i < 30; ++i) {
    if (i != kMesLimitsLine && i != kMesGridLine) {
      EXPECT_EQ(out[i], reference[i]) << "line " << i + 1;
    }
  }

  reference[kMesGridLine] = "0.01 0.02";
  try {
    Written(reference, true);
    FAIL() << "a short grid line was taken";
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("ref.mtp, line 22"), std::string::npos) << e.what();
  }
}

TEST_F(CorrectionFile, WritesLleAndMesSlotsWithTheirFixedValues) {
  struct Case {
    ModelClass model_class;
    std::string domain;
    std::string switches;
  };
  for (int i = 1; i <= 5; ++i)
    for (int k = 1; k <= 6; ++k) state_->Plot.Slots[i].Mean[k] = 0.5 * k;
  const Case cases[] = {
      {2, "1 2 lle 1.000 1.500 0.500 2.0000 0 0.200", "1 2 lle F F F F F T"},
      {3, "1 2 mes -1 0 0 0 0.50 2.50 1.000 1.500 2.0000 3.000 0.200", "1 2 mes F F F F F F F F F F T"},
  };
  for (const Case& c : cases) {
    state_->Class = c.model_class;
    const std::vector<std::string> out = Written(Reference(false), false);
    EXPECT_NE(std::find(out.begin(), out.end(), c.domain), out.end()) << c.domain;
    EXPECT_NE(std::find(out.begin(), out.end(), c.switches), out.end()) << c.switches;
  }
}

TEST_F(CorrectionFile, RefusesAReferenceWithoutTheSpectrumOrWithoutAHeader) {
  std::vector<std::string> reference = Reference(false);
  EXPECT_THROW(CorrectionFileText("ref.mtp", reference, "absent", false, *state_), VeltaError);
  reference.erase(std::find(reference.begin(), reference.end(), "Optimization used:"));
  EXPECT_THROW(CorrectionFileText("ref.mtp", reference, "proj", false, *state_), VeltaError);
}

TEST(WcResultFile, ReadsTheLastNumberOfEachDomainLineAndTheFitness) {
  const std::vector<std::string> lines = {
      "Tensors:", "", "Spectrum characteristics-1:", "1", "proj.dat", "3384.000 100.00 9.50000 0.000",
      "Domains - types, parameters, errors, switches, group number:", "3",
      "1 2 mem 0.300 1.000 1.500 1.0000 1.000000 0.612", "2 2 MEM 0.750 2.200 2.800 1.0500 1.000000 0.288",
      "3 2 mem 0.310 1.050 1.520 0.9900 1.000000 0.100", "1 2 mem Error calculation not successful", "1",
      "Hi2 (tip: 0):", " 1.23456 (S/N= 45)"};
  const WcResult result = ParseWcResult("r.mtp", lines);
  EXPECT_EQ(result.Weights, (std::vector<double>{0.612, 0.288, 0.1}));
  EXPECT_DOUBLE_EQ(result.Fitness, 1.23456);
  for (const std::size_t cut : {std::size_t{9}, std::size_t{14}}) {
    std::vector<std::string> partial(lines.begin(), lines.begin() + static_cast<long>(cut));
    EXPECT_THROW(ParseWcResult("r.mtp", partial), VeltaError) << cut << " lines";
  }
  std::vector<std::string> short_line = lines;
  short_line[9] = "2 2 mem 0.750 2.200";
  EXPECT_THROW(ParseWcResult("r.mtp", short_line), VeltaError);
}

}  // namespace
}  // namespace velta
