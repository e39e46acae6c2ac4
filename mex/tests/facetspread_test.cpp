#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "mex_test_support.h"

namespace korvel::mex_host {
namespace {

constexpr double kExact = 1e-15;
constexpr double kConservation = 1e-12;  // relative, over many triangles
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// One call of facetspread with a 3 x Nt corner table.
std::vector<double> Spread(const std::vector<std::uint32_t>& corners, const std::vector<double>& areas,
                           const std::vector<double>& positions, const std::vector<double>& amps,
                           const ArrayPtr& axis) {
  ArrayPtr T = MakeUint32(3, corners.size() / 3, corners);
  ArrayPtr S = MakeRow(areas);
  ArrayPtr P = MakeRow(positions);
  ArrayPtr A = MakeRow(amps);
  return SpectrumOf(korvel_facetspread_mex, {T.get(), S.get(), P.get(), A.get(), axis.get()});
}

TEST(Facetspread, TentOverFourBinsWhateverTheCornerOrder) {
  // Corners at bin coordinates 2, 4, 6 with unit weight on a unit axis.
  const std::vector<double> expected{0, 0, 0.125, 0.375, 0.375, 0.125, 0, 0, 0, 0};
  std::array<std::uint32_t, 3> order{1, 2, 3};
  do {
    std::vector<double> got = Spread({order[0], order[1], order[2]}, {1}, {2, 4, 6}, {1}, MakeAxis(0, 1, 10));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], expected[k], kExact) << "element " << k;
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(Facetspread, TriangleInsideOneBinAddsItsWeightOverTheStepThere) {
  // dx = 0.5; positions 11.6..11.9 lie in bin 3 (x from 11.5 to 12).
  std::vector<double> got = Spread({1, 2, 3}, {2}, {11.6, 11.9, 11.75}, {1.5}, MakeAxis(10, 0.5, 8));
  for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], k == 3 ? 6.0 : 0.0, 1e-13) << k;
  // Two equal corners: only one flank, still the whole weight.
  got = Spread({1, 2, 3}, {2}, {11.6, 11.6, 11.9}, {1.5}, MakeAxis(10, 0.5, 8));
  EXPECT_NEAR(got[3], 6.0, 1e-13);
}

TEST(Facetspread, AmplitudesAreOneForAllOrTheMeanOfTheCorners) {
  // Two triangles sharing corners 2 and 3, each inside its own bin.
  const std::vector<std::uint32_t> T{1, 2, 3, 2, 3, 4};
  std::vector<double> one = Spread(T, {1, 3}, {1.2, 1.4, 1.6, 1.8}, {2}, MakeAxis(0, 1, 4));
  EXPECT_NEAR(one[1], 2 * (1 + 3), 1e-13);
  std::vector<double> per = Spread(T, {1, 3}, {1.2, 1.4, 1.6, 1.8}, {1, 2, 3, 7}, MakeAxis(0, 1, 4));
  EXPECT_NEAR(per[1], 1 * (1 + 2 + 3) / 3.0 + 3 * (2 + 3 + 7) / 3.0, 1e-13);
}

TEST(Facetspread, NanCornerOrThreeEqualPositionsAddNothing) {
  for (const std::vector<double>& P : {std::vector<double>{2, kNaN, 6}, std::vector<double>{3, 3, 3}}) {
    std::vector<double> got = Spread({1, 2, 3}, {1}, P, {1}, MakeAxis(0, 1, 10));
    EXPECT_EQ(Sum(got), 0.0);
  }
}

TEST(Facetspread, CornerJustLeftOfTheAxisCountsInTheFirstElement) {
  // u = -0.5 truncates to bin 0, so nothing of this triangle is lost.
  std::vector<double> got = Spread({1, 2, 3}, {1}, {-0.5, 1, 3}, {1}, MakeAxis(0, 1, 10));
  EXPECT_NEAR(Sum(got), 1.0, 1e-14);
  EXPECT_GT(got[0], 0.0);
}

TEST(Facetspread, RandomTrianglesInsideTheAxisConserveTheirWeight) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> pos(3.0, 60.0), unit(0.1, 2.0);
  const std::size_t nt = 2000, nv = 3 * nt;
  std::vector<std::uint32_t> T(3 * nt);
  std::vector<double> S(nt), P(nv), A(nv);
  for (std::size_t i = 0; i < nv; ++i) {
    T[i] = static_cast<std::uint32_t>(i + 1);
    P[i] = pos(rng);
    A[i] = unit(rng);
  }
  double total = 0;
  for (std::size_t k = 0; k < nt; ++k) {
    S[k] = unit(rng);
    total += S[k] * (A[3 * k] + A[3 * k + 1] + A[3 * k + 2]) / 3.0;
  }
  const double dx = 0.25;
  std::vector<double> got = Spread(T, S, P, A, MakeAxis(0, dx, 256));
  EXPECT_NEAR(Sum(got) * dx, total, kConservation * total);
  EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](double v) { return v >= 0; }));
}

