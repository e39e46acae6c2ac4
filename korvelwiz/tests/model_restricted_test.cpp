#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "common/rounding.h"
#include "engine/models.h"
#include "engine/orientation_grid.h"
#include "engine/restricted_tensors.h"
#include "engine/stick_histogram.h"
#include "engine_fixture.h"
#include "model_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

constexpr double kTight = 1e-12;

struct MesParams {
  double g1 = -1, g2 = 0, th = 0, fi = 0, th0 = 0.5, fi0 = 1.0, tc = 1.0, W = 1.0, pa = 1.0, pr = 0.0;
};

Domain MesDomain(const MesParams& p) {
  Domain d;
  d.type = kMes;
  const double v[] = {p.g1, p.g2, p.th, p.fi, p.th0, p.fi0, p.tc, p.W, p.pa, p.pr};
  for (int k = 0; k < 10; ++k) d.Values[static_cast<std::size_t>(k + 1)] = v[k];
  d.Values[0] = 1.0;
  return d;
}

struct PsdParams {
  double pt = 2, th0 = 0.5, fi0 = 1.0, Dr = 0.5, W = 1.0, pa = 1.0, pr = 0.0;
};

Domain PsdDomain(const PsdParams& p) {
  Domain d;
  d.type = kPsd;
  const double v[] = {p.pt, p.th0, p.fi0, p.Dr, p.W, p.pa, p.pr};
  for (int k = 0; k < 7; ++k) d.Values[static_cast<std::size_t>(k + 1)] = v[k];
  d.Values[0] = 1.0;
  return d;
}

int NonZeroBins(const Histogram1024& h) {
  int n = 0;
  for (int p = 1; p <= 1024; ++p) n += h[p] != 0;
  return n;
}

class RestrictedModels : public ModelTest {
 protected:
  // Draws one domain and reports any arithmetic flag it raised.
  Spectrum1024 Draw(const Domain& d, bool* flagged = nullptr) {
    bool f = false;
    const Spectrum1024 out = DrawModel(d, f);
    if (flagged) *flagged = f;
    EXPECT_FALSE(f) << "arithmetic flag raised";
    return out;
  }

  const LineHistograms& Histograms() const { return buf->scratch.restricted.hist; }
};

bool SameTensor(const Sym3& a, const Sym3& b, double tol) {
  return std::fabs(a.xx - b.xx) < tol && std::fabs(a.yy - b.yy) < tol && std::fabs(a.zz - b.zz) < tol &&
         std::fabs(a.xy - b.xy) < tol && std::fabs(a.xz - b.xz) < tol && std::fabs(a.yz - b.yz) < tol;
}

}  // namespace

// --- Tensors -----------------------------------------------------------------

TEST(RestrictedTensors, NoConeAndNoAzimuthLeaveTheRotatedTensorsUnchanged) {
  const ConeFactors none = MakeConeFactors(0.0, 0.0);
  EXPECT_EQ(none.P, 1.0);
  EXPECT_EQ(none.U, 1.0);
  EXPECT_EQ(none.Q, 1.0);
  const Principal3 g{2.0088, 2.0061, 2.0027}, A{6.2, 5.9, 33.5};
  for (double th : {0.0, 0.4, 1.2})
    for (double fi : {0.0, 0.7, 2.5})
      for (const Principal3& p : {g, A}) {
        const Sym3 t = RotatedTensor(p, th, fi);
        EXPECT_TRUE(SameTensor(ConeAverage(t, none), t, kTight)) << th << " " << fi;
      }
  // Unrotated, the tensor is its principal values.
  EXPECT_TRUE(SameTensor(RotatedTensor(A, 0, 0), Diagonal(6.2, 5.9, 33.5), kTight));
}

TEST(RestrictedTensors, ConeAverageKeepsTheTraceForAnyCone) {
  const Principal3 A{6.2, 5.9, 33.5};
  for (double th0 : {0.3, 0.9, 1.5707963})
    for (double fi0 : {0.2, 1.0, 3.1415})
      for (double th : {0.0, 0.6}) {
        const Sym3 t = RotatedTensor(A, th, 0.4);
        const Sym3 a = ConeAverage(t, MakeConeFactors(th0, fi0));
        EXPECT_NEAR(a.xx + a.yy + a.zz, t.xx + t.yy + t.zz, 1e-12);
      }
}

