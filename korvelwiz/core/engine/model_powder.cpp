// mem: a nitroxide whose fast motion about one axis leaves axially averaged
// g and hyperfine tensors; the spectrum is a powder average over the
// orientation of that axis, optionally with an anisotropic distribution.
#include "engine/model_powder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/rounding.h"
#include "engine/line_shape.h"
#include "engine/models.h"

namespace korvel {

AxialTensors PartiallyAveragedTensors(double S, std::uint8_t group_code, const ProjectSettings& settings) {
  const double A[3] = {settings.Axx, settings.Ayy, settings.Azz};
  const double g[3] = {settings.gxx, settings.gyy, settings.gzz};
  const int gc = group_code % 3;
  const int i1 = (gc + 1) % 3, i2 = (gc + 2) % 3, i3 = gc;
  const double P = (2.0 * S + 1.0) / 3.0;
  AxialTensors t;
  t.A_par = A[i3] * P + (A[i1] + A[i2]) / 2.0 * (1.0 - P);
  t.A_perp = A[i3] * (1.0 - P) / 2.0 + (A[i1] + A[i2]) / 2.0 * (1.0 + P) / 2.0;
  t.g_par = g[i3] * P + (g[i1] + g[i2]) / 2.0 * (1.0 - P);
  t.g_perp = g[i3] * (1.0 - P) / 2.0 + (g[i1] + g[i2]) / 2.0 * (1.0 + P) / 2.0;
  return t;
}

namespace {

// 2000 orientations of the symmetry axis over 0..pi/2, at the midpoints of
// equal steps in theta; sin and cos computed once for the program's life.
constexpr int kOrientations = 2000;
constexpr double kThetaStep = 0.0007853981635;

struct OrientationTable {
  std::array<double, kOrientations> s{}, c{};
};

const OrientationTable& Orientations() {
  static const OrientationTable table = [] {
    OrientationTable t;
    for (int i = 0; i < kOrientations; ++i) {
      const double theta = (i + 1 - 0.5) * kThetaStep;
      t.s[static_cast<std::size_t>(i)] = std::sin(theta);
      t.c[static_cast<std::size_t>(i)] = std::cos(theta);
    }
    return t;
  }();
  return table;
}

// Bin (1..1024) of field B by the frame's point rule, or 0 when the point
// falls outside the axis: orientations there are not counted.
inline int BinOf(double B, const SpectrumConstants& sc, double half_sweep) {
  const double x = (B - sc.Bc + half_sweep) / sc.delta;
  if (!(x >= 0.5 && x <= 1024.5)) return 0;
  // Halves to even, as FieldToPoint, without leaving the loop.
  int p = static_cast<int>(x);
  const double frac = x - p;
  if (frac > 0.5 || (frac == 0.5 && (p & 1) != 0)) ++p;
  return p;
}

// Edge profile of the perpendicular turning point: the histogram bins
// next to it are shaped by phi(j)/phi(n) to restore the singularity the
// discrete orientation sum smears out.
double EdgePhi(double j, double kF, double delta) {
  const double sj = std::sqrt(j), sj1 = std::sqrt(j - 1.0);
  const double num = (j * sj - (j - 1.0) * sj1) * delta - (sj - sj1) * 6.0 * kF;
  return num * std::sqrt(8.0 * (2.0 * j - 1.0)) / 3.0 / ((2.0 * j - 1.0) * delta - 4.0 * kF);
}

void CorrectEdge(common::OneBased<double, 1024>& hist, long p_par, long p_perp, double k, double F,
                 double delta) {
  const double n_real = std::max(1.0, common::RoundHalfEven(std::fabs(k * 0.1 * F / delta)));
  const double L_real = std::max(1.0, std::fabs(static_cast<double>(p_perp - p_par)));
  const double n_cap = std::min(n_real, L_real);  // also keeps a NaN width from reaching the loop
  if (!(n_cap >= 1.0)) return;
  const long n = static_cast<long>(n_cap);
  const long dir = p_par >= p_perp ? 1 : -1;
  // j runs 1..n over bins p_perp, p_perp + dir, ...; only those on the axis.
  long j_lo = 1, j_hi = n;
  if (dir > 0) {
    j_lo = std::max(j_lo, 2 - p_perp);
    j_hi = std::min(j_hi, 1025 - p_perp);
  } else {
    j_lo = std::max(j_lo, p_perp - 1023);
    j_hi = std::min(j_hi, p_perp);
  }
  if (j_lo > j_hi) return;
  const double kF = k * F;
  const double inv_phi_n = 1.0 / EdgePhi(static_cast<double>(n), kF, delta);
  for (long j = j_lo; j <= j_hi; ++j)
    hist[static_cast<std::size_t>(p_perp + (j - 1) * dir)] *= EdgePhi(static_cast<double>(j), kF, delta) * inv_phi_n;
}

}  // namespace

void DrawMem(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double S = v[1], tc = v[2], W = v[3], pa = v[4], pg = v[5];
  const SpectrumConstants& sc = ctx.spectrum;
  const CallConstants& call = ctx.call;
  PowderScratch& ps = ctx.scratch.powder;

  const AxialTensors t = PartiallyAveragedTensors(S, domain.GroupCode, ctx.settings);
  const LineWidths w = FastMotionWidths(tc, W, pa, pg, call, sc);
  const double widths[3] = {w.plus, w.zero, w.minus};
  const double B0 = sc.B0;

  // Turning points: the parallel and perpendicular orientations of each line.
  const double r = (t.g_par * t.g_par) / (t.g_perp * t.g_perp);
  const double a_perp = pa * t.A_perp;
  const double fe_par = kGFree / (t.g_par * pg);
  const double fe_perp = kGFree / (t.g_perp * pg);
  long P_par[3], P_perp[3];
  double F[3];
  for (int i = 0; i < 3; ++i) {
    const int m = 1 - i;  // +1, 0, -1
    P_par[i] = FieldToPoint(fe_par * (B0 - m * (pa * t.A_par)), sc);
    F[i] = fe_perp * (B0 - m * a_perp);
    P_perp[i] = FieldToPoint(F[i], sc);
  }

  // Edge coefficients of the three lines.
  const double k0 = (1.0 - r) / 2.0;
  const double G = 1.75 - r - (0.75 * t.A_par / t.A_perp) / r;
  const double k[3] = {G * a_perp / (B0 - a_perp) + k0, k0, k0 - G * a_perp / (a_perp + B0)};

  // Orientation sum into the three histograms.
  for (auto& h : ps.histogram) h.fill(0.0);
  double* h_plus = ps.histogram[0].data();  // bin p at [p - 1]
  double* h_zero = ps.histogram[1].data();
  double* h_minus = ps.histogram[2].data();
  const OrientationTable& orient = Orientations();
  const double g_par2 = t.g_par * t.g_par, g_perp2 = t.g_perp * t.g_perp;
  const double A_par_g = t.A_par / g_par2, A_perp_g = t.A_perp / g_perp2;
  const double V_coef = A_par_g - A_perp_g;
  const bool uniform = ctx.settings.AsymDist1 == 1.0;
  const double p_par = call.p_par, p_perp = call.p_perp;
  const double cos_a = std::cos(ctx.settings.AsymDist2), sin_a = std::sin(ctx.settings.AsymDist2);
  const double half_sweep = sc.Sw / 2.0;
  for (int i = 0; i < kOrientations; ++i) {
    const double s = orient.s[static_cast<std::size_t>(i)], c = orient.c[static_cast<std::size_t>(i)];
    double u = s;
    if (!uniform) {
      const double sd = s * cos_a - c * sin_a;  // sin(theta - theta_a)
      u = (p_par + (p_perp - p_par) * sd * sd) * s;
    }
    const double c2 = c * c, s2 = s * s;
    const double Gam = g_par2 * c2 + g_perp2 * s2;
    const double geff = std::sqrt(Gam) * pg;
    const double q = geff * geff * u;
    const double Q = A_par_g * c2 + A_perp_g * s2;
    const double V = V_coef * s * c;
    const double Aeff = Gam * std::sqrt(Q * Q + V * V / 2.0) * pa;
    const double f = kGFree / geff;
    if (const int p = BinOf(f * (B0 - Aeff), sc, half_sweep)) h_plus[p - 1] += q;
    if (const int p = BinOf(f * B0, sc, half_sweep)) h_zero[p - 1] += q;
    if (const int p = BinOf(f * (B0 + Aeff), sc, half_sweep)) h_minus[p - 1] += q;
  }

  for (int i = 0; i < 3; ++i) {
    auto& hist = ps.histogram[static_cast<std::size_t>(i)];
    LineTable& table = ps.lines[static_cast<std::size_t>(i)];
    DerivativeShape(widths[i], 1.0, call.cG, table);
    if (table.N <= 0) continue;  // a width that rounds to no table draws nothing
    CorrectEdge(hist, P_par[i], P_perp[i], k[i], F[i], sc.delta);

    // Only the range between the turning points is drawn, normalised to
    // unit area over 1/w^2 so each line carries the same absorption.
    const long lo = std::max<long>(1, std::min(P_par[i], P_perp[i]));
    const long hi = std::min<long>(kPoints, std::max(P_par[i], P_perp[i]));
    if (lo > hi) continue;
    double sum = 0;
    for (long j = lo; j <= hi; ++j) sum += hist[static_cast<std::size_t>(j)];
    if (sum == 0) continue;  // no orientation of this line landed on the axis
    const double scale = 1.0 / (sum * (widths[i] * widths[i]));
    for (long j = lo; j <= hi; ++j) {
      double& bin = hist[static_cast<std::size_t>(j)];
      bin *= scale;
      if (bin != 0) DrawStick(target, j, bin, table);
    }
  }
}

}  // namespace korvel
