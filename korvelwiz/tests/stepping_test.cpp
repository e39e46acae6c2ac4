#include "session/stepping.h"

#include <gtest/gtest.h>

#include "fitting_fixture.h"

namespace korvel {
namespace {

// An iso domain (6 rows) followed by a lbe domain (8 rows): headers at rows
// 0 and 7, parameter rows 1..6 and 8..15, empty rows from 16.
Tspcmf IsoThenLbe() {
  Tspcmf exp;
  exp.DomainCount = 2;
  exp.Domains[1].type = kIso;
  exp.Domains[2].type = kLbe;
  return exp;
}

TEST(PaletteRows, MapHeadersParametersAndEmptyRows) {
  const Tspcmf exp = IsoThenLbe();
  EXPECT_EQ(PaletteHeaderRow(exp, 1), 0);
  EXPECT_EQ(PaletteHeaderRow(exp, 2), 7);
  EXPECT_EQ(PaletteParamRow(exp, 2, 8), 15);
  struct Case {
    int row, domain, param;
  };
  for (const Case& c : {Case{0, 1, 0}, Case{1, 1, 1}, Case{6, 1, 6}, Case{7, 2, 0}, Case{8, 2, 1},
                        Case{15, 2, 8}, Case{16, 0, 0}, Case{99, 0, 0}, Case{-1, 0, 0}}) {
    const PaletteRow r = MapPaletteRow(exp, c.row);
    EXPECT_EQ(r.domain, c.domain) << "row " << c.row;
    EXPECT_EQ(r.param, c.param) << "row " << c.row;
  }
  for (int k = 1; k <= 2; ++k)
    for (int p = 1; p <= ParamCount(exp.Domains[k].type); ++p) {
      const PaletteRow r = MapPaletteRow(exp, PaletteParamRow(exp, k, p));
      EXPECT_EQ(r.domain, k);
      EXPECT_EQ(r.param, p);
    }
}

TEST(StepMultiplier, ControlWinsOverShift) {
  EXPECT_EQ(StepMultiplier(false, false), 1.0);
  EXPECT_EQ(StepMultiplier(true, false), 10.0);
  EXPECT_EQ(StepMultiplier(true, true), 1'000'000.0);
  EXPECT_EQ(StepMultiplier(false, true), 1'000'000.0);
}

class SteppingTest : public ::testing::Test {
 protected:
  Tvrecica w = testing::TwoIsoExperiment(0.3);  // tc grid 0.01 in [0, 5]
  double& tc1() { return w.exp.Domains[1].Values[2]; }
};

TEST_F(SteppingTest, OneTenAndToTheLimitInEitherDirection) {
  struct Case {
    int direction;
    double multiplier, expected;
  };
  for (const Case& c : {Case{+1, kStepOne, 0.21}, Case{+1, kStepTen, 0.3}, Case{+1, kStepToLimit, 5.0},
                        Case{-1, kStepOne, 0.19}, Case{-1, kStepTen, 0.1}, Case{-1, kStepToLimit, 0.0}}) {
    tc1() = 0.2;
    ASSERT_TRUE(StepParameter(w.exp, w.settings, 2, c.direction, c.multiplier));
    EXPECT_NEAR(tc1(), c.expected, 1e-12) << c.direction << " x" << c.multiplier;
  }
}

TEST_F(SteppingTest, HeaderAndEmptyRowsChangeNothing) {
  const Tspcmf before = w.exp;
  EXPECT_FALSE(StepParameter(w.exp, w.settings, 0, +1, kStepOne));
  EXPECT_FALSE(StepParameter(w.exp, w.settings, 7, +1, kStepOne));
  EXPECT_FALSE(StepParameter(w.exp, w.settings, 14, +1, kStepOne));
  for (int k = 1; k <= 2; ++k)
    EXPECT_TRUE(w.exp.Domains[k].Values == before.Domains[k].Values) << "domain " << k;
}

TEST_F(SteppingTest, TheWeightRowStepsTheAbsoluteWeightAndTheLastDomainTakesTheRest) {
  auto buf = MakeSimBuffers();
  testing::MakeExperimentalSpectra(w, *buf);
  ASSERT_TRUE(StepParameter(w.exp, w.settings, 6, +1, kStepTen));  // row 6: weight of domain 1
  EXPECT_NEAR(w.exp.Domains[1].Values[0], 0.4, 1e-12);
  EXPECT_NEAR(w.exp.Domains[1].Values[6], 0.4, 1e-12);  // conditional follows
  ParamVec v{};
  CollectParamVector(w.exp, v);
  SimulateExperiment(w, v, *buf);
  EXPECT_NEAR(w.exp.Domains[2].Values[0], 0.6, 1e-12);
}

}  // namespace
}  // namespace korvel