TEST(RestrictedTensors, FieldTensorsAreTheSquareOfGAndATransformedByItsInverse) {
  const ConeFactors cone = MakeConeFactors(0.6, 0.9);
  const Sym3 g = ConeAverage(RotatedTensor({2.0088, 2.0061, 2.0027}, 0.5, 0.8), cone);
  const Sym3 A = ConeAverage(RotatedTensor({6.2, 5.9, 33.5}, 0.5, 0.8), cone);
  ASSERT_NE(g.xy, 0.0);
  Sym3 G2, T;
  ASSERT_TRUE(FieldTensors(g, A, G2, T));
  // G2 = g g and g T g = A, in the xy block and along z.
  EXPECT_NEAR(G2.xx, g.xx * g.xx + g.xy * g.xy, kTight);
  EXPECT_NEAR(G2.xy, g.xx * g.xy + g.xy * g.yy, kTight);
  EXPECT_NEAR(G2.yy, g.xy * g.xy + g.yy * g.yy, kTight);
  EXPECT_NEAR(G2.zz, g.zz * g.zz, kTight);
  const double Txx = T.xx, Txy = T.xy, Tyy = T.yy;
  const double m11 = g.xx * Txx + g.xy * Txy, m12 = g.xx * Txy + g.xy * Tyy;
  const double m21 = g.xy * Txx + g.yy * Txy, m22 = g.xy * Txy + g.yy * Tyy;
  EXPECT_NEAR(m11 * g.xx + m12 * g.xy, A.xx, 1e-10);
  EXPECT_NEAR(m11 * g.xy + m12 * g.yy, A.xy, 1e-10);
  EXPECT_NEAR(m21 * g.xy + m22 * g.yy, A.yy, 1e-10);
  EXPECT_NEAR(T.zz * g.zz * g.zz, A.zz, 1e-10);
  EXPECT_EQ(T.xz, 0.0);
  EXPECT_EQ(T.yz, 0.0);
}

TEST(RestrictedTensors, PolarityCorrectionIsNeutralAtUnitPolarityAndProticityShiftsOnlyGxx) {
  const ProjectSettings s = NitroxideSettings();
  const CorrectedTensors neutral = PolarityCorrected(s, 1.0, 0.0);
  EXPECT_EQ(neutral.g.x, s.gxx);
  EXPECT_EQ(neutral.g.y, s.gyy);
  EXPECT_EQ(neutral.g.z, s.gzz);
  EXPECT_EQ(neutral.A.z, s.Azz);
  const CorrectedTensors protic = PolarityCorrected(s, 1.0, 0.1);
  EXPECT_NEAR(protic.g.x, s.gxx - 0.1 * (s.gxx - 2.002323), kTight);
  EXPECT_EQ(protic.g.y, s.gyy);
  const CorrectedTensors polar = PolarityCorrected(s, 1.05, 0.0);
  EXPECT_NEAR(polar.A.z, 1.05 * s.Azz, kTight);
  EXPECT_LT(polar.g.x, s.gxx);  // higher polarity lowers g
}

TEST(RestrictedTensors, PsdStrongestAveragingMakesBothTensorsIsotropic) {
  const ConeFactors cone = MakeConeFactors(1.5707963267948966, 3.141592653589793);
  EXPECT_NEAR(cone.P, 1.0 / 3.0, kTight);
  EXPECT_NEAR(cone.U, 0.5, kTight);
  const CorrectedTensors t = PolarityCorrected(NitroxideSettings(), 1.0, 0.0);
  for (int k = 0; k <= 2; ++k) {
    Sym3 G2, T;
    ASSERT_TRUE(PsdFieldTensors(t, k, cone, G2, T));
    const double g2 = (t.g.x * t.g.x + t.g.y * t.g.y + t.g.z * t.g.z) / 3;
    const double tm = (t.A.x / (t.g.x * t.g.x) + t.A.y / (t.g.y * t.g.y) + t.A.z / (t.g.z * t.g.z)) / 3;
    EXPECT_TRUE(SameTensor(G2, Diagonal(g2, g2, g2), kTight)) << "k = " << k;
    EXPECT_TRUE(SameTensor(T, Diagonal(tm, tm, tm), kTight)) << "k = " << k;
  }
  Sym3 G2, T;
  EXPECT_FALSE(PsdFieldTensors(t, 3, cone, G2, T));
}

