#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "fitting/weight_fit_engine.h"
#include "fitting_fixture.h"
#include "project/mtp_reader.h"
#include "project/mtp_writer.h"
#include "spectra/spectrum_writer.h"
#include "temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

TEST(BbwArguments, ReadTheCommandLineOfTheCondensationAnalysis) {
  const BbwArguments a = ParseBbwArguments({"-p=\"C:/data/proj_wc.mtp\"", "-n=1", "-k=1"});
  EXPECT_EQ(a.project, "C:/data/proj_wc.mtp");
  EXPECT_EQ(a.number, "1");
  EXPECT_EQ(a.runs, 1);
  const BbwArguments b = ParseBbwArguments({"-k", "3", "-p", "x.MTP"});
  EXPECT_EQ(b.project, "x.MTP");
  EXPECT_EQ(b.number, "1");
  EXPECT_EQ(b.runs, 3);
  EXPECT_EQ(ParseBbwArguments({"-p=x.mtp", "-k=0"}).runs, 1);
}

TEST(BbwArguments, RefuseWhatTheEngineCannotWorkWith) {
  const std::vector<std::vector<std::string>> bad = {
      {},          {"-n=1"},        {"-p=x.txt"}, {"-p="},       {"-p=x.mtp", "-n=a"},
      {"-p=x.mtp", "-k=1.5"}, {"-p=x.mtp", "-q=1"}, {"-p"},   {"x.mtp"}, {"-p=x.mtp", "-n=-1"}};
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_THROW(ParseBbwArguments(args), BbwUsageError) << joined;
  }
}

TEST(BbwResultPath, ReplacesTheTrailingExtensionByTheNumber) {
  EXPECT_EQ(BbwResultPath("x_wc.mtp", "1"), "x_wc1.mtp");
  EXPECT_EQ(BbwResultPath("/a.mtp/b_wc.MTP", "12"), "/a.mtp/b_wc12.mtp");
  EXPECT_THROW(BbwResultPath("x_wc.mtp.bak", "1"), BbwUsageError);
}

// A correction project as the condensation analysis writes it: one
// spectrum, five mem domains with every parameter fixed but the weights.
class BbwRunTest : public ::testing::Test {
 protected:
  fs::path dir = korvel::testing::PrivateTempDir("korvel_bbw");
  std::string project_path = (dir / "proj_wc.mtp").string();

  static Domain Mem(double S) {
    Domain d;
    d.type = kMem;
    d.Values[1] = S;
    d.Values[2] = 1.0;
    d.Values[3] = 1.0;
    d.Values[4] = 1.0;
    d.Values[5] = 1.0;
    return d;
  }

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    Tvrecica truth;
    truth.settings = testing::FitSettings();
    testing::SetLimits(truth.settings, kMem, 0, 0.0, 1.0, 0.01);
    testing::SetLimits(truth.settings, kMem, 1, 0.01, 5.0, 0.01);
    testing::SetLimits(truth.settings, kMem, 2, 0.05, 4.0, 0.02);
    testing::SetLimits(truth.settings, kMem, 3, 0.95, 1.05, 0.001);
    testing::SetLimits(truth.settings, kMem, 4, 0.9995, 1.0005, 2e-5);
    testing::SetLimits(truth.settings, kMem, 5, 0.0, 1.0, 0.01);
    truth.settings.DsoMaxGenPerParam = 40;
    truth.exp.SpectrumCount = 1;
    truth.exp.Spectra[1] = testing::XBandSpectrum(150.0);
    truth.exp.Spectra[1].CenterField = 3390.0;
    truth.exp.Spectra[1].FileName = "proj.dat";
    truth.exp.DomainCount = 5;
    const double S[5] = {0.1, 0.3, 0.5, 0.7, 0.9};
    const double d[5] = {0.1, 0.2, 0.3, 0.25, 0.15};
    for (int k = 1; k <= 5; ++k) {
      truth.exp.Domains[k] = Mem(S[k - 1]);
      truth.exp.Domains[k].Values[0] = d[k - 1];
    }
    AbsoluteToConditional(truth.exp);
    auto buf = MakeSimBuffers();
    testing::MakeExperimentalSpectra(truth, *buf);
    std::vector<double> values(1024), field(1024);
    for (int l = 1; l <= 1024; ++l) {
      values[l - 1] = buf->ExpRaw[1][l];
      field[l - 1] = 3315.0 + 150.0 * (l - 1) / 1024.0;
    }
    WriteSpectrumFile((dir / "proj.dat").string(), values, field);

    auto p = std::make_unique<Project>();
    p->vreca.settings = truth.settings;
    p->ExperimentCount = 1;
    p->Experiment(1) = truth.exp;
    for (int k = 1; k <= 5; ++k) {
      p->Experiment(1).Domains[k].Values[0] = 0.2;  // the condensation's shares
      p->Experiment(1).Domains[k].Switches[6] = k < 5;
    }
    SelectAllForSave(*p);
    WriteProject(*p, project_path);
  }
  void TearDown() override { fs::remove_all(dir); }
};

TEST_F(BbwRunTest, FitsTheWeightsOfFiveMemDomainsIntoAValidResult) {
  BbwArguments args;
  args.project = project_path;
  const BbwOutcome out = RunWeightFit(args);
  EXPECT_EQ(out.result_path, (dir / "proj_wc1.mtp").string());
  EXPECT_LE(out.fitness, out.start_fitness);

  auto result = std::make_unique<Project>();
  ReadProject(*result, out.result_path);
  ASSERT_EQ(result->ExperimentCount, 1);
  const Tspcmf& e = result->Experiment(1);
  ASSERT_EQ(e.DomainCount, 5);
  double sum = 0;
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(e.Domains[k].type, kMem);
    EXPECT_GE(e.Domains[k].Values[0], 0.0);
    sum += e.Domains[k].Values[0];
  }
  EXPECT_NEAR(sum, 1.0, 0.003);  // five weights of three decimals each
  EXPECT_LE(e.Fitness, static_cast<float>(out.start_fitness) * 1.0005f);  // written with three decimals
  EXPECT_NEAR(e.Domains[3].Values[0], 0.3, 0.05);
}

TEST_F(BbwRunTest, AMissingSpectrumLeavesNoResultFile) {
  fs::remove(dir / "proj.dat");
  BbwArguments args;
  args.project = project_path;
  EXPECT_ANY_THROW(RunWeightFit(args));
  EXPECT_FALSE(fs::exists(dir / "proj_wc1.mtp"));
}

}  // namespace
}  // namespace korvel
