#include "engine/resonance_fields.h"

#include <cmath>

namespace korvel {

double FieldSpread(const FieldTriple& a, const FieldTriple& b) {
  return std::fmax(std::fabs(a.plus - b.plus),
                   std::fmax(std::fabs(a.zero - b.zero), std::fabs(a.minus - b.minus)));
}

FieldTriple ResonanceFields(double nx, double ny, double nz, const Sym3& G2, const Sym3& T, double B0) {
  const double gn2 = nx * (G2.xx * nx + G2.xy * ny + G2.xz * nz) +
                     ny * (G2.xy * nx + G2.yy * ny + G2.yz * nz) +
                     nz * (G2.xz * nx + G2.yz * ny + G2.zz * nz);
  const double g = std::sqrt(gn2);
  const double C = kGElectron * B0 / g;
  const double tx = T.xx * nx + T.xy * ny + T.xz * nz;
  const double ty = T.xy * nx + T.yy * ny + T.yz * nz;
  const double tz = T.xz * nx + T.yz * ny + T.zz * nz;
  const double t = nx * tx + ny * ty + nz * tz;
  // t^2 + p^2/2 with p^2 = |Tn|^2 - t^2 is (t^2 + |Tn|^2)/2: the same value,
  // and never negative where p^2 would round below zero.
  const double f = kGElectron * g * std::sqrt((t * t + (tx * tx + ty * ty + tz * tz)) / 2.0);
  return FieldTriple{C - f, C, C + f};
}

FieldTriple SecondOrderFields(double theta, double phi, double gx, double gy, double gz, double Ax,
                              double Ay, double Az, double B0) {
  const double st = std::sin(theta);
  const double n1 = st * std::sin(phi), n2 = st * std::cos(phi), n3 = std::cos(theta);
  const double g = std::sqrt(gx * gx * n1 * n1 + gy * gy * n2 * n2 + gz * gz * n3 * n3);
  const double C = kGElectron * B0 / g;
  const double t1 = Ax / (gx * gx) * n1, t2 = Ay / (gy * gy) * n2, t3 = Az / (gz * gz) * n3;
  const double t = n1 * t1 + n2 * t2 + n3 * t3;
  // p^2 is a difference of nearly equal squares along the principal axes.
  const double p2 = std::fmax(0.0, t1 * t1 + t2 * t2 + t3 * t3 - t * t);
  const double ge = kGElectron * g;
  const double h = ge * t;
  const double D = std::sqrt(std::fmax(0.0, C * C - ge * ge * p2));
  return FieldTriple{D - h, C, D + h};
}

}  // namespace korvel
