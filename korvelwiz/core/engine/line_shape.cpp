#include "engine/line_shape.h"

#include <algorithm>
#include <cmath>

#include "common/rounding.h"

namespace korvel {

LineWidths FastMotionWidths(double tc, double W, double pa, double pg, const CallConstants& call,
                            const SpectrumConstants& consts) {
  const double tau = tc;
  const double wt = consts.omega * tau;
  const double kt = call.kappaA * tau * pa;
  const double j0 = 1.0 / (1.0 + wt * wt);
  const double ja = 1.0 / (1.0 + kt * kt);
  const double b0pg = consts.B0 * pg;
  const double gpa = kGFree * pa;
  const double A =
      ((1.5 * j0 + 2.0) * b0pg * b0pg * call.Gg + (3.5 * j0 + 1.5 * ja) * gpa * gpa * call.GA) / 15.0;
  const double B = (3.0 * j0 + 4.0) * kGFree * consts.B0 * pa * pg * call.GgA / 15.0;
  const double C = (2.0 - 0.75 * ja - 0.25 * j0) * gpa * gpa * call.GA / 15.0;
  LineWidths w;
  w.plus = (0.0044 * tau * (A + B + C) + W) / consts.delta;
  w.zero = (0.0044 * tau * A + W) / consts.delta;
  w.minus = (0.0044 * tau * (A - B + C) + W) / consts.delta;
  return w;
}

void DerivativeShape(double w, double L, double cG, LineTable& table) {
  const double n_real = common::RoundHalfEven(10.0 * w);
  // Also guards NaN and huge widths: both give no table or the cap.
  if (!(n_real > 0)) {
    table.N = 0;
    return;
  }
  const int N = n_real >= 1024 ? 1024 : static_cast<int>(n_real);
  table.N = N;
  const double inv_w = 1.0 / w;
  const double gauss = (1.0 - L) * cG;
  double* h = table.h.data();
  if (gauss == 0) {
    for (int n = 1; n <= N; ++n) {
      const double x = n * inv_w;
      const double lor = 1.0 + x * x;
      h[n] = -x * (L / (lor * lor));
    }
    return;
  }
  // exp(-ln2 x^2) at x = n/w by the recurrence g(n) = g(n-1) q(n-1),
  // q(n) = q(n-1) exp(-2c), c = ln2/w^2: two multiplications per point
  // instead of an exp, with a relative drift of order n * 1e-16. The
  // factors are refreshed from exp every 64 points to bound the drift and
  // to stop them underflowing into denormals long before the table ends.
  const double c = std::log(2.0) * inv_w * inv_w;
  const double step2 = std::exp(-2.0 * c);
  double g = 1.0, q = std::exp(-c);
  for (int n = 1; n <= N; ++n) {
    if ((n & 63) == 0) {
      const double nn = static_cast<double>(n - 1);
      g = std::exp(-c * nn * nn);
      q = std::exp(-c * (2.0 * nn + 1.0));
    }
    g *= q;
    q *= step2;
    const double x = n * inv_w;
    const double lor = 1.0 + x * x;
    h[n] = -x * (L / (lor * lor) + gauss * g);
  }
}

void DrawStick(Spectrum1024& target, long p, double q, const LineTable& table) {
  const long N = table.N;
  if (N <= 0) return;
  double* s = target.data() - 1;  // s[1..1024]
  const double* h = table.h.data();
  // Upper wing: n with 1 <= p + n <= 1024.
  const long up_lo = std::max<long>(1, 1 - p);
  const long up_hi = std::min<long>(N, kPoints - p);
  for (long n = up_lo; n <= up_hi; ++n) s[p + n] += q * h[n];
  // Lower wing: n with 1 <= p - n <= 1024.
  const long lo_lo = std::max<long>(1, p - kPoints);
  const long lo_hi = std::min<long>(N, p - 1);
  for (long n = lo_lo; n <= lo_hi; ++n) s[p - n] -= q * h[n];
}

}  // namespace korvel
