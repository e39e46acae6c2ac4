#include "fitting/error_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "common/text_file.h"
#include "fitting/local_optimization.h"
#include "fitting_fixture.h"
#include "temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::IsoFitExperiment;
using testing::MakeExperimentalSpectra;
using testing::SwitchOn;
using testing::TwoIsoExperiment;

TEST(ConfidenceQuantile, ReadsBothTablesAndContinuesThemSmoothly) {
  EXPECT_EQ(ConfidenceQuantile(1, 1), 3.84);
  EXPECT_EQ(ConfidenceQuantile(1, 31), 45.0);
  EXPECT_EQ(ConfidenceQuantile(0, 1), 1.07);
  EXPECT_EQ(ConfidenceQuantile(0, 2), 2.41);
  EXPECT_EQ(ConfidenceQuantile(7, 2), 2.41);  // any other method takes the 70 % table
  EXPECT_EQ(ConfidenceQuantile(1, 0), 0.0);
  EXPECT_NEAR(ConfidenceQuantile(1, 32), 46.19, 0.05);  // chi^2 95 % point for 32
  EXPECT_GT(ConfidenceQuantile(0, 32), ConfidenceQuantile(0, 31));
}

// Weight errors from chosen conditional-weight errors and correlations.
class WeightErrorTest : public ::testing::Test {
 protected:
  Tspcmf exp;
  WeightCorrelation rho{};
  void Domains(std::initializer_list<double> r, std::initializer_list<double> s) {
    exp.DomainCount = static_cast<int>(r.size());
    int k = 1;
    for (double v : r) {
      exp.Domains[k].type = kIso;
      exp.Domains[k++].Values[6] = v;
    }
    k = 1;
    for (double v : s) exp.Domains[k++].Errors[6] = v;
  }
  double E(int k) { return exp.Domains[k].Errors[6]; }
};

TEST_F(WeightErrorTest, OneDomainHasNoWeightError) {
  Domains({0.4}, {0.05});
  PropagateWeightErrors(exp, rho);
  EXPECT_EQ(E(1), 0.0);
}

TEST_F(WeightErrorTest, TwoDomainsBothTakeTheConditionalWeightError) {
  Domains({0.3, 0.0}, {0.02, 0.0});
  PropagateWeightErrors(exp, rho);
  EXPECT_DOUBLE_EQ(E(1), 0.02);
  EXPECT_DOUBLE_EQ(E(2), 0.02);
}

TEST_F(WeightErrorTest, ThreeDomainsPropagateThroughTheStickBreaking) {
  // d2 = r2 (1 - r1), d3 = (1 - r1)(1 - r2), with r1 = 0.5, r2 = 0.6.
  Domains({0.5, 0.6, 0.0}, {0.02, 0.03, 0.0});
  PropagateWeightErrors(exp, rho);
  const double d2 = 0.3, d3 = 0.2;
  const double a2 = 0.03 / 0.6, b1 = 0.02 / 0.5, b2 = 0.03 / 0.4;
  EXPECT_NEAR(E(1), 0.02, 1e-15);
  EXPECT_NEAR(E(2), d2 * std::sqrt(a2 * a2 + b1 * b1), 1e-15);
  EXPECT_NEAR(E(3), d3 * std::sqrt(b1 * b1 + b2 * b2), 1e-15);

  // Correlated: each pair counts once, minus between a and b, plus between b's.
  Domains({0.5, 0.6, 0.0}, {0.02, 0.03, 0.0});
  rho(1, 2) = rho(2, 1) = 0.5;
  PropagateWeightErrors(exp, rho);
  EXPECT_NEAR(E(2), d2 * std::sqrt(a2 * a2 + b1 * b1 - 0.5 * a2 * b1), 1e-15);
  EXPECT_NEAR(E(3), d3 * std::sqrt(b1 * b1 + b2 * b2 + 0.5 * b1 * b2), 1e-15);
}

TEST_F(WeightErrorTest, AConditionalWeightAtZeroGivesAFiniteError) {
  Domains({0.5, 0.0, 0.0}, {0.02, 0.03, 0.0});
  PropagateWeightErrors(exp, rho);
  EXPECT_NEAR(E(2), 0.5 * 0.03, 1e-15);  // d2 = r2 (1 - r1): only the r2 term survives
  EXPECT_TRUE(std::isfinite(E(3)));
}

