#include "engine/restricted_tensors.h"

#include <cmath>

namespace korvel {

CorrectedTensors PolarityCorrected(const ProjectSettings& s, double pa, double pr) {
  CorrectedTensors t;
  // Polarity and proticity shift the g values by fractions of their
  // distance from the free-electron value; gxx responds most.
  t.g.x = s.gxx + (s.gxx - kGElectron) * (-0.77 * (pa - 1.0) - pr);
  t.g.y = s.gyy + (s.gyy - kGElectron) * (-0.06) * (pa - 1.0);
  t.g.z = s.gzz + (s.gzz - kGElectron) * (-0.12) * (pa - 1.0);
  t.A.x = pa * s.Axx;
  t.A.y = pa * s.Ayy;
  t.A.z = pa * s.Azz;
  return t;
}

CallConstants TensorConstants(const CorrectedTensors& t, const CallConstants& base) {
  CallConstants c = base;
  const Principal3& g = t.g;
  const Principal3& A = t.A;
  c.giso = (g.x + g.y + g.z) / 3.0;
  c.Aiso = (A.x + A.y + A.z) / 3.0;
  const double gz = g.z - (g.x + g.y) / 2.0, gd = g.x - g.y;
  const double az = A.z - (A.x + A.y) / 2.0, ad = A.x - A.y;
  c.Gg = (2.0 / 3.0) * gz * gz + 0.5 * gd * gd;
  c.GA = (2.0 / 3.0) * az * az + 0.5 * ad * ad;
  c.GgA = (2.0 / 3.0) * gz * az + 0.5 * gd * ad;
  c.kappaA = (A.x + A.y + A.z) / 170.0;
  return c;
}

ConeFactors MakeConeFactors(double th0, double fi0) {
  ConeFactors f;
  const double c = std::cos(th0);
  f.P = (c * c + c + 1.0) / 3.0;
  f.Q = (c + 1.0) / 2.0;
  f.U = fi0 > 0 ? (std::sin(2.0 * fi0) / (2.0 * fi0) + 1.0) / 2.0 : 1.0;
  return f;
}

LineWidths RestrictedWidths(double tau, double W, const CallConstants& tensors,
                            const SpectrumConstants& consts) {
  // The fast-motion formulas hold up to about 1 ns; slower motion saturates
  // towards the widths of 3 ns. The residual width is added at the end.
  const double tau1 = std::fmin(tau, 1.0);
  LineWidths w = FastMotionWidths(tau1, 0.0, 1.0, 1.0, tensors, consts);
  if (tau > 1.0) {
    const LineWidths u = FastMotionWidths(3.0, 0.0, 1.0, 1.0, tensors, consts);
    const double e = std::exp(-(tau - 1.0) / 3.0);
    w.plus = u.plus - (u.plus - w.plus) * e;
    w.zero = u.zero - (u.zero - w.zero) * e;
    w.minus = u.minus - (u.minus - w.minus) * e;
  }
  const double residual = W / consts.delta;
  w.plus += residual;
  w.zero += residual;
  w.minus += residual;
  return w;
}

Sym3 RotatedTensor(const Principal3& p, double th, double fi) {
  const double c = std::cos(th), s = std::sin(th);
  const double cf = std::cos(fi), sf = std::sin(fi);
  const double cf2 = cf * cf, sf2 = sf * sf;
  const double across = p.x * sf2 + p.y * cf2;
  Sym3 t;
  t.xx = p.x * cf2 + p.y * sf2;
  t.yy = across * c * c + p.z * s * s;
  t.zz = across * s * s + p.z * c * c;
  t.xy = (p.x - p.y) * c * std::sin(2.0 * fi) / 2.0;
  return t;
}

Sym3 ConeAverage(const Sym3& t, const ConeFactors& f) {
  const double P = f.P, U = f.U, Q = f.Q;
  const double t11 = t.xx, t22 = t.yy, t33 = t.zz;
  Sym3 a;
  a.xx = U * t22 + (t11 - t22) * (U * P + U - P) * U - (t11 - t33) * (U - 1.0) * P + (1.0 - U) * t33;
  a.yy = (P * t11 - t22 + t33 - P * t33) * U - (t11 - t22) * U * (U * P + U - 1.0) + t22;
  a.zz = P * t33 + (1.0 - P) * U * t22 + (1.0 - P) * (1.0 - U) * t11;
  const double v = 2.0 * U - 1.0;
  a.xy = v * v * Q * t.xy;
  return a;
}

bool FieldTensors(const Sym3& gbar, const Sym3& abar, Sym3& G2, Sym3& T) {
  // Both tensors are block diagonal: a 2 x 2 block in xy and zz alone.
  const double a = gbar.xx, b = gbar.xy, d = gbar.yy;
  const double det = a * d - b * b;
  if (det == 0 || gbar.zz == 0) return false;
  G2 = Sym3{};
  G2.xx = a * a + b * b;
  G2.yy = d * d + b * b;
  G2.xy = b * (a + d);
  G2.zz = gbar.zz * gbar.zz;
  // Inverse block [[p, r], [r, s]]; T = inv * A * inv.
  const double p = d / det, r = -b / det, s = a / det;
  const double e = abar.xx, f = abar.xy, h = abar.yy;
  T = Sym3{};
  T.xx = e * p * p + 2.0 * f * p * r + h * r * r;
  T.yy = e * r * r + 2.0 * f * r * s + h * s * s;
  T.xy = e * p * r + f * (p * s + r * r) + h * r * s;
  T.zz = abar.zz / (gbar.zz * gbar.zz);
  return true;
}

bool PsdFieldTensors(const CorrectedTensors& t, int k, const ConeFactors& f, Sym3& G2, Sym3& T) {
  double g[3], A[3];
  const double gx[3] = {t.g.x, t.g.y, t.g.z}, Ax[3] = {t.A.x, t.A.y, t.A.z};
  if (k < 0 || k > 2) return false;
  for (int i = 0; i < 3; ++i) {
    g[i] = gx[(k + i) % 3];
    A[i] = Ax[(k + i) % 3];
  }
  const double Jw = f.P, Jx = f.U, Jv = f.U;
  const double Js = Jx * Jw * Jv + (1.0 - Jx) * (1.0 - Jv);
  const double Jr = Jv * Jw * (1.0 - Jx) + Jx * (1.0 - Jv);
  const double Jp = Jx * Jw * (1.0 - Jv) + Jv * (1.0 - Jx);
  const double Jo = Jw * (1.0 - Jx) * (1.0 - Jv) + Jx * Jv;
  auto average = [&](const double q[3], double out[3]) {
    out[0] = Js * q[0] + Jr * q[1] + Jv * (1.0 - Jw) * q[2];
    out[1] = Jp * q[0] + Jo * q[1] + (1.0 - Jw) * (1.0 - Jv) * q[2];
    out[2] = Jx * (1.0 - Jw) * q[0] + (1.0 - Jx) * (1.0 - Jw) * q[1] + Jw * q[2];
  };
  const double g2[3] = {g[0] * g[0], g[1] * g[1], g[2] * g[2]};
  const double tq[3] = {A[0] / g2[0], A[1] / g2[1], A[2] / g2[2]};
  double g2bar[3], tbar[3];
  average(g2, g2bar);
  average(tq, tbar);
  G2 = Diagonal(g2bar[0], g2bar[1], g2bar[2]);
  T = Diagonal(tbar[0], tbar[1], tbar[2]);
  return true;
}

double FoldTilt(double gamma) {
  // fmod removes whole turns exactly, where repeated subtraction would
  // accumulate rounding.
  double r = std::fmod(gamma, kPiSingle);
  if (r < 0) r += kPiSingle;
  if (r > 1.57079639245) r = kPiSingle - r;
  return r;
}

}  // namespace korvel
