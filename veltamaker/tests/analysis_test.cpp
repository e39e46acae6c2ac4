#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "analysis/analysis_settings.h"
#include "analysis/chi_square.h"
#include "analysis/density.h"
#include "analysis/domain_solutions.h"
#include "analysis/plot_slots.h"
#include "analysis/points.h"
#include "analysis/slicing.h"
#include "analysis_fixture.h"
#include "report/general_format.h"
#include "report/velta_ini.h"
#include "velta_error.h"

namespace velta {
namespace {

using velta::testing::MemPoint;
using velta::testing::MemState;

TEST(GeneralFormat, KeepsSignificantDigitsAndSwitchesToExponentsLikeTheReport) {
  const struct {
    double value;
    int digits;
    const char* text;
  } cases[] = {{200, 2, "2E2"},   {199.6, 2, "2E2"},   {123, 2, "1.2E2"}, {12, 2, "12"},
               {99.96, 3, "100"}, {1.5, 4, "1.5"},     {0.1234, 2, "0.12"}, {-3.14159, 3, "-3.14"},
               {0, 4, "0"},       {0.000012345, 3, "0.0000123"}, {0.0000012345, 3, "1.23E-6"}, {94.71013, 4, "94.71"}, {1, 15, "1"},
               {0.035, 15, "0.035"}};
  for (const auto& c : cases) EXPECT_EQ(GeneralFormat(c.value, c.digits), c.text) << c.value;
}

TEST(BrightColour, MapsTheMiddleOfEveryAxisTo191) {
  auto state = MemState({{0.5, 1.5, 2.0, 1.0, 1.0}});
  EXPECT_EQ(BrightColour(state->Points[1], 1), 191u + 191u * 256u + 191u * 65536u);
  state->Points[1].Params[2] = 7.0;  // beyond the tc axis: held at full red
  EXPECT_EQ(BrightColour(state->Points[1], 1) & 0xFFu, 255u);
  state->Points[1].Params[2] = -1.0;
  EXPECT_EQ(BrightColour(state->Points[1], 1) & 0xFFu, 1u);  // Round(255 - (255/16)^2)
}

TEST(BuildPoints, RefusesMoreThanThreeThousandPoints) {
  RecordBatch batch;
  batch.Reset();
  for (int i = 0; i < 601; ++i) {
    SolutionRecord r;
    r.Fitness = 1.0f + 0.001f * static_cast<float>(i);
    r.DomainCount = 5;
    for (int j = 1; j <= 5; ++j) r.Domains[j].TypeCode = 2;
    batch.Records.push_back(r);
  }
  SortBatch(batch);
  auto state = std::make_unique<AnalysisState>();
  Notes notes;
  BuildPoints(*state, batch, notes, 600);
  EXPECT_EQ(state->PointCount, 3000);
  EXPECT_THROW(BuildPoints(*state, batch, notes, 601), VeltaError);
  BuildPoints(*state, batch, notes);  // the usual 200 solutions
  EXPECT_EQ(state->PointCount, 1000);
  EXPECT_EQ(state->Points[1000].DomainNumber, 5);
  EXPECT_TRUE(notes.empty());
}

struct SnCase {
  int sn;
  double factor;
  int position;
  const char* min_density_text;
};

class LoadTimeSettings : public ::testing::TestWithParam<SnCase> {};

TEST_P(LoadTimeSettings, FollowTheSignalToNoiseRatio) {
  auto state = MemState({{0.5, 1.5, 2.0, 1.0, 1.0}});
  state->Settings.SignalToNoise = GetParam().sn;
  Notes notes;
  ApplyLoadTimeSettings(*state, std::nullopt, notes);
  EXPECT_NEAR(state->Settings.SigmaFactor, GetParam().factor, 1e-12);
  EXPECT_EQ(state->Settings.FactorPosition, GetParam().position);
  EXPECT_EQ(state->Settings.MinDensityText, GetParam().min_density_text);
  EXPECT_EQ(state->Settings.LevelPosition, 90);
  EXPECT_NEAR(state->ActiveSigma[1], 0.04f * GetParam().factor, 1e-9);
  EXPECT_EQ(notes.size(), GetParam().sn >= 943 ? 1u : 0u);
  EXPECT_TRUE(state->Settings.SettingsReady);
}

INSTANTIATE_TEST_SUITE_P(Ratios, LoadTimeSettings,
                         ::testing::Values(SnCase{0, 1.7, 17, "1"}, SnCase{100, 1.5, 15, "3"},
                                           SnCase{300, 1.2, 12, "7"}, SnCase{943, 0.1, 1, "20"},
                                           SnCase{2000, 0.1, 1, "41"}));

TEST(LoadTimeSettings, TakeTheSigmaSlidersFromTheSettingsFile) {
  const VeltaMakerIni ini = ParseVeltaIni(
      "[FormVELTA]\r\nTrackBar1Position=0.02\r\nTrackBar2Position=0.04\r\nTrackBar3Position=0.035\r\n"
      "TrackBar4Position=0.035\r\nTrackBar5Position=0.02\r\n");
  auto state = MemState({{0.5, 1.5, 2.0, 1.0, 1.0}});
  state->Settings.SigmaPositions = {1, 1, 1, 1, 1};
  Notes notes;
  ApplyLoadTimeSettings(*state, ini.TrackBars, notes);
  EXPECT_EQ(state->Settings.SigmaPositions, (std::array<std::int32_t, 5>{4, 8, 7, 7, 4}));
  const char* labels[] = {"2 %", "4 %", "3.5 %", "3.5 %", "2 %"};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(SigmaLabel(state->Settings.SigmaPositions[k]), labels[k]);
  EXPECT_NEAR(state->ActiveSigma[2], 7 * 1.7 / 200, 1e-12);
  EXPECT_NEAR(state->ActiveSigma[4], 4 * 1.7 / 200, 1e-12);
}

TEST(LoadTimeSettings, LeaveSlidersWithoutAKeyWhereTheyAre) {
  const VeltaMakerIni ini = ParseVeltaIni("[FormVELTA]\nTrackBar2Position=0.05\n");
  auto state = MemState({{0.5, 1.5, 2.0, 1.0, 1.0}});
  state->Settings.SigmaPositions = {3, 3, 3, 3, 3};
  Notes notes;
  ApplyLoadTimeSettings(*state, ini.TrackBars, notes);
  EXPECT_EQ(state->Settings.SigmaPositions, (std::array<std::int32_t, 5>{3, 10, 3, 3, 3}));
}

TEST(SigmaFactorSlider, TakesEffectOnlyAfterTheLoadTimeSettings) {
  auto state = MemState({{0.5, 1.5, 2.0, 1.0, 1.0}});
  UpdateSigmaFactor(*state, 5);
  EXPECT_EQ(state->Settings.FactorPosition, 10);
  Notes notes;
  ApplyLoadTimeSettings(*state, std::nullopt, notes);
  UpdateSigmaFactor(*state, 5);
  EXPECT_EQ(FactorLabel(state->Settings), "0.5");
  EXPECT_NEAR(state->ActiveSigma[1], 8 * 0.5 / 200, 1e-12);
}

TEST(ChiSquareStatistics, RescalesABestChiSquareBelowOne) {
  auto state = MemState({{0.5, 1.5, 2, 1, 1, 1.0f}, {0.5, 1.5, 2, 1, 1, 0.75f}, {0.5, 1.5, 2, 1, 1, 0.5f},
                          {0.5, 1.5, 2, 1, 1, 1.0f}, {0.5, 1.5, 2, 1, 1, 1.0f}});
  ChiSquareStatistics(*state);
  EXPECT_EQ(state->Chi2Min, 1.0);
  EXPECT_EQ(state->Points[3].Chi2, 1.0f);
  EXPECT_EQ(state->Points[1].Chi2, 2.0f);
  EXPECT_EQ(state->Points[3].Chi2Weight, 1.0f);
  // The 2nd of 5 in chi-square order (Round(0.4 x 5)) lies 0.5 above the best.
  EXPECT_EQ(state->Chi2Sigma, 0.5);
  EXPECT_FLOAT_EQ(state->Points[1].Chi2Weight, static_cast<float>(std::exp(-2.0)));
}

TEST(ChiSquareStatistics, EqualChiSquaresGiveSigmaOneAndFullWeights) {
  auto state = MemState({{0.5, 1.5, 2, 1, 1, 3.0f}, {0.4, 1.5, 2, 1, 1, 3.0f}, {0.3, 1.5, 2, 1, 1, 3.0f}});
  ChiSquareStatistics(*state);
  EXPECT_EQ(state->Chi2Sigma, 1.0);
  for (int m = 1; m <= 3; ++m) EXPECT_EQ(state->Points[m].Chi2Weight, 1.0f);
  EXPECT_EQ(state->Chi2MinText, "3");
}

TEST(ChiSquareStatistics, RefusesANonPositiveBestChiSquare) {
  auto state = MemState({{0.5, 1.5, 2, 1, 1, 0.0f}, {0.4, 1.5, 2, 1, 1, 3.0f}});
  EXPECT_THROW(ChiSquareStatistics(*state), VeltaError);
}

}  // namespace
}  // namespace velta
