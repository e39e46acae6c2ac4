#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "engine/models.h"
#include "engine/ordering_grid.h"
#include "engine/resonance_fields.h"
#include "engine/stick_histogram.h"
#include "engine_fixture.h"
#include "model_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

constexpr double kTight = 1e-12;

struct OrderParams {
  double g1 = 0;  // X for obs
  double g2 = 0, th = 0, fi = 0, PoA = 2.0, PoB = 0.5, PoC = 0.3, tc = 1.0, W = 1.0, pa = 1.0, pg = 1.0;
};

Domain OrderDomain(DomainType type, const OrderParams& p) {
  Domain d;
  d.type = type;
  const double v[] = {p.g1, p.g2, p.th, p.fi, p.PoA, p.PoB, p.PoC, p.tc, p.W, p.pa, p.pg};
  for (int k = 0; k < 11; ++k) d.Values[static_cast<std::size_t>(k + 1)] = v[k];
  d.Values[0] = 1.0;
  return d;
}

class OrderingModels : public ModelTest {
 protected:
  Spectrum1024 Draw(const Domain& d) {
    bool flagged = false;
    const Spectrum1024 out = DrawModel(d, flagged);
    EXPECT_FALSE(flagged) << "arithmetic flag raised";
    return out;
  }

  PointPositions Cell(int i, int j) const {
    return buf->scratch.ordering.cells[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
  }
};

void ExpectSameSpectrum(const Spectrum1024& a, const Spectrum1024& b, double rel) {
  double peak = 0;
  for (int l = 1; l <= 1024; ++l) peak = std::fmax(peak, std::fabs(a[l]));
  ASSERT_GT(peak, 0);
  for (int l = 1; l <= 1024; ++l) ASSERT_NEAR(a[l], b[l], rel * peak) << l;
}

}  // namespace

// --- Order quantities and averages -------------------------------------------

TEST(OrderQuantities, ZeroPotentialsWithoutMotionAverageIsotropically) {
  const OrderQuantities o = MakeOrderQuantities(0, 0, 0, 0);
  EXPECT_NEAR(o.a, 0.5, kTight);
  EXPECT_NEAR(o.b, 1.0 / 3.0, kTight);
  EXPECT_NEAR(o.c, 0.5, kTight);
  EXPECT_NEAR(o.d, 1.0 / 3.0, kTight);
  const Principal3 g = OrderAveraged({2.0088, 2.0061, 2.0027}, o, 1.001);
  const double mean = 1.001 * (2.0088 + 2.0061 + 2.0027) / 3;
  EXPECT_NEAR(g.x, mean, kTight);
  EXPECT_NEAR(g.y, mean, kTight);
  EXPECT_NEAR(g.z, mean, kTight);
}

TEST(OrderQuantities, AveragingCoefficientsSumToOneForAnyOrder) {
  for (double PoA : {-2.0, 0.0, 3.0, 25.0})
    for (double PoB : {-1.0, 1.0, 8.0})
      for (double tc : {0.0, 2.0, 9.0}) {
        const OrderQuantities o = MakeOrderQuantities(tc, PoA, PoB, 0.7);
        for (const Principal3& unit : {Principal3{1, 0, 0}, Principal3{0, 1, 0}, Principal3{0, 0, 1}}) {
          const Principal3 r = OrderAveraged(unit, o, 1.0);
          EXPECT_NEAR(r.x + r.y + r.z, 1.0, kTight);
        }
      }
  // Strong order along the symmetry axis keeps q3 there.
  const Principal3 strong = OrderAveraged({6.2, 5.9, 33.5}, MakeOrderQuantities(0, 40, 0, 0), 1.0);
  EXPECT_GT(strong.z, 30.0);
}

TEST(OrderQuantities, GroupCodeChoosesTheSymmetryAxis) {
  const Principal3 z = AxisOrdered(1, 2, 3, 2), x = AxisOrdered(1, 2, 3, 0), y = AxisOrdered(1, 2, 3, 1);
  EXPECT_EQ(z.x, 1);
  EXPECT_EQ(z.z, 3);
  EXPECT_EQ(x.x, 2);
  EXPECT_EQ(x.y, 3);
  EXPECT_EQ(x.z, 1);
  EXPECT_EQ(y.x, 3);
  EXPECT_EQ(y.z, 2);
}

