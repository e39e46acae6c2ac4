#include "session/save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/text_file.h"
#include "fitting/gauss_jordan.h"
#include "fitting_fixture.h"
#include "spectra/spectrum_error.h"
#include "spectra/spectrum_writer.h"
#include "temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// A project of two experiments on one synthetic iso spectrum in a folder of
// its own: experiment 1 has tc and W switched (a regular analysis), in
// experiment 2 the switched pa and pg are pinned by equal limits, which
// makes its curvature matrix singular.
class SaveTest : public ::testing::Test {
 protected:
  fs::path dir = korvel::testing::PrivateTempDir("korvel_save");
  std::unique_ptr<Session> session = MakeSession();

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    Tvrecica truth = testing::IsoFitExperiment();
    truth.exp.Spectra[1].FileName = "iso.dat";
    testing::MakeExperimentalSpectra(truth, *session->buffers);
    std::vector<double> values(1024), field(1024);
    for (int l = 1; l <= 1024; ++l) {
      values[l - 1] = session->buffers->ExpRaw[1][l];
      field[l - 1] = 3340.0 + 100.0 * (l - 1) / 1024.0;
    }
    WriteSpectrumFile((dir / "iso.dat").string(), values, field);

    Project& p = session->project;
    p.vreca.settings = truth.settings;
    p.ProjectDir = dir.string() + "/";
    p.ExperimentCount = 2;
    p.CurrentExperiment = 1;
    p.Experiment(1) = truth.exp;
    p.Experiment(1).Domains[1].Switches[2] = p.Experiment(1).Domains[1].Switches[3] = true;
    p.Experiment(2) = truth.exp;
    p.Experiment(2).Domains[1].Switches[4] = p.Experiment(2).Domains[1].Switches[5] = true;
    p.vreca.settings.LimitMin[kIso][3] = p.vreca.settings.LimitMax[kIso][3] = 1.0;
    p.vreca.settings.LimitMin[kIso][4] = p.vreca.settings.LimitMax[kIso][4] = 1.0;
    p.vreca.settings.Grid[kIso][3] = p.vreca.settings.Grid[kIso][4] = 0.001;
  }
  void TearDown() override {
    SetGaussJProjectFile("");
    fs::remove_all(dir);
  }
  std::vector<std::string> Lines(const fs::path& path) { return common::ReadTextLines(path.string()); }
};

TEST_F(SaveTest, WritesErrorsOrTheFailureNoteAndTheResultFiles) {
  const fs::path out = dir / "saved.mtp";
  std::vector<SavePhase> phases;
  auto record = [](SavePhase phase, int, int, void* user) {
    static_cast<std::vector<SavePhase>*>(user)->push_back(phase);
  };
  ASSERT_TRUE(SaveProject(*session, out.string(), {}, record, &phases));
  EXPECT_EQ(session->project.MtpFileName, out.string());
  EXPECT_TRUE(session->project.Experiment(1).ErrorsValid);
  EXPECT_FALSE(session->project.Experiment(2).ErrorsValid);
  EXPECT_GT(session->project.Experiment(1).Domains[1].Errors[2], 0.0);
  ASSERT_EQ(phases.size(), 2u + 3u);
  EXPECT_EQ(phases.front(), SavePhase::ErrorCalculation);
  EXPECT_EQ(phases.back(), SavePhase::SavingFiles);

  int error_lines = 0, failure_lines = 0;
  for (const std::string& line : Lines(out)) {
    if (line == "1 2 iso Error calculation not successful") ++failure_lines;
    if (line.rfind("1 2 iso 0.000 ", 0) == 0) ++error_lines;  // Lw not switched: error 0
  }
  EXPECT_EQ(failure_lines, 1);
  EXPECT_EQ(error_lines, 1);

  // The singular analysis left its diagnostic beside the saved project.
  EXPECT_TRUE(fs::exists(GaussJDiagnosticPath(out.string())));
  // Both experiments share one spectrum, so both write iso_iso.dat.
  const auto result = Lines(dir / "iso_iso.dat");
  ASSERT_EQ(result.size(), 1024u);
  EXPECT_EQ(std::count(result[0].begin(), result[0].end(), ';'), 3);
}

TEST_F(SaveTest, AMissingSpectrumLeavesTheOldFileAndTheProjectAsTheyWere) {
  const fs::path out = dir / "saved.mtp";
  common::WriteFileAtomically(out.string(), "old contents\r\n");
  session->project.MtpFileName = "before.mtp";
  session->project.Experiment(2).Spectra[1].FileName = "missing.dat";
  EXPECT_THROW(SaveProject(*session, out.string()), SpectrumError);
  EXPECT_EQ(Lines(out), std::vector<std::string>{"old contents"});
  EXPECT_EQ(session->project.MtpFileName, "before.mtp");
  EXPECT_FALSE(session->project.Experiment(1).SaveSelected);
  EXPECT_FALSE(session->project.Experiment(1).ErrorsValid);
  EXPECT_FALSE(fs::exists(dir / "iso_iso.dat"));
}

TEST_F(SaveTest, AnExperimentWithoutDomainsIsNotSaved) {
  session->project.Experiment(1).DomainCount = 0;
  EXPECT_FALSE(SaveProject(*session, (dir / "saved.mtp").string()));
  EXPECT_FALSE(fs::exists(dir / "saved.mtp"));
}

}  // namespace
}  // namespace korvel
