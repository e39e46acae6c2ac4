#pragma once
// Pieces shared by every model: the fast-motion line widths, the
// first-derivative line-shape table and the drawing of one stick.
#include "engine/constants.h"
#include "engine/scratch_isotropic.h"
#include "engine/sim_buffers.h"

namespace korvel {

struct LineWidths {
  double plus = 0;   // w(+1): low-field line [points]
  double zero = 0;   // w(0): central line
  double minus = 0;  // w(-1): high-field line
};

// Half widths at half height of the three nitrogen lines, in points, from
// the fast-motion relaxation formulas (tc [ns], W [G], factors pa, pg).
LineWidths FastMotionWidths(double tc, double W, double pa, double pg, const CallConstants& call,
                            const SpectrumConstants& consts);

// Fills table.h[1..N] with the derivative of a line of half width w points
// and Lorentzian fraction L (1 = Lorentzian, 0 = Gaussian),
// N = min(round(10 w), 1024); N <= 0 means the line is not drawn.
// h(n) = -x [L/(1+x^2)^2 + (1-L) cG exp(-ln2 x^2)], x = n/w.
void DerivativeShape(double w, double L, double cG, LineTable& table);

// Adds one derivative line centred on integer point p with amplitude q:
// S[p+n] += q h(n), S[p-n] -= q h(n), both wings clipped to 1..1024. The
// centre point itself is never drawn (the derivative is zero there).
void DrawStick(Spectrum1024& target, long p, double q, const LineTable& table);

}  // namespace korvel