TEST(RestrictedTensors, PsdAxisTypeTakesThePrincipalValuesInCyclicOrder) {
  // Without averaging the chosen axis ends up as the third (z) value.
  const CorrectedTensors t = PolarityCorrected(NitroxideSettings(), 1.0, 0.0);
  const ConeFactors none = MakeConeFactors(0, 0);
  const double expected_z[3] = {t.g.z, t.g.x, t.g.y};
  for (int k = 0; k <= 2; ++k) {
    Sym3 G2, T;
    ASSERT_TRUE(PsdFieldTensors(t, k, none, G2, T));
    EXPECT_NEAR(G2.zz, expected_z[k] * expected_z[k], kTight) << "k = " << k;
  }
}

TEST(RestrictedTensors, TiltIsFoldedIntoZeroToHalfPi) {
  constexpr double kPi = 3.1415927849;
  struct Case {
    double in, out;
  };
  const Case cases[] = {{0.0, 0.0},          {0.5, 0.5},          {1.5, 1.5},        {2.0, kPi - 2.0},
                        {-0.5, 0.5},         {3.5, 3.5 - kPi},    {kPi, 0.0},        {2 * kPi + 0.3, 0.3},
                        {-2 * kPi - 2.0, kPi - 2.0}};
  for (const Case& c : cases) EXPECT_NEAR(FoldTilt(c.in), c.out, 1e-12) << "tilt " << c.in;
  EXPECT_EQ(FoldTilt(2.0), kPi - 2.0);
}

// --- Resonance fields --------------------------------------------------------

TEST(ResonanceFields, AlongAPrincipalAxisTheSplittingIsTheCouplingOverG) {
  const double B0 = 3390.0;
  const Sym3 G2 = Diagonal(2.0088 * 2.0088, 2.0061 * 2.0061, 2.0027 * 2.0027);
  const Sym3 T = Diagonal(6.2 / (2.0088 * 2.0088), 5.9 / (2.0061 * 2.0061), 33.5 / (2.0027 * 2.0027));
  const FieldTriple z = ResonanceFields(0, 0, 1, G2, T, B0);
  EXPECT_NEAR(z.zero, 2.002323 * B0 / 2.0027, 1e-9);
  EXPECT_NEAR(z.zero - z.plus, 2.002323 * 33.5 / 2.0027, 1e-9);
  EXPECT_NEAR(z.minus - z.zero, 2.002323 * 33.5 / 2.0027, 1e-9);
  const FieldTriple x = ResonanceFields(1, 0, 0, G2, T, B0);
  EXPECT_NEAR(x.zero - x.plus, 2.002323 * 6.2 / 2.0088, 1e-9);
}

TEST(ResonanceFields, GeneralTensorsGiveTheFieldsOfTheirPrincipalFrame) {
  // A tensor rotated about z by a and a direction rotated with it give the
  // fields of the diagonal tensor at the unrotated direction.
  const double B0 = 3390.0, a = 0.7, c = std::cos(a), s = std::sin(a);
  auto rotate = [&](double x, double y, double z) {
    return Sym3{c * c * x + s * s * y, s * s * x + c * c * y, z, c * s * (x - y), 0, 0};
  };
  const double gx = 2.0088, gy = 2.0061, gz = 2.0027;
  const Sym3 G2 = rotate(gx * gx, gy * gy, gz * gz);
  const Sym3 T = rotate(6.2 / (gx * gx), 5.9 / (gy * gy), 33.5 / (gz * gz));
  const Sym3 G2d = Diagonal(gx * gx, gy * gy, gz * gz);
  const Sym3 Td = Diagonal(6.2 / (gx * gx), 5.9 / (gy * gy), 33.5 / (gz * gz));
  const double n[3] = {0.48, 0.6, 0.64};  // unit
  const FieldTriple d = ResonanceFields(n[0], n[1], n[2], G2d, Td, B0);
  const FieldTriple r = ResonanceFields(c * n[0] - s * n[1], s * n[0] + c * n[1], n[2], G2, T, B0);
  EXPECT_NEAR(r.plus, d.plus, 1e-9);
  EXPECT_NEAR(r.zero, d.zero, 1e-9);
  EXPECT_NEAR(r.minus, d.minus, 1e-9);
}

