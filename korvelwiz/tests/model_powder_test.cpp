#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <memory>

#include "engine/constants.h"
#include "engine/line_shape.h"
#include "engine/model_powder.h"
#include "engine/models.h"
#include "engine_fixture.h"
#include "model_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

Domain MemDomain(double S, double tc = 0.5, double W = 1.2, double pa = 1.0, double pg = 1.0,
                 std::uint8_t group_code = 2) {
  Domain d;
  d.type = kMem;
  d.GroupCode = group_code;
  d.Values[1] = S;
  d.Values[2] = tc;
  d.Values[3] = W;
  d.Values[4] = pa;
  d.Values[5] = pg;
  d.Values[0] = 1.0;
  return d;
}

double MaxAbs(const Spectrum1024& s) {
  double m = 0;
  for (double v : s) m = std::fmax(m, std::fabs(v));
  return m;
}

// One spectrum at X band with an isotropic orientation distribution.
class MemModel : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    settings.AsymDist1 = 1.0;
    settings.AsymDist2 = 0.0;
  }

  Spectrum1024 Draw(const Domain& d) {
    bool flagged = false;
    const Spectrum1024 out = DrawModel(d, flagged);
    EXPECT_FALSE(flagged);
    return out;
  }

  const common::OneBased<double, 1024>& Histogram(int line) const {
    return buf->scratch.powder.histogram[static_cast<std::size_t>(line)];
  }
};

}  // namespace

TEST(MemTensors, OrderParameterAndGroupCodePickTheAveragedValues) {
  const ProjectSettings s = NitroxideSettings();
  const double Aiso = (s.Axx + s.Ayy + s.Azz) / 3, giso = (s.gxx + s.gyy + s.gzz) / 3;
  struct Case {
    double S;
    std::uint8_t gc;
    double A_par, A_perp, g_par, g_perp;
  };
  const Case cases[] = {
      // Rigid about z: the axial pattern of the full tensor.
      {1.0, 2, s.Azz, (s.Axx + s.Ayy) / 2, s.gzz, (s.gxx + s.gyy) / 2},
      // GroupCode 0 makes x the symmetry axis, 1 makes y; codes wrap mod 3.
      {1.0, 0, s.Axx, (s.Ayy + s.Azz) / 2, s.gxx, (s.gyy + s.gzz) / 2},
      {1.0, 1, s.Ayy, (s.Azz + s.Axx) / 2, s.gyy, (s.gzz + s.gxx) / 2},
      {1.0, 5, s.Azz, (s.Axx + s.Ayy) / 2, s.gzz, (s.gxx + s.gyy) / 2},
      // No order: both averages isotropic, whatever the axis.
      {0.0, 2, Aiso, Aiso, giso, giso},
      {0.0, 0, Aiso, Aiso, giso, giso},
  };
  for (const Case& c : cases) {
    const AxialTensors t = PartiallyAveragedTensors(c.S, c.gc, s);
    EXPECT_NEAR(t.A_par, c.A_par, 1e-12) << "S=" << c.S << " gc=" << int(c.gc);
    EXPECT_NEAR(t.A_perp, c.A_perp, 1e-12) << "S=" << c.S << " gc=" << int(c.gc);
    EXPECT_NEAR(t.g_par, c.g_par, 1e-14) << "S=" << c.S << " gc=" << int(c.gc);
    EXPECT_NEAR(t.g_perp, c.g_perp, 1e-14) << "S=" << c.S << " gc=" << int(c.gc);
  }
}

TEST_F(MemModel, WithoutOrderItCollapsesToThreeIsotropicLorentzianLines) {
  // S = 0: every orientation lands on one bin per line, so the spectrum is
  // iso's with a pure Lorentzian shape and no 13C satellites.
  settings.AbundanceC13 = 0.0;
  const Spectrum1024 mem = Draw(MemDomain(0.0, 0.4, 1.1, 1.02, 1.0005));
  const Spectrum1024 iso = Draw(IsoDomain(1.0, 0.4, 1.1, 1.02, 1.0005));
  const double top = MaxAbs(iso);
  ASSERT_GT(top, 0);
  for (int l = 1; l <= 1024; ++l) ASSERT_NEAR(mem[l], iso[l], 1e-9 * top) << "point " << l;
  for (int line = 0; line < 3; ++line) {
    int filled = 0;
    for (double b : Histogram(line)) filled += b != 0;
    EXPECT_EQ(filled, 1) << "line " << line;
  }
}

// S = 1 with the axis along z (GroupCode 2) and along x (GroupCode 0, where
// the parallel coupling is the small one and the turning points swap
// sides): each histogram spans exactly its two turning points, carries
// weight at both, and is normalised to 1/w^2 over that range.
class MemRigidPattern : public MemModel, public ::testing::WithParamInterface<int> {};

