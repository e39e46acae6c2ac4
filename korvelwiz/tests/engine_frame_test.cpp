#include <gtest/gtest.h>

#include <cmath>

#include "engine/simulate.h"
#include "engine_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

class EngineFrame : public ::testing::Test {
 protected:
  std::unique_ptr<SimBuffers> buf = MakeSimBuffers();
  ParamVec vec{};

  float Run(Tvrecica& w) {
    CollectParamVector(w.exp, vec);
    return SimulateExperiment(w, vec, *buf);
  }
};

}  // namespace

TEST_F(EngineFrame, OneDomainWeighsOneWhateverItsConditionalWeight) {
  Tvrecica w = OneIsoExperiment();
  w.exp.Domains[1].Values[6] = 0.3;
  w.exp.Domains[1].Values[0] = 0.25;
  SimulateIntoExperiment(w, *buf);
  Run(w);
  EXPECT_EQ(w.exp.Domains[1].Values[0], 1.0);
}

TEST_F(EngineFrame, ThreeDomainsGetTheirAbsoluteWeightsFromConditionalOnes) {
  Tvrecica w = OneIsoExperiment();
  w.exp.DomainCount = 3;
  w.exp.Domains[2] = IsoDomain(0.8, 1.0, 1.0);
  w.exp.Domains[3] = IsoDomain(0.8, 2.0, 1.2);
  w.exp.Domains[1].Values[6] = 0.5;
  w.exp.Domains[2].Values[6] = 0.6;
  w.exp.Domains[3].Values[6] = 0.77;  // never read
  SimulateIntoExperiment(w, *buf);
  Run(w);
  EXPECT_DOUBLE_EQ(w.exp.Domains[1].Values[0], 0.5);
  EXPECT_NEAR(w.exp.Domains[2].Values[0], 0.3, 1e-15);
  EXPECT_NEAR(w.exp.Domains[3].Values[0], 0.2, 1e-15);
}

TEST_F(EngineFrame, VectorIsWrittenBackAndClampedToTheLimits) {
  Tvrecica w = OneIsoExperiment();
  w.settings.LimitMax[kIso][2] = 1.5;  // W
  w.settings.LimitMin[kIso][1] = 0.2;  // tc
  w.exp.Domains[1].Switches[2] = true;
  w.exp.Domains[1].Switches[3] = true;
  SimulateIntoExperiment(w, *buf);
  ASSERT_EQ(ActiveParamCount(w.exp), 2);
  vec[1] = 0.05;  // tc below its lower limit
  vec[2] = 4.0;   // W above its upper limit
  SimulateExperiment(w, vec, *buf);
  EXPECT_EQ(w.exp.Domains[1].Values[2], 0.2);
  EXPECT_EQ(w.exp.Domains[1].Values[3], 1.5);
}

TEST_F(EngineFrame, AmplitudeAndBaselineFitRecoversScaleAndLine) {
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);
  // ExpRaw now holds the normalised simulation f; make y = 2 f + a u + b v.
  const double a = 0.3, b = -0.2;
  for (int l = 1; l <= 1024; ++l)
    buf->ExpRaw[1][l] = 2.0 * buf->ExpRaw[1][l] + a * (l - 1) / 1023.0 + b * (1024 - l) / 1023.0;
  Run(w);
  double max_sim = 0;
  for (int l = 1; l <= 1024; ++l) {
    EXPECT_NEAR(buf->ExpCorrected[1][l], buf->SimTotal[1][l], 1e-9) << "point " << l;
    max_sim = std::fmax(max_sim, std::fabs(buf->SimTotal[1][l]));
  }
  EXPECT_NEAR(max_sim, 2.0, 1e-9);
  EXPECT_NEAR(w.exp.Fitness, 0.0f, 1e-6);
}

TEST_F(EngineFrame, MatchWithinTolerancePutsTheWindowAt151To873) {
  Spectrum1024 e{}, f{};
  for (int l = 1; l <= 1024; ++l) {
    e[l] = std::sin(l * 0.05);
    f[l] = e[l] + 0.009 * ((l % 2) ? 1 : -1);
  }
  const SpectrumScore s = ScoreSpectrum(e, f, 1e-4);
  EXPECT_EQ(s.L, 151);
  EXPECT_EQ(s.U, 873);
  f[60] += 0.5;
  f[900] += 0.5;
  const SpectrumScore t = ScoreSpectrum(e, f, 1e-4);
  EXPECT_EQ(t.L, 60);
  EXPECT_EQ(t.U, 900);
}