// --- Widths ------------------------------------------------------------------

TEST_F(RestrictedModels, WidthsBlendTowardsTheThreeNanosecondWidthsBeyondOneNanosecond) {
  const SpectrumConstants sc = Constants();
  const CallConstants own = TensorConstants(PolarityCorrected(settings, 1.02, 0.05), MakeCallConstants(settings));
  const double W = 0.8;
  const LineWidths w1 = FastMotionWidths(1.0, W, 1.0, 1.0, own, sc);
  const LineWidths w3 = FastMotionWidths(3.0, W, 1.0, 1.0, own, sc);
  const LineWidths w4 = RestrictedWidths(4.0, W, own, sc);
  const double e = std::exp(-1.0);
  EXPECT_NEAR(w4.plus, w3.plus - (w3.plus - w1.plus) * e, 1e-12);
  EXPECT_NEAR(w4.zero, w3.zero - (w3.zero - w1.zero) * e, 1e-12);
  EXPECT_NEAR(w4.minus, w3.minus - (w3.minus - w1.minus) * e, 1e-12);
  EXPECT_GT(w4.minus, w1.minus);
  EXPECT_LT(w4.minus, w3.minus);
  // Up to 1 ns the fast-motion widths; no motion at all: the 3 ns widths.
  const LineWidths fast = FastMotionWidths(0.4, W, 1.0, 1.0, own, sc);
  EXPECT_NEAR(RestrictedWidths(0.4, W, own, sc).minus, fast.minus, 1e-12);
  EXPECT_NEAR(RestrictedWidths(0.0, W, own, sc).zero, W / sc.delta, 1e-12);
  EXPECT_NEAR(RestrictedWidths(INFINITY, W, own, sc).minus, w3.minus, 1e-12);
}

// --- Grid --------------------------------------------------------------------

TEST(RestrictedGrid, EqualFieldsGiveTheSmallestGrid) {
  const FieldTriple f{3380, 3390, 3400};
  const RestrictedGridSize s = SizeRestrictedGrid(f, f, f, 0.6);
  EXPECT_EQ(s.n_theta, 12);
  EXPECT_EQ(s.n_phi, 3);
  // Rows grow from 4 + round(8/12) azimuths at the pole to 4 n_phi at the equator.
  EXPECT_EQ(RowAzimuths(1, s), 5);
  EXPECT_EQ(RowAzimuths(12, s), 12);
  EXPECT_EQ(RowAzimuths(13, s), 12);
}

TEST(RestrictedGrid, SizeFollowsTheFieldSpreadOverTheStep) {
  const FieldTriple x{3350, 3380, 3410}, y{3351, 3381, 3413}, z{3320, 3382, 3444};
  const RestrictedGridSize s = SizeRestrictedGrid(x, y, z, 0.5);
  EXPECT_EQ(s.n_theta, 68);  // S(z, x) = 34 G beats S(z, y) = 31 G
  EXPECT_EQ(s.n_phi, 6);     // S(y, x) = 3 G
}

