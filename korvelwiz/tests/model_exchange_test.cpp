#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "common/text_file.h"
#include "engine/constants.h"
#include "engine/engine_call.h"
#include "engine/line_shape.h"
#include "engine/models.h"
#include "engine_fixture.h"
#include "model_fixture.h"
#include "fitting/gauss_jordan.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

namespace fs = std::filesystem;

Domain LleDomain(double tc, double W, double Wex, double pa = 1.0, double pg = 1.0) {
  Domain d;
  d.type = kLle;
  d.Values = {1.0, tc, W, Wex, pa, pg, 1.0};
  return d;
}

Domain LbeDomain(double tc, double WBr, double cBr, double W, double Wex, double pa = 1.0,
                 double pg = 1.0) {
  Domain d;
  d.type = kLbe;
  d.Values = {1.0, tc, WBr, cBr, W, Wex, pa, pg, 1.0};
  return d;
}

double MaxAbs(const Spectrum1024& s) {
  double m = 0;
  for (double v : s) m = std::fmax(m, std::fabs(v));
  return m;
}

// Three uncoupled Lorentzian absorption lines, negative as the line
// equations give them: A(t) = -sum G_k / (G_k^2 + (p_k - t)^2).
struct ThreeLines {
  double p[3], gamma[3];
  double Absorption(double t) const {
    double A = 0;
    for (int k = 0; k < 3; ++k) {
      const double d = p[k] - t;
      A -= gamma[k] / (gamma[k] * gamma[k] + d * d);
    }
    return A;
  }
};

class ExchangeModels : public ModelTest {
 protected:
  fs::path dir;
  std::string saved_project;

  void SetUp() override {
    ModelTest::SetUp();
    saved_project = GaussJProjectFile();
    dir = fs::temp_directory_path() /
          ("korvel_exchange_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    SetGaussJProjectFile((dir / "spin.mtp").string());
  }
  void TearDown() override {
    SetGaussJProjectFile(saved_project);
    fs::remove_all(dir);
  }
  fs::path DiagnosticFile() const { return dir / "spi_Exc_GaussJ.txt"; }

  Spectrum1024 Draw(const Domain& d) {
    bool flagged = false;
    const Spectrum1024 out = DrawModel(d, flagged);
    EXPECT_FALSE(flagged);
    return out;
  }

  // Positions and widths as iso places its three lines.
  ThreeLines LinesOf(double tc, double W, double pa = 1.0, double pg = 1.0) const {
    const CallConstants call = MakeCallConstants(settings);
    const SpectrumConstants sc = MakeSpectrumConstants(exp, 1);
    const LineWidths w = FastMotionWidths(tc, W, pa, pg, call, sc);
    ThreeLines lines{};
    const double f = kGFree / (pg * call.giso), a = pa * call.Aiso;
    for (int k = 0; k < 3; ++k) lines.p[k] = static_cast<double>(FieldToPoint(f * (sc.B0 - (1 - k) * a), sc));
    lines.gamma[0] = w.plus;
    lines.gamma[1] = w.zero;
    lines.gamma[2] = w.minus;
    return lines;
  }

  const common::OneBased<double, 1024>& Absorption() const { return buf->scratch.powder.absorption; }
};

// Half width at half height (points) of the single absorption line of
// |A| around its deepest point, by linear interpolation.
double HalfWidth(const common::OneBased<double, 1024>& A, int centre) {
  const double half = A[static_cast<std::size_t>(centre)] / 2;
  auto edge = [&](int dir) {
    int l = centre;
    while (A[static_cast<std::size_t>(l + dir)] < half) l += dir;
    const double a0 = A[static_cast<std::size_t>(l)], a1 = A[static_cast<std::size_t>(l + dir)];
    return l + dir * (a0 - half) / (a0 - a1);
  };
  return (edge(1) - edge(-1)) / 2;
}

}  // namespace

TEST_F(ExchangeModels, LleWithoutExchangeIsThreeLorentzianAbsorptionLines) {
  const double tc = 0.6, W = 0.9;
  const Spectrum1024 s = Draw(LleDomain(tc, W, 0.0));
  const ThreeLines ref = LinesOf(tc, W);
  const double depth = 1.0 / ref.gamma[1];
  for (int l = 1; l <= 1024; ++l) ASSERT_NEAR(Absorption()[l], ref.Absorption(l), 1e-12 * depth) << l;
  for (int l = 2; l <= 1023; ++l)
    ASSERT_NEAR(s[l], (ref.Absorption(l + 1) - ref.Absorption(l - 1)) / 2, 1e-12 * depth) << l;
  EXPECT_NEAR(s[1], 2 * ref.Absorption(2) - ref.Absorption(3) / 2 - 1.5 * ref.Absorption(1), 1e-12 * depth);
  EXPECT_NEAR(s[1024], -2 * ref.Absorption(1023) + ref.Absorption(1022) / 2 + 1.5 * ref.Absorption(1024),
              1e-12 * depth);
}

