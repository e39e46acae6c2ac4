#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "mex_test_support.h"

namespace korvel::mex_host {
namespace {

constexpr double kTight = 1e-12;   // closed-form roots of well separated cubics
constexpr double kNewton = 1e-10;  // Newton stops once a step is below 1e-11

struct Roots {
  std::vector<double> t, d1, d2;
};

Roots Solve(const std::vector<double>& coeffs, const ArrayPtr& loop_fields = nullptr) {
  ArrayPtr c = MakeRow(coeffs);
  std::vector<const mxArray*> inputs{c.get()};
  if (loop_fields) inputs.push_back(loop_fields.get());
  CallResult result = Call(korvel_rootfind3_mex, 3, inputs);
  for (const ArrayPtr& out : result.outputs) EXPECT_EQ(Rows(out.get()), 1u);
  EXPECT_EQ(result.blocks_left, 0u) << "the scratch block goes back to the memory manager";
  return {Real(result.outputs[0].get()), Real(result.outputs[1].get()), Real(result.outputs[2].get())};
}

// Coefficients of scale (t - r1)(t - r2)(t - r3).
std::vector<double> FromRoots(double scale, double r1, double r2, double r3) {
  return {scale, -scale * (r1 + r2 + r3), scale * (r1 * r2 + r1 * r3 + r2 * r3), -scale * r1 * r2 * r3};
}

TEST(Rootfind3, AllZeroCoefficientsAreAnError) {
  ArrayPtr zero = MakeRow({0, 0, 0, 0});
  EXPECT_EQ(ErrorOf(korvel_rootfind3_mex, 1, {zero.get()}), "All coefficients of the cubic spline are zero!");
  ArrayPtr fast = MakeScalar(0);
  EXPECT_EQ(ErrorOf(korvel_rootfind3_mex, 1, {zero.get(), fast.get()}),
            "All coefficients of the cubic spline are zero!");
}

TEST(Rootfind3, NonZeroConstantGivesThreeEmptyRows) {
  Roots r = Solve({0, 0, 0, 5});
  EXPECT_TRUE(r.t.empty());
  EXPECT_TRUE(r.d1.empty());
  EXPECT_TRUE(r.d2.empty());
}

TEST(Rootfind3, LinearPolynomialGivesItsRootWithDerivatives) {
  Roots r = Solve({0, 0, 1, -0.5});
  ASSERT_EQ(r.t.size(), 1u);
  EXPECT_DOUBLE_EQ(r.t[0], 0.5);
  EXPECT_DOUBLE_EQ(r.d1[0], 1.0);
  EXPECT_DOUBLE_EQ(r.d2[0], 0.0);
}

TEST(Rootfind3, ThreeRootsComeAscendingAndKeepTheirOwnDerivatives) {
  // (t - 0.2)(t - 0.5)(t - 0.9): p'(t) = 3t^2 - 3.2t + 0.73, p''(t) = 6t - 3.2.
  Roots r = Solve({1, -1.6, 0.73, -0.09});
  ASSERT_EQ(r.t.size(), 3u);
  const std::array<double, 3> t{0.2, 0.5, 0.9}, d1{0.21, -0.12, 0.28}, d2{-2.0, -0.2, 2.2};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(r.t[i], t[i], kTight);
    EXPECT_NEAR(r.d1[i], d1[i], kTight);
    EXPECT_NEAR(r.d2[i], d2[i], kTight);
  }
}

TEST(Rootfind3, CubicsFromChosenRootsAreSolvedWhateverTheCandidateOrder) {
  // Random separated roots, some outside [0, 1], and both signs of A (which
  // reverses the order in which the closed form produces its candidates).
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> root(-0.5, 1.5), scale(0.2, 5.0);
  for (int trial = 0; trial < 500; ++trial) {
    std::array<double, 3> rs{root(rng), root(rng), root(rng)};
    std::sort(rs.begin(), rs.end());
    if (rs[1] - rs[0] < 0.05 || rs[2] - rs[1] < 0.05) continue;
    if (std::any_of(rs.begin(), rs.end(), [](double r) { return std::abs(r) < 1e-6 || std::abs(r - 1) < 1e-6; }))
      continue;
    const double a = (trial % 2 ? -1.0 : 1.0) * scale(rng);
    Roots r = Solve(FromRoots(a, rs[0], rs[1], rs[2]));
    std::vector<double> inside;
    for (double x : rs)
      if (x >= 0 && x <= 1) inside.push_back(x);
    ASSERT_EQ(r.t.size(), inside.size()) << "roots " << rs[0] << " " << rs[1] << " " << rs[2];
    for (std::size_t i = 0; i < inside.size(); ++i) {
      const double x = inside[i];
      double d1 = a, d2 = 0;
      for (double other : rs)
        if (other != x) d1 *= x - other, d2 += x - other;
      d2 *= 2 * a;
      EXPECT_NEAR(r.t[i], x, 1e-9);
      EXPECT_NEAR(r.d1[i], d1, 1e-8);
      EXPECT_NEAR(r.d2[i], d2, 1e-8);
    }
  }
}

TEST(Rootfind3, TwoRootsInsideAreFoundWhenTheEndsHaveTheSameSign) {
  // p(0) and p(1) are both positive, yet the cubic dips below zero between.
  Roots r = Solve(FromRoots(2.63477, 0.913962, 0.457205, -0.415809));
  ASSERT_EQ(r.t.size(), 2u);
  EXPECT_NEAR(r.t[0], 0.457205, kTight);
  EXPECT_NEAR(r.t[1], 0.913962, kTight);
}

TEST(Rootfind3, RootsOutsideAreDroppedAndRootsAtTheEndsAreKept) {
  Roots outside = Solve(FromRoots(1, -0.5, 0.5, 1.5));
  ASSERT_EQ(outside.t.size(), 1u);
  EXPECT_NEAR(outside.t[0], 0.5, kTight);

  Roots ends = Solve({0, 1, -1, 0});  // t^2 - t: roots exactly 0 and 1
  ASSERT_EQ(ends.t.size(), 2u);
  EXPECT_EQ(ends.t[0], 0.0);
  EXPECT_EQ(ends.t[1], 1.0);
  EXPECT_EQ(ends.d1[0], -1.0);
  EXPECT_EQ(ends.d1[1], 1.0);

  EXPECT_EQ(Solve({0, 0, 2, -2}).t, std::vector<double>{1.0});
  EXPECT_EQ(Solve({0, 0, 2, 0}).t.size(), 1u);
}

TEST(Rootfind3, DoubleRootWithASimpleRootGivesOnlyTheOneRootFormula) {
  // (t - 0.5)^2 (t - 0.25): Q^3 = R^2 holds exactly for these coefficients,
  // and the one-root formula yields the simple root.
  Roots r = Solve({1, -1.25, 0.5, -0.0625});
  ASSERT_EQ(r.t.size(), 1u);
  EXPECT_NEAR(r.t[0], 0.25, kTight);
  EXPECT_NEAR(r.d1[0], 0.0625, kTight);  // p'(0.25) = (0.25 - 0.5)^2
}

TEST(Rootfind3, FastPathOfAMonotoneCubicAgreesWithTheClosedForm) {
  ArrayPtr fast = MakeScalar(0);
  // Decreasing on [0, 1] (p' = 3t^2 - 5t - 1 < 0) and positive at both ends.
  EXPECT_TRUE(Solve({1, -2.5, -1, 5}, fast).t.empty());
  EXPECT_TRUE(Solve({1, -2.5, -1, 5}).t.empty());

  std::mt19937 rng(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0), wide(-3.0, 3.0);
  int checked = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const double A = wide(rng), B = wide(rng), C = wide(rng), D = wide(rng);
    if (!(C * (3 * A + 2 * B + C) > 0 && A * C < 0)) continue;  // only monotone cubics
    Roots newton = Solve({A, B, C, D}, fast);
    Roots closed = Solve({A, B, C, D});
    ASSERT_EQ(newton.t.size(), closed.t.size());
    for (std::size_t i = 0; i < newton.t.size(); ++i) {
      EXPECT_NEAR(newton.t[i], closed.t[i], kNewton);
      EXPECT_NEAR(newton.d1[i], closed.d1[i], 1e-8);
      EXPECT_NEAR(newton.d2[i], closed.d2[i], 1e-8);
    }
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(Rootfind3, LoopFieldsIsTrueUnlessItIsZero) {
  // A NaN or any non-zero value selects the closed form; its root equals the
  // Newton root only to the tolerance, so the three results are compared.
  const std::vector<double> coeffs = FromRoots(1, 0.3, 2.0, 3.0);
  const double closed = Solve(coeffs).t.at(0);
  EXPECT_EQ(Solve(coeffs, MakeScalar(std::numeric_limits<double>::quiet_NaN())).t.at(0), closed);
  EXPECT_EQ(Solve(coeffs, MakeScalar(-2)).t.at(0), closed);
  EXPECT_NEAR(Solve(coeffs, MakeScalar(0)).t.at(0), 0.3, kNewton);
}

TEST(Rootfind3, AnyShapeOfFourElementsIsAccepted) {
  ArrayPtr square = MakeDouble(2, 2, {1, -1.6, 0.73, -0.09});
  CallResult result = Call(korvel_rootfind3_mex, 1, {square.get()});
  EXPECT_EQ(Cols(result.outputs[0].get()), 3u);
}

TEST(Rootfind3, OnlyTheRequestedOutputsAreCreated) {
  // The host gives plhs exactly max(nlhs, 1) slots and fails the call if a
  // slot past them is written.
  ArrayPtr c = MakeRow({1, -1.6, 0.73, -0.09});
  for (int nlhs = 0; nlhs <= 3; ++nlhs) {
    CallResult result = Call(korvel_rootfind3_mex, nlhs, {c.get()});
    ASSERT_EQ(result.outputs.size(), static_cast<std::size_t>(std::max(nlhs, 1)));
    EXPECT_EQ(Cols(result.outputs[0].get()), 3u);
  }
}

const ArgumentCase kArgumentCases[] = {
    {"FourOutputs", 4, [] { return Args(MakeRow({0, 0, 1, 0})); }, "Wrong number of output parameters!"},
    {"FourOutputsAndNoInput", 4, [] { return Args(); }, "Wrong number of output parameters!"},
    {"NoInput", 1, [] { return Args(); }, "Wrong number of input parameters!"},
    {"ThreeInputs", 1,
     [] {
       return Args(MakeRow({0, 0, 1, 0}), MakeScalar(1), MakeScalar(1));
     },
     "Wrong number of input parameters!"},
    {"FiveCoefficients", 1, [] { return Args(MakeRow({1, 0, 0, 1, 0})); },
     "Coefficient vector must contain 4 real elements!"},
    {"ComplexCoefficients", 1, [] { return Args(MakeRow({1, 0, 0, 1}, {0, 1, 0, 0})); },
     "Coefficient vector must contain 4 real elements!"},
    {"RowLoopFields", 1, [] { return Args(MakeRow({0, 0, 1, 0}), MakeRow({1, 0})); },
     "LoopFields must be a scalar (boolean)!"},
    {"EmptyLoopFields", 1, [] { return Args(MakeRow({0, 0, 1, 0}), MakeRow({})); },
     "LoopFields must be a scalar (boolean)!"},
    {"SingleCoefficients", 1, [] { return Args(MakeSingleRow({0, 0, 1, -0.5f})); },
     "Coefficient vector must be a full double array!"},
    {"SparseCoefficients", 1, [] { return Args(MakeSparse(1, 4)); },
     "Coefficient vector must be a full double array!"},
};

class Rootfind3Arguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(Rootfind3Arguments, AreRefusedWithTheirMessage) {
  std::vector<ArrayPtr> owned = GetParam().inputs();
  EXPECT_EQ(ErrorOf(korvel_rootfind3_mex, GetParam().nlhs, Views(owned)), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Rootfind3, Rootfind3Arguments, testing::ValuesIn(kArgumentCases), CaseName);

}  // namespace
}  // namespace korvel::mex_host