TEST(RestrictedGrid, RowsNeverExceedOneHundredTwentyPoints) {
  const FieldTriple x{0, 0, 0}, y{0, 0, 500}, z{0, 0, 900};
  const RestrictedGridSize s = SizeRestrictedGrid(x, y, z, 0.5);
  EXPECT_EQ(s.n_phi, 1000);  // would ask for rows of 4000 azimuths
  int last = 0;
  for (int i = 1; i <= s.n_theta + 1; ++i) {
    const int n = RowAzimuths(i, s);
    EXPECT_GE(n, last);  // rows never shrink towards the equator
    EXPECT_LE(n + 1, kMaxRowPoints);
    last = n;
  }
  EXPECT_EQ(last, kMaxRowAzimuths);
  // A vanishing step is bounded too.
  EXPECT_EQ(SizeRestrictedGrid(x, y, z, 0.0).n_theta, kMaxThetaSteps);
}

// --- Histograms --------------------------------------------------------------

TEST(StickHistogram, PositionsRoundHalfToEvenAndOnlyPointsOneTo1024Count) {
  for (double u : {-2.5, -1.5, -0.5, 0.5, 1.5, 2.5, 3.49999, 511.5, 1022.5, 1e7, -1e7})
    EXPECT_EQ(RoundPosition(u), common::RoundHalfEven(u)) << u;
  Histogram1024 h{};
  AddToHistogram(h, -0.51, 1.0);   // point 0: not counted
  AddToHistogram(h, -0.5, 2.0);    // rounds to 0: point 1
  AddToHistogram(h, 1022.6, 3.0);  // point 1024
  AddToHistogram(h, 1023.5, 4.0);  // rounds to 1024: point 1025, not counted
  AddToHistogram(h, 1e300, 5.0);
  AddToHistogram(h, -INFINITY, 6.0);
  double total = 0;
  for (int p = 1; p <= 1024; ++p) total += h[p];
  EXPECT_EQ(h[1], 2.0);
  EXPECT_EQ(h[1024], 3.0);
  EXPECT_EQ(total, 5.0);
}

TEST(StickHistogram, DrawsEachBinAsAStickNormalisedBySumAndWidthSquared) {
  Histogram1024 h{};
  h[300] = 3.0;
  h[400] = 1.0;
  LineTable table, reference;
  Spectrum1024 drawn{}, expected{};
  DrawHistogram(h, 4.0, 0.0, table, drawn);
  DerivativeShape(4.0, 1.0, 0.0, reference);
  DrawStick(expected, 300, 0.75 / 16.0, reference);
  DrawStick(expected, 400, 0.25 / 16.0, reference);
  for (int l = 1; l <= 1024; ++l) EXPECT_NEAR(drawn[l], expected[l], 1e-15) << l;
  // Nothing to draw: an empty histogram, or a width without a table.
  Histogram1024 empty{};
  Spectrum1024 none{};
  DrawHistogram(empty, 4.0, 0.0, table, none);
  DrawHistogram(h, 0.01, 0.0, table, none);
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(none[l], 0.0);
}

// --- Models ------------------------------------------------------------------

TEST_F(RestrictedModels, PsdWithTheStrongestAveragingDrawsThreeSharpLines) {
  PsdParams p;
  p.th0 = 1.5707963267948966;
  p.fi0 = 3.141592653589793;
  const Spectrum1024 s = Draw(PsdDomain(p));
  const LineHistograms& h = Histograms();
  for (int m = 0; m < 3; ++m) EXPECT_EQ(NonZeroBins(h.line[static_cast<std::size_t>(m)]), 1) << m;
  // Equally spaced by the isotropic coupling.
  int at[3] = {};
  for (int m = 0; m < 3; ++m)
    for (int q = 1; q <= 1024; ++q)
      if (h.line[static_cast<std::size_t>(m)][q] != 0) at[m] = q;
  EXPECT_LT(at[0], at[1]);
  EXPECT_LE(std::abs((at[1] - at[0]) - (at[2] - at[1])), 1);
  const double aiso_points = 2.002323 * (6.2 + 5.9 + 33.5) / 3 / 2.006 / Constants().delta;
  EXPECT_NEAR(at[1] - at[0], aiso_points, 1.5);
  EXPECT_GT(DoubleIntegral(s), 0);
}

