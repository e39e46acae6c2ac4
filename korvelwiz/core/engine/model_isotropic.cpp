// iso: a nitroxide in fast isotropic motion (three nitrogen lines with their
// 13C satellites); trp: an isotropic radical with up to five groups of
// equivalent nuclei of any spin, all lines of one width.
#include <cmath>

#include "common/rounding.h"
#include "engine/line_shape.h"
#include "engine/models.h"

namespace korvel {

using common::RoundHalfEven;

void DrawIso(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double Lw = v[1], tc = v[2], W = v[3], pa = v[4], pg = v[5], d = v[0];
  const SpectrumConstants& sc = ctx.spectrum;
  const LineWidths w = FastMotionWidths(tc, W, pa, pg, ctx.call, sc);
  const double g = pg * ctx.call.giso;
  const double a = pa * ctx.call.Aiso;
  const double f = kGFree / g;
  const double A13 = ctx.settings.AC13iso, p13 = ctx.settings.AbundanceC13;
  const double widths[3] = {w.plus, w.zero, w.minus};
  for (int i = 0; i < 3; ++i) {
    const int m = 1 - i;  // +1, 0, -1
    LineTable& h = ctx.scratch.isotropic.lines[static_cast<std::size_t>(i)];
    DerivativeShape(widths[i], Lw, ctx.call.cG, h);
    if (h.N <= 0) continue;
    const double wm2 = widths[i] * widths[i];
    const double centre = sc.B0 - m * a;
    DrawStick(target, FieldToPoint(f * centre, sc), d * (1.0 - p13) / wm2, h);
    const double q_sat = d * p13 / (2.0 * wm2);
    DrawStick(target, FieldToPoint(f * (centre + A13 / 2.0), sc), q_sat, h);
    DrawStick(target, FieldToPoint(f * (centre - A13 / 2.0), sc), q_sat, h);
  }
}

namespace {

constexpr int kTrpGroups = 5;
constexpr int kTrpRows = 15;
constexpr int kTrpEntries = 150;
constexpr int kTrpSticks = 1024;

}  // namespace

void DrawTrp(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double Lw = v[1], W = v[2], pg = v[3], d = v[0];
  IsotropicScratch& sc = ctx.scratch.isotropic;

  // Multiplicities: row n of a group counts the spin states of n equivalent
  // nuclei per total projection (row 1 is D ones, each further row the
  // previous one convolved with D ones).
  double S[kTrpGroups], N[kTrpGroups], a[kTrpGroups], T[kTrpGroups];
  int nk[kTrpGroups], count[kTrpGroups];
  long sticks = 1;
  for (int k = 0; k < kTrpGroups; ++k) {
    S[k] = v[static_cast<std::size_t>(3 * k + 4)];
    N[k] = v[static_cast<std::size_t>(3 * k + 5)];
    a[k] = v[static_cast<std::size_t>(3 * k + 6)];
    const double D_real = N[k] > 0 ? RoundHalfEven(2.0 * S[k] + 1.0) : 1.0;
    const double n_real = RoundHalfEven(N[k]);
    const double c_real = RoundHalfEven(2.0 * S[k] * N[k] + 1.0);
    // Beyond the tables (or a meaningless spin) the domain draws nothing,
    // and the frame's failure rule takes over.
    if (!(n_real <= kTrpRows) || !(c_real <= kTrpEntries) || !(D_real >= 1) ||
        !(D_real <= kTrpEntries))
      return;
    nk[k] = n_real > 0 ? static_cast<int>(n_real) : 0;
    count[k] = c_real > 0 ? static_cast<int>(c_real) : 0;
    sticks *= count[k];
    if (sticks > kTrpSticks) return;
    const int D = static_cast<int>(D_real);
    auto& rows = sc.rows[static_cast<std::size_t>(k)];
    if (nk[k] == 0) {
      T[k] = 1;
      continue;
    }
    for (int l = 1; l <= kTrpEntries; ++l) rows[1][static_cast<std::size_t>(l)] = l <= D ? 1 : 0;
    for (int n = 2; n <= nk[k]; ++n) {
      const int len = std::min(n * (D - 1) + 1, kTrpEntries);
      for (int l = 1; l <= kTrpEntries; ++l) {
        std::int64_t sum = 0;
        if (l <= len)
          for (int j = std::max(1, l - D + 1); j <= l; ++j) sum += rows[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(j)];
        rows[static_cast<std::size_t>(n)][static_cast<std::size_t>(l)] = sum;
      }
    }
    double total = 0;
    for (int l = 1; l <= count[k]; ++l) total += static_cast<double>(rows[static_cast<std::size_t>(nk[k])][static_cast<std::size_t>(l)]);
    T[k] = total;
  }
  if (sticks <= 0) return;

  const SpectrumConstants& consts = ctx.spectrum;
  // Every combination of projections (group 1 outermost) is one stick.
  int idx[kTrpGroups] = {1, 1, 1, 1, 1};
  sc.stick_count = 0;
  for (long s = 0; s < sticks; ++s) {
    double shift = 0, intensity = 1;
    for (int k = 0; k < kTrpGroups; ++k) {
      shift += (idx[k] - N[k] * S[k] - 1.0) * a[k];
      if (nk[k] != 0) {
        const auto& row = sc.rows[static_cast<std::size_t>(k)][static_cast<std::size_t>(nk[k])];
        intensity *= static_cast<double>(row[static_cast<std::size_t>(idx[k])]) / T[k];
      }
    }
    ++sc.stick_count;
    sc.stick_pos[static_cast<std::size_t>(sc.stick_count)] =
        ((consts.B0 - shift) / pg - consts.Bc + consts.Sw / 2.0) / consts.delta;
    sc.stick_int[static_cast<std::size_t>(sc.stick_count)] = intensity;
    for (int k = kTrpGroups - 1; k >= 0; --k) {
      if (++idx[k] <= count[k]) break;
      idx[k] = 1;
    }
  }

  const double w = W / consts.delta;
  LineTable& h = sc.lines[0];
  DerivativeShape(w, Lw, ctx.call.cG, h);
  if (h.N <= 0) return;
  const double q0 = d / (w * w);
  for (int s = 1; s <= sc.stick_count; ++s) {
    const double p_round = RoundHalfEven(sc.stick_pos[static_cast<std::size_t>(s)]);
    const long p = (p_round > -1.0e6 && p_round < 1.0e6) ? static_cast<long>(p_round) : -1000000;
    DrawStick(target, p, q0 * sc.stick_int[static_cast<std::size_t>(s)], h);
  }
}

}  // namespace korvel