TEST_F(OrderingModels, WidthsFadeFromFastMotionIntoTheFloor) {
  const SpectrumConstants sc = Constants();
  const CallConstants call = MakeCallConstants(settings);
  const LineWidths none = OrderingWidths(0, 0.9, 1, 1, call, sc);
  EXPECT_NEAR(none.plus, 0.9 / sc.delta, kTight);
  EXPECT_NEAR(none.minus, 0.9 / sc.delta, kTight);
  const LineWidths slow = OrderingWidths(300, 0.9, 1, 1, call, sc);
  EXPECT_NEAR(slow.plus, (1.4 + 0.9) / sc.delta, 1e-9);
  EXPECT_NEAR(slow.zero, (1.2 + 0.9) / sc.delta, 1e-9);
  EXPECT_NEAR(slow.minus, (1.7 + 0.9) / sc.delta, 1e-9);
  const LineWidths mid = OrderingWidths(3, 0.9, 1, 1, call, sc);
  const LineWidths fast = FastMotionWidths(3, 0, 1, 1, call, sc);
  const double E = std::exp(-1.0);
  EXPECT_NEAR(mid.zero, E * fast.zero + ((1 - E) * 1.2 + 0.9) / sc.delta, 1e-9);
}

// --- Fields and grid ---------------------------------------------------------

TEST(SecondOrderFields, AlongAnAxisMatchTheFirstOrderFieldsAndOffAxisPullTheOuterLinesIn) {
  const double gx = 2.0088, gy = 2.0061, gz = 2.0027, B0 = 3390;
  const Sym3 G2 = Diagonal(gx * gx, gy * gy, gz * gz);
  const Sym3 T = Diagonal(6.2 / (gx * gx), 5.9 / (gy * gy), 33.5 / (gz * gz));
  const FieldTriple a = SecondOrderFields(0, 0, gx, gy, gz, 6.2, 5.9, 33.5, B0);
  const FieldTriple b = ResonanceFields(0, 0, 1, G2, T, B0);
  EXPECT_NEAR(a.plus, b.plus, 1e-9);
  EXPECT_NEAR(a.minus, b.minus, 1e-9);
  // theta = pi/2, phi = 0 is the y axis in this convention.
  const FieldTriple y = SecondOrderFields(1.5707963267948966, 0, gx, gy, gz, 6.2, 5.9, 33.5, B0);
  EXPECT_NEAR(y.zero, 2.002323 * B0 / gy, 1e-9);
  const FieldTriple off = SecondOrderFields(0.7, 0.4, gx, gy, gz, 6.2, 5.9, 33.5, B0);
  EXPECT_LT((off.plus + off.minus) / 2, off.zero);
}

TEST(OrderingGrid, SizesAreMultiplesOfSixWithTheirMinimaAndCaps) {
  struct Case {
    double N1, N2;
    int U, V;
  };
  const Case cases[] = {{13, 31, 12, 30}, {0, 0, 6, 24},     {6, 24, 6, 24},     {11, 29, 6, 24},
                        {12, 30, 12, 30}, {-5, -5, 6, 24},   {97, 25, 96, 24},   {5000, 1e9, 348, 348}};
  for (const Case& c : cases) {
    const OrderingGridSize s = SizeOrderingGrid(c.N1, c.N2);
    EXPECT_EQ(s.U, c.U) << c.N1;
    EXPECT_EQ(s.V, c.V) << c.N2;
  }
  EXPECT_LE(kMaxOrderGrid, kMaxOrderCells);
}