TEST_P(MemRigidPattern, HistogramsSpanTheTurningPointsOfTheAxialTensors) {
  const std::uint8_t gc = static_cast<std::uint8_t>(GetParam());
  const Domain d = MemDomain(1.0, 0.3, 1.0, 1.0, 1.0, gc);
  Draw(d);
  const AxialTensors t = PartiallyAveragedTensors(1.0, gc, settings);
  EXPECT_EQ(t.A_par, gc == 0 ? settings.Axx : settings.Azz);
  const SpectrumConstants sc = Constants();
  const LineWidths w = FastMotionWidths(0.3, 1.0, 1.0, 1.0, MakeCallConstants(settings), sc);
  const double widths[3] = {w.plus, w.zero, w.minus};
  for (int line = 0; line < 3; ++line) {
    const int m = 1 - line;
    const long p_par = FieldToPoint(kGFree / t.g_par * (sc.B0 - m * t.A_par), sc);
    const long p_perp = FieldToPoint(kGFree / t.g_perp * (sc.B0 - m * t.A_perp), sc);
    const long lo = std::min(p_par, p_perp), hi = std::max(p_par, p_perp);
    ASSERT_GE(lo, 1);
    ASSERT_LE(hi, 1024);
    const auto& h = Histogram(line);
    double sum = 0;
    for (long j = lo; j <= hi; ++j) {
      EXPECT_GE(h[j], 0.0) << "line " << line << " bin " << j;
      sum += h[j];
    }
    EXPECT_NEAR(sum * widths[line] * widths[line], 1.0, 1e-12) << "line " << line;
    EXPECT_GT(h[p_par], 0.0) << "line " << line;
    EXPECT_GT(h[p_perp], 0.0) << "line " << line;
  }
}

INSTANTIATE_TEST_SUITE_P(AxisAlongZOrX, MemRigidPattern, ::testing::Values(2, 0),
                         [](const auto& p) { return p.param == 2 ? "AxisZ" : "AxisX"; });

TEST_F(MemModel, AnAxialDistributionShiftsWeightBetweenTheTurningPoints) {
  // X = 4 with theta_a = 0 favours axes perpendicular to the field: the
  // parallel end of the low-field line loses weight against the uniform case.
  const Domain d = MemDomain(0.6);
  Draw(d);
  const auto uniform = Histogram(0);
  settings.AsymDist1 = 4.0;
  Draw(d);
  const auto perpendicular = Histogram(0);
  const AxialTensors t = PartiallyAveragedTensors(0.6, 2, settings);
  const SpectrumConstants sc = Constants();
  const long p_par = FieldToPoint(kGFree / t.g_par * (sc.B0 - t.A_par), sc);
  const long p_perp = FieldToPoint(kGFree / t.g_perp * (sc.B0 - t.A_perp), sc);
  EXPECT_LT(perpendicular[p_par] / perpendicular[p_perp], 0.5 * uniform[p_par] / uniform[p_perp]);
}

TEST_F(MemModel, OrientationsOffTheAxisAreNotCounted) {
  // A 30 G sweep keeps only the central line on the axis; the outer lines'
  // orientations fall outside 1..1024 and are dropped.
  exp.Spectra[1].Sweep = 30.0;
  const Spectrum1024 s = Draw(MemDomain(0.8));
  EXPECT_GT(MaxAbs(s), 0.0);
  for (double v : s) ASSERT_TRUE(std::isfinite(v));
  // Wholly off the axis: nothing drawn, no arithmetic fault on the way.
  exp.Spectra[1].CenterField = 6000.0;
  const Spectrum1024 none = Draw(MemDomain(0.8));
  EXPECT_EQ(MaxAbs(none), 0.0);
}

TEST(MemThroughTheEngine, ASingleMemDomainSimulatesWithoutTrippingTheFailureRule) {
  auto buf = MakeSimBuffers();
  Tvrecica w = OneIsoExperiment();
  w.settings.AsymDist1 = 1.0;
  SimulateIntoExperiment(w, *buf);  // ExpRaw: the simulated iso spectrum
  w.exp.Domains[1] = MemDomain(0.4, 0.8, 1.5, 1.0, 1.0);
  ParamVec v{};
  CollectParamVector(w.exp, v);
  const float fitness = SimulateExperiment(w, v, *buf);
  EXPECT_NE(fitness, 100.0f / static_cast<float>(w.exp.Spectra[1].NoiseWeight));
  EXPECT_TRUE(std::isfinite(fitness));
  EXPECT_GT(fitness, 0.0f);
  EXPECT_NEAR(MaxAbs(buf->SimTotal[1]), MaxAbs(buf->SimDomains[1][1]), 1e-12);
}
