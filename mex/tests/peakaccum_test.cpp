#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "mex_test_support.h"

namespace korvel::mex_host {
namespace {

constexpr double kConservation = 1e-12;  // relative
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const std::string kInfMessage = "********** peakaccum: Inf encountered!! Please report! **************\n";
const std::string kNegativeMessage =
    "********** peakaccum: Negative width encountered!! Please report! **************\n";

struct Lines {
  std::vector<double> pos, amp, wid;
};

CallResult Accumulate(const std::vector<double>& G, double c0, double rho, const Lines& lines, const ArrayPtr& axis) {
  ArrayPtr g = MakeRow(G), c = MakeScalar(c0), r = MakeScalar(rho);
  ArrayPtr p = MakeRow(lines.pos), a = MakeRow(lines.amp), w = MakeRow(lines.wid);
  return Call(korvel_peakaccum_mex, 1, {g.get(), c.get(), r.get(), p.get(), a.get(), w.get(), axis.get()});
}

std::vector<double> Spectrum(const std::vector<double>& G, double c0, double rho, const Lines& lines,
                             const ArrayPtr& axis) {
  return Real(Accumulate(G, c0, rho, lines, axis).outputs.at(0).get());
}

// The small table of the worked example: a line whose running integral
// rises 0, 0.25, 0.75, 1 over four samples, centred between samples 2 and 3.
const std::vector<double> kSmallTable{0, 0.25, 0.75, 1};

// Running integral of a raised-cosine line, exactly 0 over the first and 1
// over the last samples, centred at 1-based index 101; 20 samples per width.
std::vector<double> BumpTable() {
  std::vector<double> G(201);
  for (std::size_t k = 0; k < G.size(); ++k) {
    const double x = std::clamp((static_cast<double>(k) - 10.0) / 180.0, 0.0, 1.0);
    G[k] = x - std::sin(2 * std::numbers::pi * x) / (2 * std::numbers::pi);
  }
  return G;
}

TEST(Peakaccum, WorkedExampleSpreadsOneLineOverThreePoints) {
  CallResult result = Accumulate(kSmallTable, 2.5, 1, {{5}, {1}, {1}}, MakeAxis(0, 1, 10));
  const std::vector<double> got = Real(result.outputs[0].get());
  const std::vector<double> expected{0, 0, 0, 0, 0.25, 0.5, 0.25, 0, 0, 0};
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t k = 0; k < got.size(); ++k) EXPECT_DOUBLE_EQ(got[k], expected[k]) << "element " << k;
  EXPECT_DOUBLE_EQ(Sum(got) * 1.0, 1.0 * (kSmallTable[3] - kSmallTable[0]));
  EXPECT_EQ(result.printed, "");
}

TEST(Peakaccum, LinesInsideTheAxisKeepTheirArea) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> pos(30, 220), amp(-2, 3), wid(0.1, 4);
  const double dx = 0.5;
  Lines lines;
  double total = 0;
  for (int i = 0; i < 300; ++i) {
    lines.pos.push_back(pos(rng));
    lines.amp.push_back(amp(rng));
    lines.wid.push_back(wid(rng));
    total += lines.amp.back();
  }
  std::vector<double> got = Spectrum(BumpTable(), 101, 20, lines, MakeAxis(0, dx, 512));
  EXPECT_NEAR(Sum(got) * dx, total, kConservation * 300);
}

TEST(Peakaccum, ZeroWidthPutsTheWholeAreaIntoThePointOfItsPosition) {
  for (double position : {5.0, 5.3, 4.6}) {
    std::vector<double> got = Spectrum(kSmallTable, 2.5, 1, {{position}, {2}, {0}}, MakeAxis(0, 1, 10));
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], k == 5 ? 2.0 : 0.0, 1e-12) << position;
  }
}

