#pragma once
// Magnetic tensors and widths of the restricted-motion models (mes, psd):
// polarity-corrected principal values, the cone and azimuth factors, the
// partially averaged tensors and the widths with their slow-motion blend.
// Also the folding of a director tilt shared with oms and obs.
#include "engine/constants.h"
#include "engine/line_shape.h"
#include "engine/resonance_fields.h"

namespace korvel {

struct Principal3 {
  double x = 0, y = 0, z = 0;
};

struct CorrectedTensors {
  Principal3 g;  // gx', gy', gz'
  Principal3 A;  // pa Axx, pa Ayy, pa Azz [G]
};

// Principal values corrected for polarity (pa) and proticity (pr):
// gx' = gxx + (gxx - 2.002323)(-0.77 (pa - 1) - pr),
// gy' = gyy + (gyy - 2.002323)(-0.06)(pa - 1),
// gz' = gzz + (gzz - 2.002323)(-0.12)(pa - 1), A' = pa A.
CorrectedTensors PolarityCorrected(const ProjectSettings& s, double pa, double pr);

// The per-call constants recomputed from corrected tensors (giso, Aiso, Gg,
// GA, GgA, kappaA; cG and the distribution weights are kept from `base`).
CallConstants TensorConstants(const CorrectedTensors& t, const CallConstants& base);

struct ConeFactors {
  double P = 1;  // (cos^2 th0 + cos th0 + 1)/3
  double Q = 1;  // (cos th0 + 1)/2
  double U = 1;  // (sin 2 fi0 / (2 fi0) + 1)/2, 1 when fi0 <= 0
};

// Cone half angle th0 and azimuth half range fi0 [rad].
ConeFactors MakeConeFactors(double th0, double fi0);

// Widths [points] of the three lines for correlation time tau [ns] and
// residual width W [G]: the fast-motion widths at min(tau, 1) with the
// tensors' own constants and pa = pg = 1; beyond 1 ns they approach the
// tau = 3 ns widths u as u - (u - w) exp(-(tau - 1)/3). tau may be +inf
// (no motion): the widths are then the 3 ns ones.
LineWidths RestrictedWidths(double tau, double W, const CallConstants& tensors,
                            const SpectrumConstants& consts);

// Components t11, t22, t33, t12 of a principal tensor (x, y, z) rotated by
// th and fi [rad]; the other off-diagonal components do not enter the
// average and are left 0.
Sym3 RotatedTensor(const Principal3& p, double th, double fi);

// The cone and azimuth average of a rotated tensor (13 and 23 stay 0). With
// th0 = fi0 = 0 (P = U = Q = 1) it returns the tensor unchanged; the trace
// is kept for any factors.
Sym3 ConeAverage(const Sym3& t, const ConeFactors& f);

// G = gbar^2 and T = gbar^-1 Abar gbar^-1 of averaged tensors whose 13 and 23
// components are 0. Returns false when gbar is singular.
bool FieldTensors(const Sym3& gbar, const Sym3& abar, Sym3& G2, Sym3& T);

// psd: principal values averaged along axis type k (0, 1, 2 picks the
// cyclic order (x,y,z), (y,z,x), (z,x,y)); G2 and T are diagonal with the
// averages of g_i^2 and of A_i / g_i^2. Returns false for k outside 0..2.
bool PsdFieldTensors(const CorrectedTensors& t, int k, const ConeFactors& f, Sym3& G2, Sym3& T);

// A director tilt [rad] folded into 0..pi/2 with pi = 3.1415927849: brought
// into 0..pi by whole turns of pi, then mirrored (pi - value) above
// 1.57079639245. 2.0 becomes 3.1415927849 - 2.0.
double FoldTilt(double gamma);

}  // namespace korvel