TEST_F(OrderingModels, GridEvaluatesEveryThirdCellAndInterpolatesTheRestWithWrapAround) {
  const OrderQuantities o = MakeOrderQuantities(1.0, 2.0, 0.5, 0.3);
  const Principal3 g = OrderAveraged({2.0088, 2.0061, 2.0027}, o, 1.0);
  const Principal3 A = OrderAveraged({6.2, 5.9, 33.5}, o, 1.0);
  const double th = 0.3, fi = 0.2;
  const SpectrumConstants sc = Constants();
  const OrderingGridSize size = FillOrderingCells(g, A, th, fi, sc, buf->scratch.ordering);
  const int U = size.U, V = size.V;
  ASSERT_GE(U, 12);
  const PositionMap map(sc);
  auto evaluated = [&](int i, int j) {
    const FieldTriple f = SecondOrderFields((i - 0.5) * 1.570796327 / U - th,
                                            (2 * j - 1) * 3.1415927849 / V - fi, g.x, g.y, g.z, A.x, A.y, A.z,
                                            sc.B0);
    return PointPositions{map(f.plus), map(f.zero), map(f.minus)};
  };
  auto expect_cell = [&](int i, int j, const PointPositions& want) {
    const PointPositions got = Cell(i, j);
    for (int m = 0; m < 3; ++m) EXPECT_NEAR(got[m], want[m], 1e-9) << i << "," << j << " line " << m;
  };
  for (int i : {1, 2, 5, U - 1, U}) expect_cell(i, 5, evaluated(i, 5));
  // Off both axes 4/9, 2/9, 2/9, 1/9 of the four evaluated neighbours.
  const PointPositions e22 = evaluated(2, 2), e52 = evaluated(5, 2), e25 = evaluated(2, 5),
                       e55 = evaluated(5, 5);
  PointPositions want{};
  for (int m = 0; m < 3; ++m)
    want[m] = 4.0 / 9 * e22[m] + 2.0 / 9 * e52[m] + 2.0 / 9 * e25[m] + 1.0 / 9 * e55[m];
  expect_cell(3, 3, want);
  // Columns V and 1 lie between V - 1 and 2; row 1 only along the row.
  const PointPositions last = evaluated(1, V - 1), second = evaluated(1, 2);
  PointPositions at_V{}, at_1{};
  for (int m = 0; m < 3; ++m) {
    at_V[m] = 2.0 / 3 * last[m] + 1.0 / 3 * second[m];
    at_1[m] = 1.0 / 3 * last[m] + 2.0 / 3 * second[m];
  }
  expect_cell(1, V, at_V);
  expect_cell(1, 1, at_1);
}

TEST_F(OrderingModels, HugeFieldSpreadsAreCappedAt348By348Cells) {
  const Principal3 g{2.0088, 2.0061, 2.0027}, A{6.2, 1500, 3000};
  const OrderingGridSize size = FillOrderingCells(g, A, 0.4, 0.6, Constants(), buf->scratch.ordering);
  EXPECT_EQ(size.U, 348);
  EXPECT_EQ(size.V, 348);
  settings.Azz = 3000;
  settings.Ayy = 1500;
  OrderParams p;
  p.th = 0.4;
  p.fi = 0.6;
  const Spectrum1024 s = Draw(OrderDomain(kOms, p));
  for (int l = 1; l <= 1024; ++l) ASSERT_TRUE(std::isfinite(s[l]));
}

// --- Models ------------------------------------------------------------------

TEST_F(OrderingModels, OmsTiltIsFoldedLikeMes) {
  OrderParams p;
  p.g2 = 2.0;
  const Spectrum1024 a = Draw(OrderDomain(kOms, p));
  p.g2 = 3.1415927849 - 2.0;
  const Spectrum1024 b = Draw(OrderDomain(kOms, p));
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(a[l], b[l]) << l;
}

TEST_F(OrderingModels, WithoutPotentialEveryDistributionFormDrawsTheSameSpectrum) {
  // PoA = 0 makes every weight a constant multiple of the base weight,
  // which the normalisation of the histograms removes.
  OrderParams p;
  p.PoA = 0;
  p.g2 = 0.7;
  const Spectrum1024 ref = Draw(OrderDomain(kOms, p));
  p.g1 = -1;
  ExpectSameSpectrum(ref, Draw(OrderDomain(kOms, p)), 1e-12);
  p.g1 = 0.8;  // X > 0
  ExpectSameSpectrum(ref, Draw(OrderDomain(kObs, p)), 1e-12);
  p.g1 = -0.8;  // three directors
  ExpectSameSpectrum(ref, Draw(OrderDomain(kObs, p)), 1e-12);
}

