// lle: three isotropic nitrogen lines coupled by exchange among themselves;
// lbe: each of the three coupled by exchange to one line of a second
// species, the broadener. Both solve the exchange-coupled line equations
// (Bloch equations with exchange, in real form: xi and eta are the
// dispersion and absorption parts of each line) at every field point.
#include <algorithm>

#include "engine/engine_call.h"
#include "engine/line_shape.h"
#include "engine/models.h"
#include "fitting/gauss_jordan.h"

namespace korvel {

void BeginEngineCall(EngineScratch& scratch) {
  scratch.powder.diagnostic_written = false;
  scratch.powder.singular_pending = false;
}

namespace {

struct ExchangeLines {
  double p[3];      // points of the lines m = +1, 0, -1
  double gamma[3];  // their half widths [points]
};

// Positions and widths of the three lines as iso places them.
ExchangeLines PlaceLines(double tc, double W, double pa, double pg, const ModelContext& ctx) {
  const SpectrumConstants& sc = ctx.spectrum;
  const LineWidths w = FastMotionWidths(tc, W, pa, pg, ctx.call, sc);
  const double g = pg * ctx.call.giso;
  const double a = pa * ctx.call.Aiso;
  const double f = kGFree / g;
  ExchangeLines lines;
  for (int i = 0; i < 3; ++i) {
    const int m = 1 - i;
    lines.p[i] = static_cast<double>(FieldToPoint(f * (sc.B0 - m * a), sc));
  }
  lines.gamma[0] = w.plus;
  lines.gamma[1] = w.zero;
  lines.gamma[2] = w.minus;
  return lines;
}

// A singular system leaves its point without a value. Only the first
// model call of an engine call that meets one keeps its last singular
// matrix for the diagnostic file, so a bad parameter set costs one file
// write per engine call, not one per point.
void NoteSingular(PowderScratch& ps, int order) {
  if (ps.diagnostic_written) return;
  ps.singular = ps.a;
  ps.singular_order = order;
  ps.singular_pending = true;
}

void FlushSingular(PowderScratch& ps) {
  if (!ps.singular_pending) return;
  ps.singular_pending = false;
  ps.diagnostic_written = true;
  WriteGaussJDiagnostic(GaussJDiagnosticText(ps.singular, ps.singular_order));
}

}  // namespace

void DrawLle(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double tc = v[1], W = v[2], Wex = v[3], pa = v[4], pg = v[5];
  PowderScratch& ps = ctx.scratch.powder;
  const ExchangeLines lines = PlaceLines(tc, W, pa, pg, ctx);
  const double x = Wex / ctx.spectrum.delta;

  // Unknowns xi1..3 (1..3) and eta1..3 (4..6). Each line loses coherence at
  // 2x to the other two and gains x from each.
  ExchangeMatrix base{};
  for (int k = 1; k <= 3; ++k) {
    for (int j = 1; j <= 3; ++j) {
      const double e = j == k ? 2.0 * x + lines.gamma[k - 1] : -x;
      base(k, j) = e;
      base(3 + k, 3 + j) = e;
    }
  }
  for (int l = 1; l <= kPoints; ++l) {
    ps.a = base;
    for (int k = 1; k <= 3; ++k) {
      const double d = lines.p[k - 1] - l;
      ps.a(k, 3 + k) = d;
      ps.a(3 + k, k) = -d;
      ps.b(k, 1) = 0.0;
      ps.b(3 + k, 1) = -1.0;
    }
    if (GaussJordanReduce(ps.a, 6, ps.b, 1)) {
      ps.absorption[static_cast<std::size_t>(l)] = ps.b(4, 1) + ps.b(5, 1) + ps.b(6, 1);
      ps.failed[static_cast<std::size_t>(l)] = false;
    } else {
      NoteSingular(ps, 6);
      ps.absorption[static_cast<std::size_t>(l)] = 0.0;
      ps.failed[static_cast<std::size_t>(l)] = true;
    }
  }

  // First derivative by central differences, one-sided second-order ones at
  // the two ends. A point whose differences need a failed absorption value
  // stays 0.
  const auto& A = ps.absorption;
  const auto& bad = ps.failed;
  for (int l = 2; l <= kPoints - 1; ++l) {
    if (bad[static_cast<std::size_t>(l - 1)] || bad[static_cast<std::size_t>(l + 1)]) continue;
    target[static_cast<std::size_t>(l)] += (A[static_cast<std::size_t>(l + 1)] - A[static_cast<std::size_t>(l - 1)]) / 2.0;
  }
  if (!bad[1] && !bad[2] && !bad[3]) target[1] += 2.0 * A[2] - A[3] / 2.0 - 3.0 * A[1] / 2.0;
  if (!bad[kPoints] && !bad[kPoints - 1] && !bad[kPoints - 2])
    target[kPoints] += -2.0 * A[kPoints - 1] + A[kPoints - 2] / 2.0 + 3.0 * A[kPoints] / 2.0;
  FlushSingular(ps);
}

void DrawLbe(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double tc = v[1], WBr = v[2], cBr = v[3], W = v[4], Wex = v[5], pa = v[6], pg = v[7];
  PowderScratch& ps = ctx.scratch.powder;
  const ExchangeLines lines = PlaceLines(tc, W, pa, pg, ctx);
  const double x = Wex / ctx.spectrum.delta;
  const double gamma_b = x + WBr / ctx.spectrum.delta;  // the broadener sits on the central line

  // Unknowns xi1..3 (1..3), eta1..3 (4..6), xi_b (7), eta_b (8).
  ExchangeMatrix base{};
  for (int k = 1; k <= 3; ++k) {
    base(k, k) = lines.gamma[k - 1] + x;
    base(k, 7) = -x;
    base(3 + k, 3 + k) = lines.gamma[k - 1] + x;
    base(3 + k, 8) = -x;
    base(7, k) = -x;
    base(8, 3 + k) = -x;
  }
  base(7, 7) = gamma_b;
  base(8, 8) = gamma_b;

  // Absorption at fractional point t; false when the system is singular.
  auto absorption = [&](double t, double& A) {
    ps.a = base;
    for (int k = 1; k <= 3; ++k) {
      const double d = lines.p[k - 1] - t;
      ps.a(k, 3 + k) = d;
      ps.a(3 + k, k) = -d;
      ps.b(k, 1) = 0.0;
      ps.b(3 + k, 1) = -1.0;
    }
    const double db = lines.p[1] - t;
    ps.a(7, 8) = db;
    ps.a(8, 7) = -db;
    ps.b(7, 1) = 0.0;
    ps.b(8, 1) = -cBr;
    if (!GaussJordanReduce(ps.a, 8, ps.b, 1)) {
      NoteSingular(ps, 8);
      return false;
    }
    A = ps.b(4, 1) + ps.b(5, 1) + ps.b(6, 1);
    return true;
  };

  // Derivative from two evaluations 0.1 point either side of each point.
  for (int l = 1; l <= kPoints; ++l) {
    double below = 0, above = 0;
    if (!absorption(l - 0.1, below)) continue;
    if (!absorption(l + 0.1, above)) continue;
    target[static_cast<std::size_t>(l)] += (below - above) / 0.4;
  }
  FlushSingular(ps);
}

}  // namespace korvel
