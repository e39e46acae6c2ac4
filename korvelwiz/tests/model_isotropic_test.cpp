#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/constants.h"
#include "engine/line_shape.h"
#include "engine/models.h"
#include "engine_fixture.h"
#include "model_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

struct Drawn {
  Spectrum1024 s{};
};

// Draws one domain of the fixture's spectrum with the given model.
class IsotropicModels : public ModelTest {
 protected:
  Spectrum1024 Draw(const Domain& d) {
    bool flagged = false;
    return DrawModel(d, flagged);
  }
};

// Local maxima of the absorption (running sum of the derivative).
std::vector<int> AbsorptionPeaks(const Spectrum1024& s) {
  std::vector<double> I(1026, 0.0);
  for (int l = 1; l <= 1024; ++l) I[l] = I[l - 1] + s[l];
  double top = 0;
  for (int l = 1; l <= 1024; ++l) top = std::fmax(top, I[l]);
  std::vector<int> peaks;
  for (int l = 2; l < 1024; ++l)
    if (I[l] > I[l - 1] && I[l] >= I[l + 1] && I[l] > 0.02 * top) peaks.push_back(l);
  return peaks;
}

// Half width at half height (points) of the absorption of one stick drawn at 512.
double AbsorptionHalfWidth(const LineTable& h) {
  Spectrum1024 s{};
  DrawStick(s, 512, 1.0, h);
  std::vector<double> I(1025, 0.0);
  for (int l = 1; l <= 1024; ++l) I[l] = I[l - 1] + s[l];
  const double top = I[512];
  int l = 512;
  while (l < 1024 && I[l] > top / 2) ++l;
  // Interpolate between l-1 and l.
  return (l - 1 - 512) + (I[l - 1] - top / 2) / (I[l - 1] - I[l]);
}

}  // namespace

TEST_F(IsotropicModels, IsoWithoutCarbon13DrawsThreeLinesOfWidthWWhenTcIsZero) {
  settings.AbundanceC13 = 0;
  const Domain d = IsoDomain(1.0, 0.0, 1.0);
  const Spectrum1024 s = Draw(d);
  EXPECT_EQ(AbsorptionPeaks(s).size(), 3u);
  const SpectrumConstants sc = MakeSpectrumConstants(exp, 1);
  const LineWidths w = FastMotionWidths(0.0, 1.0, 1.0, 1.0, MakeCallConstants(settings), sc);
  EXPECT_DOUBLE_EQ(w.plus, 1.0 / sc.delta);
  EXPECT_DOUBLE_EQ(w.zero, 1.0 / sc.delta);
  EXPECT_DOUBLE_EQ(w.minus, 1.0 / sc.delta);
  // Slow motion broadens the high-field line most.
  const LineWidths slow = FastMotionWidths(1.0, 1.0, 1.0, 1.0, MakeCallConstants(settings), sc);
  EXPECT_GT(slow.minus, slow.plus);
  EXPECT_GT(slow.plus, slow.zero);
}

TEST_F(IsotropicModels, IsoLinesSitAtTheIsotropicCouplingAroundTheIsotropicG) {
  settings.AbundanceC13 = 0;
  const std::vector<int> p = AbsorptionPeaks(Draw(IsoDomain(1.0, 0.0, 0.5)));
  ASSERT_EQ(p.size(), 3u);
  const SpectrumConstants sc = MakeSpectrumConstants(exp, 1);
  const CallConstants call = MakeCallConstants(settings);
  const double f = kGFree / call.giso;
  EXPECT_NEAR(p[1], FieldToPoint(f * sc.B0, sc), 1);
  EXPECT_NEAR((p[2] - p[0]) * sc.delta, 2 * f * call.Aiso, 2 * sc.delta);
}

TEST_F(IsotropicModels, LorentzianAndGaussianTablesHaveTheRequestedHalfWidth) {
  for (const double L : {1.0, 0.0}) {
    LineTable h;
    DerivativeShape(12.0, L, MakeCallConstants(settings).cG, h);
    EXPECT_EQ(h.N, 120);
    EXPECT_NEAR(AbsorptionHalfWidth(h), 12.0, 0.6) << "L = " << L;
    for (int n = 1; n <= h.N; ++n) ASSERT_LT(h.h[n], 0.0);
  }
}

TEST_F(IsotropicModels, MixedTableFollowsTheClosedFormOverItsWholeLength) {
  const double cG = MakeCallConstants(settings).cG;
  for (const double w : {3.3, 47.0, 140.0}) {
    LineTable h;
    DerivativeShape(w, 0.4, cG, h);
    for (int n = 1; n <= h.N; ++n) {
      const double x = n / w;
      const double expect =
          -x * (0.4 / ((1 + x * x) * (1 + x * x)) + 0.6 * cG * std::exp(-std::log(2.0) * x * x));
      ASSERT_NEAR(h.h[n], expect, 1e-13 * std::fabs(expect) + 1e-300) << "w " << w << " n " << n;
    }
  }
}