TEST_F(OrderingModels, ObsWithoutMixtureRatioTakesThePositiveForm) {
  OrderParams p;
  p.g1 = 0;
  const Spectrum1024 zero = Draw(OrderDomain(kObs, p));
  p.g1 = 1e-12;
  ExpectSameSpectrum(zero, Draw(OrderDomain(kObs, p)), 1e-9);
}

struct OrderCase {
  std::string name;
  DomainType type;
  OrderParams p;
};

class OrderingModelCases : public OrderingModels, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(OrderingModelCases, DrawsAFiniteAbsorptionWithoutArithmeticFlags) {
  const Spectrum1024 s = Draw(OrderDomain(GetParam().type, GetParam().p));
  double peak = 0;
  for (int l = 1; l <= 1024; ++l) {
    ASSERT_TRUE(std::isfinite(s[l])) << l;
    peak = std::fmax(peak, std::fabs(s[l]));
  }
  EXPECT_GT(peak, 0.0);
  EXPECT_GT(DoubleIntegral(s), 0.0);
}

OrderParams Order(double g1, double g2, double th, double fi, double PoA, double PoB, double PoC, double tc) {
  OrderParams p;
  p.g1 = g1, p.g2 = g2, p.th = th, p.fi = fi, p.PoA = PoA, p.PoB = PoB, p.PoC = PoC, p.tc = tc;
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderingModelCases,
    ::testing::Values(OrderCase{"OmsAlong", kOms, Order(0, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.0)},
                      OrderCase{"OmsAcross", kOms, Order(-1, 1.2, 0.5, 1.0, 4, -1, 1, 3.0)},
                      OrderCase{"OmsCone", kOms, Order(0.6, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.0)},
                      OrderCase{"OmsConeAtItsPole", kOms, Order(1.570796327, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1)},
                      OrderCase{"OmsNoMotionNoPotential", kOms, Order(0, 0, 0, 0, 0, 0, 0, 0)},
                      OrderCase{"OmsStrongNegative", kOms, Order(0, 0, 0, 0, -5, -5, -5, 0)},
                      OrderCase{"OmsBeyondTheTable", kOms, Order(0, 0.2, 1.5, 3.1, 5, 5, 5, 60)},
                      OrderCase{"ObsTwoDirectors", kObs, Order(0.7, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.0)},
                      OrderCase{"ObsThreeDirectors", kObs, Order(-0.7, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.0)},
                      OrderCase{"ObsNoRatio", kObs, Order(0, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.0)},
                      OrderCase{"ObsLargeRatio", kObs, Order(5, 1.0, 0.2, 0.1, -3, 0.5, 0.3, 1.0)}),
    [](const ::testing::TestParamInfo<OrderCase>& i) { return i.param.name; });

TEST_F(OrderingModels, FieldsOffTheAxisDrawNothing) {
  exp.Spectra[1].CenterField = 5000;
  const Spectrum1024 s = Draw(OrderDomain(kOms, OrderParams{}));
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(s[l], 0.0);
}

// --- Through the engine ------------------------------------------------------

TEST_F(OrderingModels, OmsAndObsSimulateThroughTheEngineAndFitThemselves) {
  for (DomainType type : {kOms, kObs}) {
    Tvrecica w;
    w.settings = settings;
    w.exp = exp;
    w.exp.Domains[1] = OrderDomain(type, Order(type == kOms ? 0 : 0.5, 0.3, 0.2, 0.1, 2, 0.5, 0.3, 1.5));
    const float first = SimulateIntoExperiment(w, *buf);
    EXPECT_NE(first, 100.0f / static_cast<float>(w.exp.Spectra[1].NoiseWeight));
    ParamVec v{};
    CollectParamVector(w.exp, v);
    EXPECT_LT(SimulateExperiment(w, v, *buf), 1e-6) << TypeKeyword(type);
  }
}
