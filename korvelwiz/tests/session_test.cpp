#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "common/text_file.h"
#include "session/session.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// A private copy of the bundled example, so that opening it (which makes
// result folders) leaves the source tree alone.
class ExampleSession : public ::testing::Test {
 protected:
  fs::path dir;
  std::unique_ptr<Session> session = MakeSession();

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("korvel_session_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(KORVEL_EXAMPLES))
      if (e.is_regular_file()) fs::copy_file(e.path(), dir / e.path().filename());
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
};

}  // namespace

TEST_F(ExampleSession, OpeningShowsEveryExperimentAndSortsByFitness) {
  OpenProject(*session, Path("example.mtp"));
  const Project& p = session->project;
  ASSERT_EQ(p.ExperimentCount, 8);
  EXPECT_EQ(p.CurrentExperiment, 1);
  for (int i = 1; i <= p.ExperimentCount; ++i) {
    const Tspcmf& e = p.Experiment(i);
    if (i > 1) {
      EXPECT_LE(p.Experiment(i - 1).Fitness, e.Fitness);
    }
    for (int s = 1; s <= e.SpectrumCount; ++s) {
      const Tspcsf& sp = e.Spectra[s];
      EXPECT_GT(sp.NoiseWeight, 0.0);
      const ExpParam& c = e.ExpParams[s];
      const double range = sp.Frequency * sp.Sweep / (20 * sp.CenterField);
      EXPECT_TRUE(c.Active);
      EXPECT_NEAR(c.Max, range, 1e-3 * range);  // the frequency may have been aligned since
      EXPECT_DOUBLE_EQ(c.Min, -c.Max);
      EXPECT_DOUBLE_EQ(c.Step, c.Max / 25);
    }
  }
}

TEST_F(ExampleSession, TrueParametersFitTheirDataToTheNoise) {
  // The example data are the true project plus noise of S/N ~ 100, so the
  // reduced chi-square of the truth is about 1; a fault anywhere in loading,
  // alignment or scoring moves it far away.
  OpenProject(*session, Path("truth.mtp"), false);
  for (int i = 1; i <= session->project.ExperimentCount; ++i) {
    const float f = session->project.Experiment(i).Fitness;
    EXPECT_GT(f, 0.3f) << "experiment " << i;
    EXPECT_LT(f, 3.0f) << "experiment " << i;
  }
}

TEST_F(ExampleSession, FailedOpenLeavesTheProjectAsItWas) {
  OpenProject(*session, Path("example.mtp"));
  const float best = session->project.Experiment(1).Fitness;
  fs::remove(dir / "trp1.spc");
  EXPECT_ANY_THROW(OpenProject(*session, Path("example.mtp")));
  EXPECT_EQ(session->project.ExperimentCount, 8);
  EXPECT_EQ(session->project.Experiment(1).Fitness, best);
  {
    std::ofstream bad(Path("bad.mtp"), std::ios::binary);
    bad << "Tensors:\r\n2.0088 x 2.0027\r\n";
  }
  EXPECT_ANY_THROW(OpenProject(*session, Path("bad.mtp")));
  EXPECT_EQ(session->project.ExperimentCount, 8);
  EXPECT_EQ(session->project.Experiment(1).Fitness, best);
}

TEST_F(ExampleSession, ResultFileHoldsFieldExperimentSimulationAndDomainsPerSpectrum) {
  OpenProject(*session, Path("example.mtp"), false);
  // Experiment 4: two spectra, two domains each -> 2 x (3 + 2) columns.
  const std::string path = WriteResultFile(*session, 4, dir.string());
  EXPECT_EQ(fs::path(path).filename(), "mix_a_mix_b.dat");
  const auto lines = common::ReadTextLines(path);
  ASSERT_EQ(lines.size(), 1024u);
  EXPECT_EQ(common::ReadFileBytes(path).substr(0, lines[0].size() + 2), lines[0] + "\r\n");
  std::size_t columns = 1, pos = 0;
  while ((pos = lines[0].find("; ", pos)) != std::string::npos) ++columns, pos += 2;
  EXPECT_EQ(columns, 10u);
  // Field of point 1: CenterField + Sweep (1 - 512.5) / 1023, format 7:3.
  EXPECT_EQ(lines[0].substr(0, 8), "3334.000");
  EXPECT_EQ(lines[1023].substr(0, 8), "3434.000");
}

TEST(ResultFileName, JoinsFirstAndLastSpectrumStems) {
  Tspcmf e;
  e.SpectrumCount = 3;
  e.Spectra[1].FileName = "C:\\data\\first.dat";
  e.Spectra[2].FileName = "middle.dat";
  e.Spectra[3].FileName = "/x/last.spc";
  EXPECT_EQ(ResultFileName(e), "first_last.dat");
  e.SpectrumCount = 1;
  EXPECT_EQ(ResultFileName(e), "first_first.dat");
}

TEST_F(ExampleSession, QuickSimulationRescoresAChangedParameter) {
  OpenProject(*session, Path("truth.mtp"), false);
  Project& p = session->project;
  p.CurrentExperiment = 1;
  ShowExperiment(*session, 1);
  const float before = QuickSimulation(*session);
  p.Experiment(1).Domains[1].Values[3] *= 1.5;  // W
  EXPECT_GT(QuickSimulation(*session), before);
  EXPECT_EQ(p.Experiment(1).Fitness, session->work.exp.Fitness);
}