class ErrorAnalysisTest : public ::testing::Test {
 protected:
  std::unique_ptr<SimBuffers> buf = MakeSimBuffers();
  std::unique_ptr<ErrorWorkspace> ws = MakeErrorWorkspace();
  fs::path dir = korvel::testing::PrivateTempDir("korvel_errors");
  void SetUp() override {
    fs::create_directories(dir);
    SetGaussJProjectFile((dir / "project.mtp").string());
  }
  void TearDown() override {
    SetGaussJProjectFile("");
    fs::remove_all(dir);
  }
};

TEST_F(ErrorAnalysisTest, WithNoSwitchedParameterAllErrorsAreZero) {
  Tvrecica work = TwoIsoExperiment();
  MakeExperimentalSpectra(work, *buf);
  work.exp.Domains[1].Errors[2] = 5.0;
  EXPECT_TRUE(ErrorAnalysis(work, *buf, *ws));
  EXPECT_EQ(ws->np, 0);
  for (int k = 1; k <= 2; ++k)
    for (int p = 1; p <= 6; ++p) EXPECT_EQ(work.exp.Domains[k].Errors[p], 0.0);
}

TEST_F(ErrorAnalysisTest, LeavesTheFitnessOfTheUnchangedParameters) {
  Tvrecica work = IsoFitExperiment();
  MakeExperimentalSpectra(work, *buf);
  SwitchOn(work, 1, {2, 3});
  ParamVec v{};
  CollectParamVector(work.exp, v);
  Tvrecica ref = work;
  const float f = SimulateExperiment(ref, v, *buf);
  ASSERT_TRUE(ErrorAnalysis(work, *buf, *ws));
  EXPECT_EQ(work.exp.Fitness, f);
  EXPECT_EQ(work.exp.Domains[1].Values[2], ref.exp.Domains[1].Values[2]);
  EXPECT_GT(work.exp.Domains[1].Errors[2], 0.0);
  EXPECT_GT(work.exp.Domains[1].Errors[3], 0.0);
  EXPECT_EQ(work.exp.Domains[1].Errors[1], 0.0);  // not switched
  EXPECT_EQ(ws->correlation(1, 1), 0.0);
  EXPECT_EQ(ws->correlation(1, 2), ws->correlation(2, 1));
  EXPECT_LT(std::fabs(ws->correlation(1, 2)), 1.0);
}

TEST_F(ErrorAnalysisTest, NinetyFivePercentErrorsAreAbout1Point89TimesTheSeventyPercentOnes) {
  Tvrecica work = IsoFitExperiment();
  MakeExperimentalSpectra(work, *buf);
  SwitchOn(work, 1, {2});
  Tvrecica other = work;
  work.settings.ErrorMethod = 0;
  other.settings.ErrorMethod = 1;
  ASSERT_TRUE(ErrorAnalysis(work, *buf, *ws));
  ASSERT_TRUE(ErrorAnalysis(other, *buf, *ws));
  EXPECT_NEAR(other.exp.Domains[1].Errors[2] / work.exp.Domains[1].Errors[2], std::sqrt(3.84 / 1.07), 1e-12);
  EXPECT_NEAR(std::sqrt(3.84 / 1.07), 1.89, 0.005);
}

TEST_F(ErrorAnalysisTest, ASingularMatrixFallsBackToTheStepsAndWritesTheDiagnostic) {
  // pa and pg pinned by equal limits: stepping them changes nothing, so
  // both get the same constant derivative and the matrix is singular.
  // Depending on the noise weight the elimination meets an exact zero
  // pivot or one of rounding noise; both must fail.
  for (const double noise_weight : {1e-4, 1.234e-4, 7.7e-5, 3.3e-4}) {
    Tvrecica work = IsoFitExperiment();
    MakeExperimentalSpectra(work, *buf);
    work.exp.Spectra[1].NoiseWeight = noise_weight;
    work.settings.ErrorFlag1 = true;
    testing::SetLimits(work.settings, kIso, 3, 1.0, 1.0, 0.001);
    testing::SetLimits(work.settings, kIso, 4, 1.0, 1.0, 0.001);
    SwitchOn(work, 1, {4, 5});
    const std::string diagnostic = GaussJDiagnosticPath((dir / "project.mtp").string());
    fs::remove(diagnostic);
    EXPECT_FALSE(ErrorAnalysis(work, *buf, *ws)) << noise_weight;
    EXPECT_FALSE(ws->second_pass);
    const double step_error = 0.001 * std::sqrt(ConfidenceQuantile(0, 2));
    EXPECT_NEAR(work.exp.Domains[1].Errors[4], step_error, 1e-15);
    EXPECT_NEAR(work.exp.Domains[1].Errors[5], step_error, 1e-15);
    ASSERT_TRUE(fs::exists(diagnostic)) << noise_weight;
    const auto lines = common::ReadTextLines(diagnostic);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Singular matrix detected during GaussJ in STDCalc calculation");
  }
}