TEST_F(IsotropicModels, TableLengthIsCappedAt1024AndEmptyForNoWidth) {
  LineTable h;
  DerivativeShape(150.0, 1.0, 0.1, h);
  EXPECT_EQ(h.N, 1024);
  DerivativeShape(0.04, 1.0, 0.1, h);
  EXPECT_EQ(h.N, 0);
  DerivativeShape(-3.0, 1.0, 0.1, h);
  EXPECT_EQ(h.N, 0);
  DerivativeShape(std::nan(""), 1.0, 0.1, h);
  EXPECT_EQ(h.N, 0);
}

TEST_F(IsotropicModels, StickWingsAreClippedToTheAxisOnBothSides) {
  LineTable h;
  DerivativeShape(5.0, 1.0, 0.1, h);
  for (const long p : {-20L, 1L, 1024L, 1040L}) {
    Spectrum1024 s{};
    DrawStick(s, p, 1.0, h);  // must not write outside 1..1024
    double sum = 0;
    for (int l = 1; l <= 1024; ++l) sum += std::fabs(s[l]);
    EXPECT_GT(sum, 0.0) << "stick at " << p;
  }
  Spectrum1024 far{};
  DrawStick(far, 5000, 1.0, h);
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(far[l], 0.0);
}

namespace {

Domain TrpDomain(double S1, double N1, double a1) {
  Domain d;
  d.type = kTrp;
  d.Values[1] = 1.0;    // Lw
  d.Values[2] = 0.3;    // W
  d.Values[3] = 1.0;    // pg
  d.Values[4] = S1;
  d.Values[5] = N1;
  d.Values[6] = a1;
  d.Values[0] = 1.0;
  return d;
}

}  // namespace

TEST_F(IsotropicModels, TrpTwoSpinHalfNucleiGiveOneTwoOne) {
  Draw(TrpDomain(0.5, 2, 10.0));
  const IsotropicScratch& sc = buf->scratch.isotropic;
  ASSERT_EQ(sc.stick_count, 3);
  const double delta = MakeSpectrumConstants(exp, 1).delta;
  const double expect_int[] = {0.25, 0.5, 0.25};
  for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(sc.stick_int[i], expect_int[i - 1]);
  // Shifts -a, 0, +a: the first stick lies highest in field.
  EXPECT_NEAR((sc.stick_pos[1] - sc.stick_pos[2]) * delta, 10.0, 1e-9);
  EXPECT_NEAR((sc.stick_pos[2] - sc.stick_pos[3]) * delta, 10.0, 1e-9);
}

TEST_F(IsotropicModels, TrpOneSpinOneNucleusGivesThreeEqualLines) {
  const Spectrum1024 s = Draw(TrpDomain(1.0, 1, 12.0));
  const IsotropicScratch& sc = buf->scratch.isotropic;
  ASSERT_EQ(sc.stick_count, 3);
  for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(sc.stick_int[i], 1.0 / 3.0);
  EXPECT_EQ(AbsorptionPeaks(s).size(), 3u);
}

TEST_F(IsotropicModels, TrpCombinesGroupsAsAProduct) {
  Domain d = TrpDomain(0.5, 1, 20.0);
  d.Values[7] = 0.5;  // S2
  d.Values[8] = 1;    // N2
  d.Values[9] = 3.0;  // a2
  Draw(d);
  const IsotropicScratch& sc = buf->scratch.isotropic;
  ASSERT_EQ(sc.stick_count, 4);
  double total = 0;
  for (int i = 1; i <= 4; ++i) total += sc.stick_int[i];
  EXPECT_DOUBLE_EQ(total, 1.0);
}

TEST_F(IsotropicModels, TrpBeyondItsTablesDrawsNothing) {
  // 16 equivalent nuclei exceed the 15 rows; the frame then reports failure.
  const Spectrum1024 s = Draw(TrpDomain(0.5, 16, 1.0));
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(s[l], 0.0);
  // 11 groups of states x 11 x 11 ... > 1024 sticks.
  Domain d = TrpDomain(2.5, 2, 1.0);
  for (int k = 2; k <= 5; ++k) {
    d.Values[3 * k + 1] = 2.5;
    d.Values[3 * k + 2] = 2;
    d.Values[3 * k + 3] = 1.0;
  }
  const Spectrum1024 t = Draw(d);
  for (int l = 1; l <= 1024; ++l) ASSERT_EQ(t[l], 0.0);
}
