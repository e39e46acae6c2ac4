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

// Bin (1..1024) of fractional point x = (B - Bc + Sw/2) / delta by the
// frame's point rule, or 0 when it falls outside the axis: orientations
// there are not counted.
inline int BinOfPoint(double x) {
  if (!(x >= 0.5 && x <= 1024.5)) return 0;
  // Halves to even, as FieldToPoint.
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

using Kernel = std::array<double, 2 * 1024 + 1 + 6>;

// s[0..len) += q k[0..len). Blocks of eight with a fixed trip count and
// unaliased pointers, which the compiler turns into packed arithmetic.
void AddScaled(double* __restrict s, const double* __restrict k, double q, long len) {
  long i = 0;
  for (; i + 8 <= len; i += 8)
    for (int j = 0; j < 8; ++j) s[i + j] += q * k[i + j];
  for (; i < len; ++i) s[i] += q * k[i];
}

// The same for four sticks on consecutive points at once: s[i] gets
// q0 k[i] + q1 k[i-1] + q2 k[i-2] + q3 k[i-3], so the target is read and
// written once per four sticks.
void AddScaled4(double* __restrict s, const double* __restrict k, const double q[4], long len) {
  const double q0 = q[0], q1 = q[1], q2 = q[2], q3 = q[3];
  const double* __restrict k1 = k - 1;
  const double* __restrict k2 = k - 2;
  const double* __restrict k3 = k - 3;
  long i = 0;
  for (; i + 8 <= len; i += 8)
    for (int j = 0; j < 8; ++j)
      s[i + j] += q0 * k[i + j] + q1 * k1[i + j] + q2 * k2[i + j] + q3 * k3[i + j];
  for (; i < len; ++i) s[i] += q0 * k[i] + q1 * k1[i] + q2 * k2[i] + q3 * k3[i];
}

// Draws every bin lo..hi of a histogram as a stick of the line table, as
// DrawStick would bin by bin: the derivative line is laid out once as an
// antisymmetric kernel over offsets -N..N and added as one contiguous run.
// The zero padding lets four neighbouring sticks share one pass.
void DrawHistogram(Spectrum1024& target, const common::OneBased<double, 1024>& hist, long lo, long hi,
                   const LineTable& table, Kernel& kernel) {
  const long N = table.N;
  double* K = kernel.data() + 3 + N;  // K[d] for d = -N-3..N+3
  for (long d = 0; d <= 3; ++d) K[-N - d] = K[N + d] = 0.0;
  K[0] = 0.0;
  for (long n = 1; n <= N; ++n) {
    K[n] = table.h[static_cast<std::size_t>(n)];
    K[-n] = -table.h[static_cast<std::size_t>(n)];
  }
  double* s = target.data();  // point l at s[l - 1]
  long j = lo;
  for (; j + 3 <= hi; j += 4) {
    const double q[4] = {hist[static_cast<std::size_t>(j)], hist[static_cast<std::size_t>(j + 1)],
                         hist[static_cast<std::size_t>(j + 2)], hist[static_cast<std::size_t>(j + 3)]};
    const long first = std::max<long>(1, j - N), last = std::min<long>(kPoints, j + 3 + N);
    AddScaled4(s + (first - 1), K + (first - j), q, last - first + 1);
  }
  for (; j <= hi; ++j) {
    const double q = hist[static_cast<std::size_t>(j)];
    const long first = std::max<long>(1, j - N), last = std::min<long>(kPoints, j + N);
    AddScaled(s + (first - 1), K + (first - j), q, last - first + 1);
  }
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
  // With X = 1 both weights are exactly 1 and u is sin(theta) itself.
  const double p_par = call.p_par, p_dist = call.p_perp - call.p_par;
  const double cos_a = std::cos(ctx.settings.AsymDist2), sin_a = std::sin(ctx.settings.AsymDist2);
  // Points as (B - Bc + Sw/2) / delta, but multiplied by 1/delta: that can
  // differ from the quotient in its last bit only, which moves a point only
  // when it lies within about 1e-13 of a half-point, and the division would
  // otherwise bound the whole sum.
  const double half_sweep = sc.Sw / 2.0, Bc = sc.Bc, inv_delta = 1.0 / sc.delta;
  for (int i = 0; i < kOrientations; ++i) {
    const double s = orient.s[static_cast<std::size_t>(i)], c = orient.c[static_cast<std::size_t>(i)];
    const double sd = s * cos_a - c * sin_a;  // sin(theta - theta_a)
    const double u = (p_par + p_dist * (sd * sd)) * s;
    const double c2 = c * c, s2 = s * s;
    const double Gam = g_par2 * c2 + g_perp2 * s2;
    const double geff = std::sqrt(Gam) * pg;
    const double q = geff * geff * u;
    const double Q = A_par_g * c2 + A_perp_g * s2;
    const double V = V_coef * s * c;
    const double Aeff = Gam * std::sqrt(Q * Q + V * V / 2.0) * pa;
    const double f = kGFree / geff;
    if (const int p = BinOfPoint((f * (B0 - Aeff) - Bc + half_sweep) * inv_delta)) h_plus[p - 1] += q;
    if (const int p = BinOfPoint((f * B0 - Bc + half_sweep) * inv_delta)) h_zero[p - 1] += q;
    if (const int p = BinOfPoint((f * (B0 + Aeff) - Bc + half_sweep) * inv_delta)) h_minus[p - 1] += q;
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
    for (long j = lo; j <= hi; ++j) hist[static_cast<std::size_t>(j)] *= scale;
    DrawHistogram(target, hist, lo, hi, table, ps.kernel);
  }
}

}  // namespace korvel