TEST(Facetspread, TrianglesReachingPastTheAxisStayInsideTheResult) {
  // The host fails the call if anything is written outside the 1 x Nx row;
  // huge and infinite positions must not overflow the bin index either.
  const double big = 1e300, inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<double>> cases{
      {-20, 5, 30}, {-20, -15, -12}, {15, 20, 40}, {-big, 4, big}, {-inf, 4, 6}, {2, 4, inf}, {9.5, 9.9, 10.0}};
  for (const std::vector<double>& P : cases) {
    std::vector<double> got = Spread({1, 2, 3}, {1}, P, {1}, MakeAxis(0, 1, 10));
    const double sum = Sum(got);
    EXPECT_LE(sum, 1.0 + 1e-12) << P[0] << " " << P[1] << " " << P[2];
  }
  EXPECT_EQ(Sum(Spread({1, 2, 3}, {1}, {-20, -15, -12}, {1}, MakeAxis(0, 1, 10))), 0.0);
  EXPECT_EQ(Sum(Spread({1, 2, 3}, {1}, {2, 4, inf}, {1}, MakeAxis(0, 1, 10))), 0.0);
  EXPECT_EQ(Sum(Spread({1, 2, 3}, {1}, {10, 15, 20}, {1}, MakeAxis(0, 1, 10))), 0.0);
  // Partly outside: the inside part of the tent from 5 to 15 peaking at 10.
  std::vector<double> half = Spread({1, 2, 3}, {1}, {5, 10, 15}, {1}, MakeAxis(0, 1, 10));
  EXPECT_NEAR(Sum(half), 0.5, 1e-14);
}

ArrayPtr Corners() { return MakeUint32(3, 1, {1, 2, 3}); }
ArrayPtr Positions() { return MakeRow({2, 4, 6}); }
ArrayPtr Axis() { return MakeAxis(0, 1, 10); }

const ArgumentCase kArgumentCases[] = {
    {"FourInputs", 1, [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1)); },
     "Wrong number of input arguments!"},
    {"NoOutput", 0, [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1), Axis()); },
     "Wrong number of output arguments!"},
    {"TwoOutputs", 2, [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1), Axis()); },
     "Wrong number of output arguments!"},
    {"TwoRowTriangulation", 1,
     [] { return Args(MakeUint32(2, 2, {1, 2, 2, 3}), MakeRow({1, 1}), Positions(), MakeScalar(1), Axis()); },
     "Triangulation array must have 3 rows!"},
    {"DoubleTriangulation", 1,
     [] { return Args(MakeDouble(3, 1, {1, 2, 3}), MakeScalar(1), Positions(), MakeScalar(1), Axis()); },
     "Triangulation array must be uint32!"},
    {"AreasDoNotMatchTriangles", 1,
     [] { return Args(Corners(), MakeRow({1, 1}), Positions(), MakeScalar(1), Axis()); },
     "Number of triangles and areas must match!"},
    {"TwoAmplitudesForThreeCorners", 1,
     [] { return Args(Corners(), MakeScalar(1), Positions(), MakeRow({1, 1}), Axis()); },
     "Number of line positions and amplitudes must match!"},
    {"CornerIndexZero", 1,
     [] { return Args(MakeUint32(3, 1, {1, 0, 3}), MakeScalar(1), Positions(), MakeScalar(1), Axis()); },
     "Triangulation array: corner index 0 of triangle 1 is outside 1..3 (the elements of P)!"},
    {"CornerIndexPastTheLastPosition", 1,
     [] {
       return Args(MakeUint32(3, 2, {1, 2, 3, 2, 3, 4}), MakeRow({1, 1}), Positions(), MakeScalar(1), Axis());
     },
     "Triangulation array: corner index 4 of triangle 2 is outside 1..3 (the elements of P)!"},
    {"OneElementAxis", 1, [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1), MakeScalar(0)); },
     "Axis X must have at least 2 elements!"},
    {"ZeroStep", 1, [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1), MakeRow({1, 1, 1})); },
     "Axis X must be ascending with a finite step X(2) - X(1) > 0!"},
    {"DescendingAxis", 1,
     [] { return Args(Corners(), MakeScalar(1), Positions(), MakeScalar(1), MakeAxis(9, -1, 10)); },
     "Axis X must be ascending with a finite step X(2) - X(1) > 0!"},
    {"SinglePositions", 1,
     [] { return Args(Corners(), MakeScalar(1), MakeSingleRow({2, 4, 6}), MakeScalar(1), Axis()); },
     "Line positions P must be a full double array!"},
};

class FacetspreadArguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(FacetspreadArguments, AreRefusedWithTheirMessage) {
  std::vector<ArrayPtr> owned = GetParam().inputs();
  EXPECT_EQ(ErrorOf(korvel_facetspread_mex, GetParam().nlhs, Views(owned)), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Facetspread, FacetspreadArguments, testing::ValuesIn(kArgumentCases), CaseName);

}  // namespace
}  // namespace korvel::mex_host