TEST(Peakaccum, LinesWhoseTableMissesTheAxisAddNothing) {
  // With the small table o = position - 2 and e = o + 3 on a unit axis.
  ArrayPtr axis = MakeAxis(0, 1, 10);
  EXPECT_EQ(Sum(Spectrum(kSmallTable, 2.5, 1, {{11}, {1}, {1}}, axis)), 0.0);   // o = Nx - 1
  EXPECT_EQ(Sum(Spectrum(kSmallTable, 2.5, 1, {{-1}, {1}, {1}}, axis)), 0.0);   // e = 0
  EXPECT_EQ(Sum(Spectrum(kSmallTable, 2.5, 1, {{-50}, {1}, {1}}, axis)), 0.0);
  EXPECT_GT(Sum(Spectrum(kSmallTable, 2.5, 1, {{10.5}, {1}, {1}}, axis)), 0.0);  // just inside
  EXPECT_GT(Sum(Spectrum(kSmallTable, 2.5, 1, {{-0.9}, {1}, {1}}, axis)), 0.0);
}

TEST(Peakaccum, InfinityAndNegativeWidthAreReportedOnceInThatOrder) {
  const Lines good{{5}, {1}, {1}};
  const std::vector<double> reference = Spectrum(kSmallTable, 2.5, 1, good, MakeAxis(0, 1, 10));

  // Negative width first in the list, infinities after it: the Inf message
  // still comes first, and each is printed once.
  Lines mixed{{3, 5, 2, kInf, 6}, {1, 1, kInf, 1, -kInf}, {-1, 1, 1, 1, 1}};
  CallResult result = Accumulate(kSmallTable, 2.5, 1, mixed, MakeAxis(0, 1, 10));
  EXPECT_EQ(result.printed, kInfMessage + kNegativeMessage);
  const std::vector<double> negative = Spectrum(kSmallTable, 2.5, 1, {{3}, {1}, {0}}, MakeAxis(0, 1, 10));
  std::vector<double> got = Real(result.outputs[0].get());
  for (std::size_t k = 0; k < got.size(); ++k) EXPECT_DOUBLE_EQ(got[k], reference[k] + negative[k]);

  EXPECT_EQ(Accumulate(kSmallTable, 2.5, 1, {{5, 6}, {kInf, kInf}, {1, 1}}, MakeAxis(0, 1, 10)).printed, kInfMessage);
  EXPECT_EQ(Accumulate(kSmallTable, 2.5, 1, {{5, 6}, {1, 1}, {-1, -2}}, MakeAxis(0, 1, 10)).printed,
            kNegativeMessage);
}

TEST(Peakaccum, LinesWithNanAreSkippedSilently) {
  CallResult result = Accumulate(kSmallTable, 2.5, 1, {{kNaN, 5, 5}, {1, kNaN, 1}, {1, 1, kNaN}}, MakeAxis(0, 1, 10));
  EXPECT_EQ(Sum(Real(result.outputs[0].get())), 0.0);
  EXPECT_EQ(result.printed, "");
  // A NaN outranks an infinity in the same line: no message.
  EXPECT_EQ(Accumulate(kSmallTable, 2.5, 1, {{kInf}, {kNaN}, {1}}, MakeAxis(0, 1, 10)).printed, "");
}

TEST(Peakaccum, IdenticalLinesAddUp) {
  std::vector<double> one = Spectrum(BumpTable(), 101, 20, {{40.3}, {1.5}, {2.2}}, MakeAxis(0, 1, 100));
  std::vector<double> two = Spectrum(BumpTable(), 101, 20, {{40.3, 40.3}, {1.5, 1.5}, {2.2, 2.2}}, MakeAxis(0, 1, 100));
  for (std::size_t k = 0; k < one.size(); ++k) EXPECT_DOUBLE_EQ(two[k], 2 * one[k]);
}

