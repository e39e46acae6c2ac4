#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "engine/order_table.h"

using namespace korvel;

namespace {

// Spherical mean square cosine by Romberg integration over u = cos theta in
// 0..1 (in extended precision), independent of the series the table is
// built from.
double SphericalMeanByQuadrature(double x) {
  const long double X = x;
  auto romberg = [](auto&& f) {
    constexpr int kLevels = 18;
    long double R[kLevels][kLevels];
    long double h = 1.0L;
    R[0][0] = 0.5L * (f(0.0L) + f(1.0L));
    for (int n = 1; n < kLevels; ++n) {
      h /= 2;
      long double s = 0;
      for (long k = 1; k < (1L << n); k += 2) s += f(k * h);
      R[n][0] = 0.5L * R[n - 1][0] + h * s;
      long double p = 1;
      for (int m = 1; m <= n; ++m) {
        p *= 4;
        R[n][m] = R[n][m - 1] + (R[n][m - 1] - R[n - 1][m - 1]) / (p - 1);
      }
      if (n > 6 && std::fabs(R[n][n] - R[n - 1][n - 1]) < 1e-18L * std::fabs(R[n][n])) return R[n][n];
    }
    return R[kLevels - 1][kLevels - 1];
  };
  const long double num = romberg([X](long double u) { return u * u * std::exp(X * u * u); });
  const long double den = romberg([X](long double u) { return std::exp(X * u * u); });
  return static_cast<double>(num / den);
}

// Planar mean square cosine from modified Bessel functions:
// <cos^2 phi> = (1 + I1(x/2) / I0(x/2)) / 2.
double PlanarMeanByBessel(double x) {
  return 0.5 * (1.0 + std::cyl_bessel_i(1.0, x / 2) / std::cyl_bessel_i(0.0, x / 2));
}

double Lookup(OrderColumn c, double x) { return OrderLookup(c, 0.0, x); }

constexpr double kRowTolerance = 5e-7;    // the check rows carry 6 decimals
constexpr double kFullPrecision = 2e-15;  // a few units in the last place

}  // namespace

TEST(OrderTable, CheckRowsAgreeToSixDecimals) {
  struct CheckRow {
    int k;
    double F, G;
  };
  const CheckRow rows[] = {{0, 0.5, 0.333333},        {1, 0.524969, 0.351440},  {5, 0.621250, 0.429231},
                           {10, 0.723195, 0.531265},  {25, 0.882498, 0.764266}, {50, 0.946692, 0.892728},
                           {75, 0.965362, 0.930597},  {100, 0.974300, 0.948555}};
  for (const CheckRow& r : rows) {
    const OrderRow& row = OrderTable()[static_cast<std::size_t>(r.k)];
    EXPECT_NEAR(row.F, r.F, kRowTolerance) << "x = " << row.x;
    EXPECT_NEAR(row.G, r.G, kRowTolerance) << "x = " << row.x;
  }
}

TEST(OrderTable, EveryRowHoldsBothMeansToFullDoublePrecision) {
  for (int k = 0; k < kOrderRows; ++k) {
    const OrderRow& row = OrderTable()[static_cast<std::size_t>(k)];
    EXPECT_DOUBLE_EQ(row.x, 0.2 * k);
    EXPECT_NEAR(row.F, PlanarMeanByBessel(row.x), kFullPrecision) << "k = " << k;
    EXPECT_NEAR(row.G, SphericalMeanByQuadrature(row.x), kFullPrecision) << "k = " << k;
  }
  EXPECT_EQ(OrderTable()[0].F, 0.5);
  EXPECT_EQ(OrderTable()[0].G, 1.0 / 3.0);
}

TEST(OrderLookup, PassesThroughEveryTabulatedValue) {
  for (int k = 0; k < kOrderRows; ++k) {
    const OrderRow& row = OrderTable()[static_cast<std::size_t>(k)];
    EXPECT_NEAR(Lookup(OrderColumn::kF, row.x), row.F, 1e-13) << "k = " << k;
    EXPECT_NEAR(Lookup(OrderColumn::kG, row.x), row.G, 1e-13) << "k = " << k;
  }
}

TEST(OrderLookup, IsContinuousAtEveryRowIncludingTheEndPiecesAndTwenty) {
  // Rows 0/1 and 98/99 join an end cubic to the inner ones; 20 joins the
  // last piece to the constant. A wrong coefficient shows as a jump.
  const double eps = 1e-9;
  for (int k = 1; k <= 100; ++k) {
    const double x = 0.2 * k;
    for (OrderColumn c : {OrderColumn::kF, OrderColumn::kG})
      EXPECT_NEAR(Lookup(c, x - eps), Lookup(c, x + eps), 1e-8) << "x = " << x;
  }
}

TEST(OrderLookup, TakesTauOverThreePlusThePotential) {
  EXPECT_DOUBLE_EQ(OrderLookup(OrderColumn::kG, 3.0, 1.3), Lookup(OrderColumn::kG, 2.3));
  EXPECT_DOUBLE_EQ(OrderLookup(OrderColumn::kF, 6.0, -1.0), Lookup(OrderColumn::kF, 1.0));
}

TEST(OrderLookup, FromTwentyOnGivesRowHundredAndJustBelowLiesBetweenTheLastRows) {
  for (double x : {20.0, 20.5, 1e9}) {
    EXPECT_EQ(Lookup(OrderColumn::kF, x), OrderTable()[100].F);
    EXPECT_EQ(Lookup(OrderColumn::kG, x), OrderTable()[100].G);
  }
  const double g = Lookup(OrderColumn::kG, 19.9);
  EXPECT_GT(g, OrderTable()[99].G);
  EXPECT_LT(g, OrderTable()[100].G);
  // An x so close to 20 that x / 0.2 rounds to 100 still uses the last piece.
  EXPECT_NEAR(Lookup(OrderColumn::kF, std::nextafter(20.0, 0.0)), OrderTable()[100].F, 1e-13);
}

TEST(OrderLookup, NegativeArgumentsExtrapolateToMinusPointTwoAndAreClampedBelow) {
  std::feclearexcept(FE_ALL_EXCEPT);
  const double at_limit = Lookup(OrderColumn::kG, -0.2);
  EXPECT_EQ(Lookup(OrderColumn::kG, -0.7), at_limit);
  EXPECT_EQ(Lookup(OrderColumn::kG, -1e30), at_limit);
  // Fewer aligned states than isotropic: the mean drops below 1/3.
  const double inside = Lookup(OrderColumn::kG, -0.1);
  EXPECT_LT(inside, 1.0 / 3.0);
  EXPECT_GT(inside, at_limit);
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

TEST(OrderLambda, IsTheFirstRowWhoseSphericalMeanReachesP) {
  EXPECT_EQ(OrderLambda(1.0 / 3.0), 0.0);
  EXPECT_EQ(OrderLambda(0.99), 20.0);  // beyond the table
  EXPECT_EQ(OrderLambda(1.0), 20.0);
  for (double P : {0.34, 0.5, 0.7, 0.9}) {
    const double lambda = OrderLambda(P);
    const int k = static_cast<int>(std::lround(lambda / 0.2));
    EXPECT_GE(OrderTable()[static_cast<std::size_t>(k)].G, P);
    ASSERT_GE(k, 1);
    EXPECT_LT(OrderTable()[static_cast<std::size_t>(k - 1)].G, P);
  }
}