TEST_F(RestrictedModels, RigidMesPowderSpansTheParallelCouplingOnBothSides) {
  // No cone and no motion: a rigid powder whose outer lines lie at the z
  // fields of the tensors.
  MesParams p;
  p.th0 = 0;
  p.fi0 = 0;
  p.tc = 0;
  exp.Spectra[1].Sweep = 150;
  Draw(MesDomain(p));
  const LineHistograms& h = Histograms();
  int first = 0, last = 0;
  for (int q = 1024; q >= 1; --q)
    if (h.line[0][q] != 0) first = q;
  for (int q = 1; q <= 1024; ++q)
    if (h.line[2][q] != 0) last = q;
  const SpectrumConstants sc = Constants();
  const PositionMap map(sc);
  const FieldTriple z = ResonanceFields(0, 0, 1, Diagonal(2.0088 * 2.0088, 2.0061 * 2.0061, 2.0027 * 2.0027),
                                        Diagonal(6.2 / (2.0088 * 2.0088), 5.9 / (2.0061 * 2.0061),
                                                 33.5 / (2.0027 * 2.0027)),
                                        sc.B0);
  EXPECT_EQ(first, common::RoundHalfEven(map(z.plus)) + 1);
  EXPECT_EQ(last, common::RoundHalfEven(map(z.minus)) + 1);
}

TEST_F(RestrictedModels, MesOrderingConcentratesWeightAlongTheDirector) {
  // Director along z (tilt 0) with the table's strongest ordering: most of
  // the low-field line sits near its z position; isotropic, it spreads.
  MesParams p;
  p.th0 = 0;
  p.fi0 = 0;
  p.tc = 0;
  exp.Spectra[1].Sweep = 150;
  auto share_near_pole = [&](double g1) {
    p.g1 = g1;
    Draw(MesDomain(p));
    const Histogram1024& h = Histograms().line[0];
    int first = 0;
    for (int q = 1024; q >= 1; --q)
      if (h[q] != 0) first = q;
    double near = 0, total = 0;
    for (int q = 1; q <= 1024; ++q) {
      total += h[q];
      if (q < first + 40) near += h[q];
    }
    return near / total;
  };
  const double ordered = share_near_pole(0.0), isotropic = share_near_pole(-1.0),
               across = share_near_pole(-2.0);
  EXPECT_GT(ordered, 0.5);
  EXPECT_LT(isotropic, 0.3);
  EXPECT_LT(across, isotropic);
}

TEST_F(RestrictedModels, MesTiltIsFoldedBeforeWeighting) {
  MesParams p;
  p.g1 = 0;
  p.g2 = 2.0;
  const Spectrum1024 a = Draw(MesDomain(p));
  p.g2 = 3.1415927849 - 2.0;
  const Spectrum1024 b = Draw(MesDomain(p));
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(a[l], b[l]) << l;
  // The sample angle adds to the tilt.
  exp.Spectra[1].Angle = 1.0;
  p.g2 = 1.0;
  const Spectrum1024 c = Draw(MesDomain(p));
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(a[l], c[l]) << l;
}

struct ModelCase {
  std::string name;
  bool mes;
  MesParams mes_params;
  PsdParams psd_params;
};

class RestrictedModelCases : public RestrictedModels, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(RestrictedModelCases, DrawsAFiniteAbsorptionWithoutArithmeticFlags) {
  const ModelCase& c = GetParam();
  const Spectrum1024 s = Draw(c.mes ? MesDomain(c.mes_params) : PsdDomain(c.psd_params));
  double peak = 0;
  for (int l = 1; l <= 1024; ++l) {
    ASSERT_TRUE(std::isfinite(s[l])) << l;
    peak = std::fmax(peak, std::fabs(s[l]));
  }
  EXPECT_GT(peak, 0.0);
  EXPECT_GT(DoubleIntegral(s), 0.0);
}

MesParams Mes(double g1, double g2, double th, double fi, double th0, double fi0, double tc) {
  MesParams p;
  p.g1 = g1, p.g2 = g2, p.th = th, p.fi = fi, p.th0 = th0, p.fi0 = fi0, p.tc = tc;
  return p;
}