TEST_F(ExchangeModels, LargeExchangeNarrowsTheLinesTowardsOneCentralLine) {
  const double tc = 0.6, W = 0.9;
  const ThreeLines ref = LinesOf(tc, W);
  const double mean_gamma = (ref.gamma[0] + ref.gamma[1] + ref.gamma[2]) / 3;
  double previous = 1e9;
  for (double Wex : {200.0, 1000.0, 5000.0}) {
    Draw(LleDomain(tc, W, Wex));
    const auto& A = Absorption();
    int deepest = 1, minima = 0;
    for (int l = 2; l <= 1023; ++l) {
      if (A[l] < A[deepest]) deepest = l;
      if (A[l] < A[l - 1] && A[l] <= A[l + 1]) ++minima;
    }
    EXPECT_EQ(minima, 1) << "Wex " << Wex;
    EXPECT_NEAR(deepest, ref.p[1], 1.0) << "Wex " << Wex;
    const double hw = HalfWidth(A, deepest);
    EXPECT_LT(hw, previous) << "Wex " << Wex;
    // Fast exchange: the mean width plus a motional term that falls as 1/Wex.
    EXPECT_GT(hw, mean_gamma - 0.05) << "Wex " << Wex;
    previous = hw;
  }
  EXPECT_LT(previous, mean_gamma + 0.5);
}

// lbe with Wex = 0: the three lines decouple from the broadener, whatever its
// concentration, and the derivative is the +-0.1 point difference of three
// Lorentzian lines.
class LbeUncoupled : public ExchangeModels, public ::testing::WithParamInterface<double> {};

TEST_P(LbeUncoupled, WithoutExchangeOnlyTheThreeLinesAppear) {
  const double tc = 0.6, W = 0.9, cBr = GetParam();
  const Spectrum1024 s = Draw(LbeDomain(tc, 3.0, cBr, W, 0.0));
  const ThreeLines ref = LinesOf(tc, W);
  const double scale = 1.0 / (ref.gamma[1] * ref.gamma[1]);
  for (int l = 1; l <= 1024; ++l)
    ASSERT_NEAR(s[l], (ref.Absorption(l - 0.1) - ref.Absorption(l + 0.1)) / 0.4, 1e-11 * scale) << l;
}

INSTANTIATE_TEST_SUITE_P(BroadenerConcentration, LbeUncoupled, ::testing::Values(0.0, 5.0),
                         [](const auto& p) { return p.param == 0 ? "None" : "FiveMillimolar"; });

TEST_F(ExchangeModels, LbeExchangeWithTheBroadenerChangesTheSpectrum) {
  const Spectrum1024 none = Draw(LbeDomain(0.6, 3.0, 0.0, 0.9, 0.5));
  const Spectrum1024 some = Draw(LbeDomain(0.6, 3.0, 5.0, 0.9, 0.5));
  double diff = 0;
  for (int l = 1; l <= 1024; ++l) {
    ASSERT_TRUE(std::isfinite(some[l]));
    diff = std::fmax(diff, std::fabs(some[l] - none[l]));
  }
  EXPECT_GT(diff, 1e-3 * MaxAbs(none));
}

TEST_F(ExchangeModels, ASingularSystemContributesNothingAndWritesOneDiagnosticPerEngineCall) {
  // Zero widths and no exchange: at each line's own point the system has a
  // zero 2 x 2 block. Away from them the absorption is exactly zero too.
  const Domain d = LleDomain(0.0, 0.0, 0.0);
  BeginEngineCall(buf->scratch);
  const Spectrum1024 s = Draw(d);
  EXPECT_EQ(MaxAbs(s), 0.0);
  ASSERT_TRUE(fs::exists(DiagnosticFile()));
  const auto lines = common::ReadTextLines(DiagnosticFile().string());
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Singular matrix detected during GaussJ in STDCalc calculation");
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), 12u) << i;
  EXPECT_EQ(lines[7], "");

  // Within the same engine call no further writes, however many points fail.
  fs::remove(DiagnosticFile());
  Draw(d);
  EXPECT_FALSE(fs::exists(DiagnosticFile()));
  // The next engine call may write again.
  BeginEngineCall(buf->scratch);
  Draw(d);
  EXPECT_TRUE(fs::exists(DiagnosticFile()));
}

TEST_F(ExchangeModels, TheEngineFrameAllowsOneDiagnosticPerCall) {
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);
  w.exp.Domains[1] = LleDomain(0.0, 0.0, 0.0);
  ParamVec v{};
  for (int call = 1; call <= 2; ++call) {
    fs::remove(DiagnosticFile());
    Tvrecica copy = w;
    SimulateExperiment(copy, v, *buf);  // draws nothing: the failure rule applies
    EXPECT_TRUE(fs::exists(DiagnosticFile())) << "call " << call;
  }
}

class ExchangeThroughTheEngine : public ::testing::TestWithParam<Domain> {};

TEST_P(ExchangeThroughTheEngine, SimulatesWithoutTrippingTheFailureRule) {
  auto buf = MakeSimBuffers();
  Tvrecica w = OneIsoExperiment();
  SimulateIntoExperiment(w, *buf);  // ExpRaw: the simulated iso spectrum
  w.exp.Domains[1] = GetParam();
  ParamVec v{};
  CollectParamVector(w.exp, v);
  const float fitness = SimulateExperiment(w, v, *buf);
  EXPECT_NE(fitness, 100.0f / static_cast<float>(w.exp.Spectra[1].NoiseWeight));
  EXPECT_TRUE(std::isfinite(fitness));
  const auto& s = buf->SimDomains[1][1];
  for (double value : s) ASSERT_TRUE(std::isfinite(value));
  EXPECT_GT(MaxAbs(s), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Models, ExchangeThroughTheEngine,
                         ::testing::Values(LleDomain(0.8, 1.0, 2.0), LbeDomain(0.8, 4.0, 2.0, 1.0, 0.8)),
                         [](const auto& p) { return p.param.type == kLle ? "Lle" : "Lbe"; });
