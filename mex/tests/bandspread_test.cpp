#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "mex_test_support.h"

namespace korvel::mex_host {
namespace {

constexpr double kConservation = 1e-12;  // relative
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Band {
  std::vector<double> re, im;
  bool complex = false;
};

Band Spread(const std::vector<double>& P, const ArrayPtr& amp, const std::vector<double>& Wt, const ArrayPtr& axis) {
  ArrayPtr p = MakeRow(P), w = MakeRow(Wt);
  CallResult result = Call(korvel_bandspread_mex, 1, {p.get(), amp.get(), w.get(), axis.get()});
  const mxArray* out = result.outputs.at(0).get();
  EXPECT_EQ(Rows(out), 1u);
  return {Real(out), Imag(out), IsComplex(out)};
}

TEST(Bandspread, OneSegmentSpreadsEvenlyOverItsTwoBins) {
  const std::vector<double> expected{0, 0, 0.5, 0.5, 0, 0, 0, 0, 0, 0};
  Band real = Spread({2, 4}, MakeScalar(1), {1}, MakeAxis(0, 1, 10));
  EXPECT_FALSE(real.complex);
  EXPECT_EQ(real.re, expected);

  Band complex = Spread({2, 4}, MakeRow({1}, {2}), {1}, MakeAxis(0, 1, 10));
  EXPECT_TRUE(complex.complex);
  EXPECT_EQ(complex.re, expected);
  std::vector<double> twice(expected);
  for (double& v : twice) v *= 2;
  EXPECT_EQ(complex.im, twice);
}

TEST(Bandspread, EqualEndsInOneBinAddTheWholeSegmentValue) {
  // v = Amp * Wt / dx = 3 * 0.5 / 0.25.
  Band got = Spread({1.1, 1.1}, MakeScalar(3), {0.5}, MakeAxis(0, 0.25, 8));
  for (std::size_t k = 0; k < got.re.size(); ++k) EXPECT_DOUBLE_EQ(got.re[k], k == 4 ? 6.0 : 0.0) << k;
}

TEST(Bandspread, DescendingPositionsGiveTheAscendingResult) {
  for (const std::vector<double>& ends : {std::vector<double>{2.3, 6.8}, std::vector<double>{-0.5, 3.2},
                                          std::vector<double>{7.5, 12}}) {
    Band up = Spread(ends, MakeScalar(1.5), {2}, MakeAxis(0, 1, 10));
    Band down = Spread({ends[1], ends[0]}, MakeScalar(1.5), {2}, MakeAxis(0, 1, 10));
    EXPECT_EQ(up.re, down.re);
  }
}

TEST(Bandspread, PerPositionAmplitudesAverageOverEachSegment) {
  // Segment 1 (0.2..0.8) lies in bin 0 with v = (1 + 3)/2 * 1; segment 2
  // (0.8..1.6) has v = (3 + 7)/2 * 2 and splits 0.2 : 0.6 over bins 0 and 1.
  Band got = Spread({0.2, 0.8, 1.6}, MakeRow({1, 3, 7}, {0, 1, 2}), {1, 2}, MakeAxis(0, 1, 4));
  EXPECT_NEAR(got.re[0], 2 + 10 * 0.25, 1e-14);
  EXPECT_NEAR(got.re[1], 10 * 0.75, 1e-14);
  EXPECT_NEAR(got.im[0], 0.5 + 3 * 0.25, 1e-14);
  EXPECT_NEAR(got.im[1], 3 * 0.75, 1e-14);
  EXPECT_EQ(got.re[2] + got.re[3], 0.0);
}

TEST(Bandspread, SegmentsOffTheAxisAddNothing) {
  ArrayPtr axis = MakeAxis(0, 1, 10);
  EXPECT_EQ(Sum(Spread({-5, -1.5}, MakeScalar(1), {1}, axis).re), 0.0);   // left by more than one step
  EXPECT_EQ(Sum(Spread({10, 14}, MakeScalar(1), {1}, axis).re), 0.0);     // at bin Nx
  EXPECT_EQ(Sum(Spread({1, kNaN, 3}, MakeScalar(1), {1, 1}, axis).re), 0.0);
  // Partly outside: only the inside part lands, inside the row.
  EXPECT_NEAR(Sum(Spread({8, 12}, MakeScalar(1), {1}, axis).re), 0.5, 1e-15);
  EXPECT_NEAR(Sum(Spread({-kInf, 5}, MakeScalar(1), {1}, axis).re), 0.0, 1e-15);
  EXPECT_NEAR(Sum(Spread({-1e300, 1e300}, MakeScalar(1), {1}, axis).re), 0.0, 1e-15);
}

TEST(Bandspread, RandomChainInsideTheAxisConservesItsValue) {
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> pos(1, 120), amp(-1, 2), wt(0, 1);
  const std::size_t np = 5000;
  std::vector<double> P(np), re(np), im(np), Wt(np - 1);
  for (std::size_t i = 0; i < np; ++i) P[i] = pos(rng), re[i] = amp(rng), im[i] = amp(rng);
  double total_re = 0, total_im = 0, scale = 0;
  for (std::size_t s = 0; s + 1 < np; ++s) {
    Wt[s] = wt(rng);
    total_re += (re[s] + re[s + 1]) / 2 * Wt[s];
    total_im += (im[s] + im[s + 1]) / 2 * Wt[s];
    scale += std::abs(Wt[s]) * 2;
  }
  const double dx = 0.5;
  Band got = Spread(P, MakeRow(re, im), Wt, MakeAxis(0, dx, 256));
  EXPECT_NEAR(Sum(got.re) * dx, total_re, kConservation * scale);
  EXPECT_NEAR(Sum(got.im) * dx, total_im, kConservation * scale);
}

ArrayPtr Peaks() { return MakeRow({2, 4, 6}); }
ArrayPtr Axis() { return MakeAxis(0, 1, 10); }

const ArgumentCase kArgumentCases[] = {
    {"ThreeInputs", 1, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1})); },
     "Wrong number of input parameters!"},
    {"NoOutput", 0, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1}), Axis()); },
     "Wrong number of output parameters!"},
    {"TwoOutputs", 2, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1}), Axis()); },
     "Wrong number of output parameters!"},
    {"AsManyWeightsAsPeaks", 1, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1, 1}), Axis()); },
     "Wrong number of segment weights. Should be nPeaks-1"},
    {"NoPeaksNoWeights", 1, [] { return Args(MakeRow({}), MakeScalar(1), MakeRow({}), Axis()); },
     "Wrong number of segment weights. Should be nPeaks-1"},
    {"TwoAmplitudesForThreePeaks", 1, [] { return Args(Peaks(), MakeRow({1, 1}), MakeRow({1, 1}), Axis()); },
     "Wrong number of amplitudes! Should be 1 or nPeaks."},
    {"ComplexPeaks", 1, [] { return Args(MakeRow({2, 4}, {0, 1}), MakeScalar(1), MakeRow({1}), Axis()); },
     "Peak positions are complex! Only real are allowed."},
    {"ComplexWeights", 1, [] { return Args(MakeRow({2, 4}), MakeScalar(1), MakeRow({1}, {1}), Axis()); },
     "Segment weights are complex! Only real are allowed."},
    {"OneElementAxis", 1, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1}), MakeScalar(0)); },
     "Axis X must have at least 2 elements!"},
    {"ZeroStep", 1, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1}), MakeRow({3, 3})); },
     "Axis X must be ascending with a finite step X(2) - X(1) > 0!"},
    {"NanAxis", 1, [] { return Args(Peaks(), MakeScalar(1), MakeRow({1, 1}), MakeRow({kNaN, 1})); },
     "Axis X must be ascending with a finite step X(2) - X(1) > 0!"},
    {"SingleWeights", 1, [] { return Args(Peaks(), MakeScalar(1), MakeSingleRow({1, 1}), Axis()); },
     "Segment weights Wt must be a full double array!"},
};

class BandspreadArguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(BandspreadArguments, AreRefusedWithTheirMessage) {
  std::vector<ArrayPtr> owned = GetParam().inputs();
  EXPECT_EQ(ErrorOf(korvel_bandspread_mex, GetParam().nlhs, Views(owned)), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Bandspread, BandspreadArguments, testing::ValuesIn(kArgumentCases), CaseName);

}  // namespace
}  // namespace korvel::mex_host