TEST(Peakaccum, TableReadingsStayInsideShortTables) {
  // The host's arrays are surrounded by NaN: a reading past G would show up
  // as NaN in the result, a write past the result fails the call. The
  // hardest lines end their table just past an axis point (e slightly above
  // an integer): the running s of the last interval then lands on Ng - 1
  // after rounding.
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> c0(-3, 6), log_rho(-1, 1), wid(0, 10), pos(-5, 25), table(0, 1);
  std::uniform_int_distribution<int> point(1, 15);
  const double nudges[] = {1e-15, 3e-15, 1e-14};
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<double> G(2 + trial % 4);
    for (double& g : G) g = table(rng);
    const double rho = std::pow(10.0, log_rho(rng)), centre = c0(rng);
    const double steps = static_cast<double>(G.size() - 1) / rho;  // table length with Wid = 1, dx = 1
    const double edge = point(rng) + nudges[trial % 3] - steps + (centre - 1) / rho + 0.5;
    const Lines lines{{pos(rng), edge}, {1, 1}, {trial % 7 == 0 ? 0.0 : wid(rng), 1}};
    std::vector<double> got = Spectrum(G, centre, rho, lines, MakeAxis(0, 1, 20));
    ASSERT_TRUE(std::all_of(got.begin(), got.end(), [](double v) { return std::isfinite(v); })) << "trial " << trial;
  }
}

std::vector<ArrayPtr> Inputs(ArrayPtr rho, ArrayPtr wid, ArrayPtr axis, ArrayPtr G = MakeRow(kSmallTable)) {
  return Args(std::move(G), MakeScalar(2.5), std::move(rho), MakeRow({5}), MakeRow({1}), std::move(wid),
              std::move(axis));
}

const ArgumentCase kArgumentCases[] = {
    {"SixInputs", 1, [] { return Args(MakeRow(kSmallTable), MakeScalar(2.5), MakeScalar(1), MakeRow({5}),
                                      MakeRow({1}), MakeRow({1})); },
     "Wrong number of input parameters!"},
    {"NoOutput", 0, [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Wrong number of output parameters!"},
    {"TwoOutputs", 2, [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Wrong number of output parameters!"},
    {"TwoWidthsForOneLine", 1, [] { return Inputs(MakeScalar(1), MakeRow({1, 1}), MakeAxis(0, 1, 10)); },
     "Pos, Amp, Wid must have the same number of elements!"},
    {"OneSampleTable", 1, [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeAxis(0, 1, 10), MakeRow({1})); },
     "Line shape table G must have at least 2 elements!"},
    {"ZeroRho", 1, [] { return Inputs(MakeScalar(0), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Table density rho must be a positive finite number!"},
    {"NegativeRho", 1, [] { return Inputs(MakeScalar(-1), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Table density rho must be a positive finite number!"},
    {"InfiniteRho", 1, [] { return Inputs(MakeScalar(kInf), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Table density rho must be a positive finite number!"},
    {"NanRho", 1, [] { return Inputs(MakeScalar(kNaN), MakeRow({1}), MakeAxis(0, 1, 10)); },
     "Table density rho must be a positive finite number!"},
    {"WidthTooSmallForTheTableScale", 1, [] { return Inputs(MakeScalar(1e10), MakeRow({1e-310}), MakeAxis(0, 1, 10)); },
     "Wid(1) = 1e-310 gives a table scale rho/Wid*dx that is not a positive finite number!"},
    {"OneElementAxis", 1, [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeScalar(0)); },
     "Axis X must have at least 2 elements!"},
    {"ZeroStep", 1, [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeRow({2, 2, 2})); },
     "Axis X must be ascending with a finite step X(2) - X(1) > 0!"},
    {"SingleTable", 1,
     [] { return Inputs(MakeScalar(1), MakeRow({1}), MakeAxis(0, 1, 10), MakeSingleRow({0, 0.25f, 0.75f, 1})); },
     "Line shape table G must be a full double array!"},
};

class PeakaccumArguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(PeakaccumArguments, AreRefusedWithTheirMessage) {
  std::vector<ArrayPtr> owned = GetParam().inputs();
  EXPECT_EQ(ErrorOf(korvel_peakaccum_mex, GetParam().nlhs, Views(owned)), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Peakaccum, PeakaccumArguments, testing::ValuesIn(kArgumentCases), CaseName);

}  // namespace
}  // namespace korvel::mex_host