TEST_F(ErrorAnalysisTest, AZeroGridStepMakesTheMatrixSingularWithoutNotANumber) {
  Tvrecica work = IsoFitExperiment();
  MakeExperimentalSpectra(work, *buf);
  testing::SetLimits(work.settings, kIso, 2, 0.05, 5.0, 0.0);  // W without a step
  SwitchOn(work, 1, {2, 3});
  EXPECT_FALSE(ErrorAnalysis(work, *buf, *ws));
  EXPECT_EQ(work.exp.Domains[1].Errors[3], 0.0);
  EXPECT_TRUE(std::isfinite(work.exp.Domains[1].Errors[2]));
}

TEST_F(ErrorAnalysisTest, TheSecondPassDropsParametersWiderThanHalfTheirRange) {
  // Lw of a narrow range [0.79, 0.81] cannot be determined to +-0.01.
  Tvrecica work = IsoFitExperiment();
  MakeExperimentalSpectra(work, *buf, 0.05);
  work.exp.Spectra[1].NoiseWeight = 0.05 * 0.05;
  testing::SetLimits(work.settings, kIso, 0, 0.79, 0.81, 0.001);
  SwitchOn(work, 1, {1, 2, 3});
  Tvrecica first = work;
  ASSERT_TRUE(ErrorAnalysis(first, *buf, *ws));
  ASSERT_GT(2 * first.exp.Domains[1].Errors[1], 0.02) << "the fixture no longer exercises the range test";
  work.settings.ErrorFlag1 = true;
  ASSERT_TRUE(ErrorAnalysis(work, *buf, *ws));
  EXPECT_TRUE(ws->second_pass);
  EXPECT_EQ(ws->kept, 2);
  const Domain& d = work.exp.Domains[1];
  EXPECT_FALSE(d.ErrorKept[1]);
  EXPECT_TRUE(d.ErrorKept[2]);
  EXPECT_TRUE(d.ErrorKept[3]);
  EXPECT_FALSE(d.ErrorKept[4]);  // not switched
  EXPECT_EQ(d.Errors[1], 0.0);
  EXPECT_GT(d.Errors[2], 0.0);
  // With Lw fixed the remaining errors come from the reduced matrix and
  // the two-parameter table entry, so they are no larger than before.
  EXPECT_LE(d.Errors[2], first.exp.Domains[1].Errors[2]);
  EXPECT_EQ(ws->correlation(1, 2), 0.0);
}

TEST_F(ErrorAnalysisTest, AFitOfTcAndWReturnsToTheTruthWithinTheReportedErrors) {
  Tvrecica truth = IsoFitExperiment(1.0, 1.0);
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  SwitchOn(work, 1, {2, 3});
  work.exp.Domains[1].Values[2] = 1.2;
  work.exp.Domains[1].Values[3] = 0.8;
  LocalOptimization(work, *buf);
  ASSERT_TRUE(ErrorAnalysis(work, *buf, *ws));
  const Domain& d = work.exp.Domains[1];
  EXPECT_LE(std::fabs(d.Values[2] - 1.0), d.Errors[2]);
  EXPECT_LE(std::fabs(d.Values[3] - 1.0), d.Errors[3]);
  EXPECT_LT(d.Errors[2], 0.1);
}

TEST_F(ErrorAnalysisTest, AFitOfTwoDomainWeightsReturnsToTheTruthWithinTheReportedErrors) {
  Tvrecica truth = TwoIsoExperiment(0.3);
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = TwoIsoExperiment(0.5);
  SwitchOn(work, 1, {6});
  LocalOptimization(work, *buf);
  ASSERT_TRUE(ErrorAnalysis(work, *buf, *ws));
  const Domain& d1 = work.exp.Domains[1];
  const Domain& d2 = work.exp.Domains[2];
  EXPECT_GT(d1.Errors[6], 0.0);
  EXPECT_EQ(d1.Errors[6], d2.Errors[6]);
  EXPECT_LE(std::fabs(d1.Values[0] - 0.3), d1.Errors[6]);
  EXPECT_LE(std::fabs(d2.Values[0] - 0.7), d2.Errors[6]);
  EXPECT_DOUBLE_EQ(d1.Values[0] + d2.Values[0], 1.0);
}

}  // namespace
}  // namespace korvel