TEST_F(EngineFrame, RunsWeightTheSecondFitnessByTheirLength) {
  // Residual f - e = +0.1 over the whole window: one run of U - L + 1 points.
  Spectrum1024 e{}, f{};
  for (int l = 1; l <= 1024; ++l) f[l] = 0.1;
  const SpectrumScore s = ScoreSpectrum(e, f, 1.0);
  const int n = s.U - s.L + 1;
  EXPECT_NEAR(s.F0, n * 0.01 / (s.U - s.L), 1e-12);
  EXPECT_NEAR(s.F1, n * n * 0.01 / (s.U - s.L), 1e-9);
  // Alternating residuals: every run is one point long, so F1 == F0.
  for (int l = 1; l <= 1024; ++l) f[l] = (l % 2) ? 0.1 : -0.1;
  const SpectrumScore t = ScoreSpectrum(e, f, 1.0);
  EXPECT_NEAR(t.F1, t.F0, 1e-12);
}

TEST_F(EngineFrame, FitnessTypeTwoReturnsTheRunWeightedValueAndBecomesOne) {
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);
  for (int l = 1; l <= 1024; ++l) buf->ExpRaw[1][l] += 0.05 * std::sin(l * 0.3);
  w.exp.FitnessType = 1;
  const float type1 = Run(w);
  w.exp.FitnessType = 2;
  const float got = Run(w);
  EXPECT_EQ(got, type1);
  EXPECT_EQ(w.exp.FitnessType, 1);
  w.exp.FitnessType = 0;
  EXPECT_NE(Run(w), type1);
}

TEST_F(EngineFrame, TwoSpectrumSlotsGiveTheMeanFitness) {
  Tvrecica w = OneIsoExperiment();
  w.exp.SpectrumCount = 2;
  w.exp.Spectra[2] = XBandSpectrum(80.0);
  w.exp.Spectra[2].NoiseWeight = 4e-4;
  SimulateIntoExperiment(w, *buf);
  for (int l = 1; l <= 1024; ++l) {
    buf->ExpRaw[1][l] += 0.02 * std::sin(l * 0.3);
    buf->ExpRaw[2][l] += 0.04 * std::cos(l * 0.2);
  }
  const float both = Run(w);
  Spectrum1024 e1 = buf->ExpCorrected[1], f1 = buf->SimTotal[1];
  Spectrum1024 e2 = buf->ExpCorrected[2], f2 = buf->SimTotal[2];
  const double mean = (ScoreSpectrum(e1, f1, 1e-4).F0 + ScoreSpectrum(e2, f2, 4e-4).F0) / 2;
  EXPECT_EQ(both, static_cast<float>(mean));
}

TEST_F(EngineFrame, NoiselessSpectraGiveFitnessOne) {
  Tvrecica w = OneIsoExperiment();
  w.exp.Spectra[1].NoiseWeight = 0;
  SimulateIntoExperiment(w, *buf);
  EXPECT_EQ(Run(w), 1.0f);
}

TEST_F(EngineFrame, DomainThatDrawsNothingFailsWithTheFallbackFitness) {
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);
  w.exp.Domains[1].Values[3] = 0;  // W = 0 and tc = 0: no line is wide enough to draw
  w.exp.Domains[1].Values[2] = 0;
  w.exp.Spectra[1].NoiseWeight = 0.02;
  EXPECT_EQ(Run(w), static_cast<float>(100.0 / 0.02));
  EXPECT_EQ(w.exp.Fitness, static_cast<float>(100.0 / 0.02));
  w.exp.Domains[1].type = 42;  // an unknown type draws nothing either
  w.exp.Domains[1].Values[3] = 0.8;
  EXPECT_EQ(Run(w), static_cast<float>(100.0 / 0.02));
}

TEST_F(EngineFrame, MessagePumpRunsOnBothPaths) {
  static int pumped = 0;
  SetMessagePump([] { ++pumped; });
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);
  Run(w);
  w.exp.Domains[1].type = 42;
  Run(w);
  SetMessagePump(nullptr);
  EXPECT_EQ(pumped, 3);
}