PsdParams Psd(double pt, double th0, double fi0, double Dr) {
  PsdParams p;
  p.pt = pt, p.th0 = th0, p.fi0 = fi0, p.Dr = Dr;
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestrictedModelCases,
    ::testing::Values(ModelCase{"MesIsotropic", true, Mes(-1, 0, 0.3, 0.2, 0.6, 1.2, 1.5), {}},
                      ModelCase{"MesOrdered", true, Mes(0, 0.4, 0.3, 0.2, 0.6, 1.2, 1.5), {}},
                      ModelCase{"MesOrderedAcross", true, Mes(-2, 1.2, 0.8, 1.0, 0.9, 2.0, 3.0), {}},
                      ModelCase{"MesCone", true, Mes(0.5, 0.4, 0.3, 0.2, 0.6, 1.2, 0.5), {}},
                      ModelCase{"MesConeAtItsPole", true, Mes(1.5707963, 0.4, 0.3, 0.2, 0.6, 1.2, 0.5), {}},
                      ModelCase{"MesRigid", true, Mes(-1, 0, 0, 0, 0, 0, 0), {}},
                      ModelCase{"MesSlowRotated", true, Mes(0, 1.0, 1.5, 3.0, 1.5, 3.1, 5.0), {}},
                      ModelCase{"PsdAxisZ", false, {}, Psd(2, 0.5, 1.0, 0.5)},
                      ModelCase{"PsdAxisX", false, {}, Psd(0, 0.9, 2.0, 0.2)},
                      ModelCase{"PsdAxisY", false, {}, Psd(1, 0.3, 0.4, 2.0)},
                      ModelCase{"PsdNoDiffusion", false, {}, Psd(2, 0.5, 1.0, 0.0)},
                      ModelCase{"PsdNoCone", false, {}, Psd(2, 0.0, 0.0, 0.0)}),
    [](const ::testing::TestParamInfo<ModelCase>& i) { return i.param.name; });

TEST_F(RestrictedModels, UndefinedDistributionsAxisTypesAndFieldsOffTheAxisDrawNothing) {
  auto blank = [](const Spectrum1024& s) {
    for (int l = 1; l <= 1024; ++l)
      if (s[l] != 0) return false;
    return true;
  };
  MesParams m;
  m.g1 = -0.5;
  EXPECT_TRUE(blank(Draw(MesDomain(m))));
  PsdParams p;
  p.pt = 3;
  EXPECT_TRUE(blank(Draw(PsdDomain(p))));
  p.pt = -1;
  EXPECT_TRUE(blank(Draw(PsdDomain(p))));
  // Every resonance far beyond the sweep: empty histograms, nothing drawn.
  exp.Spectra[1].CenterField = 5000;
  EXPECT_TRUE(blank(Draw(MesDomain(MesParams{}))));
  EXPECT_TRUE(blank(Draw(PsdDomain(PsdParams{}))));
}

TEST_F(RestrictedModels, HugeFieldSpreadsStayWithinTheRowCapacity) {
  settings.Azz = 3000;  // asks for rows far beyond 120 points
  MesParams m;
  m.th = 0.7;
  m.fi = 0.9;
  const Spectrum1024 s = Draw(MesDomain(m));
  for (int l = 1; l <= 1024; ++l) ASSERT_TRUE(std::isfinite(s[l]));
}

// --- Through the engine ------------------------------------------------------

TEST_F(RestrictedModels, MesAndPsdSimulateThroughTheEngineAndFitThemselves) {
  for (const Domain& d : {MesDomain(Mes(0, 0.4, 0.3, 0.2, 0.6, 1.2, 1.5)), PsdDomain(Psd(2, 0.5, 1.0, 0.5))}) {
    Tvrecica w;
    w.settings = settings;
    w.exp = exp;
    w.exp.Domains[1] = d;
    const float first = SimulateIntoExperiment(w, *buf);
    EXPECT_NE(first, 100.0f / static_cast<float>(w.exp.Spectra[1].NoiseWeight));
    ParamVec v{};
    CollectParamVector(w.exp, v);
    const float fit = SimulateExperiment(w, v, *buf);
    EXPECT_LT(fit, 1e-6) << TypeKeyword(d.type);
  }
}
