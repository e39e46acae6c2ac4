#include "fitting/local_optimization.h"

#include <gtest/gtest.h>

#include <vector>

#include "fitting_fixture.h"

namespace korvel {
namespace {

using testing::IsoFitExperiment;
using testing::MakeExperimentalSpectra;
using testing::SwitchOn;

struct DisplacementCase {
  const char* name;
  double min, max, step, expected;
};

class InitialDisplacementTest : public ::testing::TestWithParam<DisplacementCase> {};

TEST_P(InitialDisplacementTest, IsTheGeometricMeanOfRangeAndStep) {
  const DisplacementCase& c = GetParam();
  SearchItem item;
  item.min = c.min;
  item.max = c.max;
  item.step = c.step;
  EXPECT_DOUBLE_EQ(InitialDisplacement(item), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitialDisplacementTest,
    ::testing::Values(DisplacementCase{"RangeFourStepHundredth", 1.0, 5.0, 0.01, 0.2},
                      DisplacementCase{"EqualLimits", 2.0, 2.0, 0.01, 0.0},
                      DisplacementCase{"ZeroStep", 0.0, 1.0, 0.0, 0.0},
                      DisplacementCase{"ReversedLimits", 1.0, 0.0, 0.01, 0.0}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(NoiseThreshold, AveragesOverSpectraWithPositiveNoiseWeight) {
  Tspcmf exp;
  exp.SpectrumCount = 3;
  exp.Spectra[1].NoiseWeight = 2e-4;
  exp.Spectra[2].NoiseWeight = 0.0;
  exp.Spectra[3].NoiseWeight = 4e-4;
  EXPECT_DOUBLE_EQ(NoiseThreshold(exp), 3e-4);
  exp.Spectra[1].NoiseWeight = exp.Spectra[3].NoiseWeight = 0.0;
  EXPECT_EQ(NoiseThreshold(exp), 0.0);
}

class LocalOptimizationTest : public ::testing::Test {
 protected:
  std::unique_ptr<SimBuffers> buf = MakeSimBuffers();
};

TEST_F(LocalOptimizationTest, WithNoSwitchedParameterOnlyTheStartIsEvaluated) {
  Tvrecica truth = IsoFitExperiment();
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  work.exp.Domains[1].Values[2] = 1.3;
  const SimplexOutcome out = LocalOptimization(work, *buf);
  EXPECT_EQ(out.parameters, 0);
  EXPECT_EQ(out.evaluations, 1);
  EXPECT_EQ(work.exp.Domains[1].Values[2], 1.3);
  EXPECT_EQ(out.fitness, work.exp.Fitness);
}

TEST_F(LocalOptimizationTest, StopsOnceTheStepCountExceedsTenPerParameter) {
  Tvrecica truth = IsoFitExperiment();
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  work.settings.DsoMaxGenPerParam = 10;
  SwitchOn(work, 1, {1, 2, 3, 4});
  work.exp.Domains[1].Values[2] = 1.4;
  work.exp.Domains[1].Values[3] = 0.7;
  std::vector<int> seen;
  auto record = [](int steps, double, void* user) { static_cast<std::vector<int>*>(user)->push_back(steps); };
  const SimplexOutcome out = LocalOptimization(work, *buf, record, &seen);
  ASSERT_EQ(out.parameters, 4);
  ASSERT_FALSE(seen.empty());
  EXPECT_GT(out.steps, 40);
  EXPECT_LE(out.steps, 40 + 4);  // a shrink adds at most n steps at once
  EXPECT_EQ(seen.back(), out.steps);
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_LE(seen[i], 40) << "went on after step " << seen[i];
}

TEST_F(LocalOptimizationTest, AReflectionBeyondALimitLandsOnTheLimit) {
  // The true tc lies above its upper limit: the search walks up and every
  // clamped reflection or expansion sits exactly on the limit.
  Tvrecica truth = IsoFitExperiment(2.0, 1.0);
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  testing::SetLimits(work.settings, kIso, 1, 0.0, 1.5, 0.01);
  work.exp.Domains[1].Values[2] = 1.0;
  SwitchOn(work, 1, {2});
  SearchSpace space;
  CollectSearchSpace(work, space);
  ParamVec vector{};
  SearchStart(space, vector);
  DownhillSimplex(work, space, vector, *buf);
  EXPECT_EQ(vector[1], 1.5);
  EXPECT_EQ(work.exp.Domains[1].Values[2], 1.5);
}

TEST_F(LocalOptimizationTest, APinnedParameterStaysWhereItIs) {
  Tvrecica truth = IsoFitExperiment();
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  testing::SetLimits(work.settings, kIso, 0, 0.8, 0.8, 0.01);  // Lw pinned
  work.exp.Domains[1].Values[2] = 1.2;
  SwitchOn(work, 1, {1, 2});
  LocalOptimization(work, *buf);
  EXPECT_EQ(work.exp.Domains[1].Values[1], 0.8);
}

TEST_F(LocalOptimizationTest, RecoversCorrelationTimeAndWidthStartedTwentyPercentOff) {
  Tvrecica truth = IsoFitExperiment(1.0, 1.0);
  MakeExperimentalSpectra(truth, *buf);
  Tvrecica work = truth;
  SwitchOn(work, 1, {2, 3});
  work.exp.Domains[1].Values[2] = 1.2;
  work.exp.Domains[1].Values[3] = 0.8;
  Tvrecica start = work;
  const float start_fitness = SimulateExperiment(start, [&] {
    ParamVec v{};
    CollectParamVector(start.exp, v);
    return v;
  }(), *buf);
  const SimplexOutcome out = LocalOptimization(work, *buf);
  EXPECT_LT(out.fitness, start_fitness);
  EXPECT_LT(out.fitness, 1.5);  // noise of S/N 100 gives about 1
  EXPECT_NEAR(work.exp.Domains[1].Values[2], 1.0, 0.05);
  EXPECT_NEAR(work.exp.Domains[1].Values[3], 1.0, 0.05);
  EXPECT_EQ(out.fitness, work.exp.Fitness);
}

}  // namespace
}  // namespace korvel
