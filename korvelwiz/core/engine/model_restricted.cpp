// mes and psd: a nitroxide whose fast motion is restricted to a cone. The
// polarity-corrected tensors are averaged over the cone (half angle th0)
// and an azimuthal range (+-fi0); the spectrum is an orientation average of
// the averaged tensors over the adaptive grid, weighted for mes by the
// distribution of the cone axis (the director) about the sample.
#include <cmath>
#include <limits>

#include "common/rounding.h"
#include "engine/models.h"
#include "engine/order_table.h"
#include "engine/orientation_grid.h"
#include "engine/restricted_tensors.h"
#include "engine/stick_histogram.h"

namespace korvel {

void DrawMes(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double g1 = v[1], g2 = v[2], th = v[3], fi = v[4], th0 = v[5], fi0 = v[6], tc = v[7], W = v[8],
               pa = v[9], pr = v[10];
  const ConeFactors cone = MakeConeFactors(th0, fi0);

  DirectorWeight weight;
  if (g1 == -1.0) {
    weight.mode = DirectorMode::kIsotropic;
  } else if (g1 == 0.0) {
    weight.mode = DirectorMode::kExpCos2;
  } else if (g1 == -2.0) {
    weight.mode = DirectorMode::kExpSin2;
  } else if (g1 > 0.0) {
    weight.mode = DirectorMode::kCone;
    weight.g1 = g1;
  } else {
    return;  // no such distribution: nothing drawn
  }
  // The ordering strength that gives the cone's own mean square cosine.
  weight.lambda = OrderLambda(cone.P);
  const double gamma = FoldTilt(g2 + ctx.spectrum.angle);
  weight.cos_gamma = std::cos(gamma);
  weight.sin_gamma = std::sin(gamma);

  const CorrectedTensors t = PolarityCorrected(ctx.settings, pa, pr);
  const Sym3 gbar = ConeAverage(RotatedTensor(t.g, th, fi), cone);
  const Sym3 abar = ConeAverage(RotatedTensor(t.A, th, fi), cone);
  Sym3 G2, T;
  if (!FieldTensors(gbar, abar, G2, T)) return;

  RestrictedScratch& scratch = ctx.scratch.restricted;
  AccumulateRestrictedGrid(G2, T, AzimuthAxis::kSinFirst, weight, ctx.spectrum, scratch);
  const LineWidths w = RestrictedWidths(tc, W, TensorConstants(t, ctx.call), ctx.spectrum);
  DrawLineHistograms(scratch.hist, w, ctx.call.cG, scratch.lines, target);
}

void DrawPsd(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double pt = v[1], th0 = v[2], fi0 = v[3], Dr = v[4], W = v[5], pa = v[6], pr = v[7];
  const double k_real = common::RoundHalfEven(pt);
  if (!(k_real >= 0 && k_real <= 2)) return;  // no such axis type: nothing drawn
  const ConeFactors cone = MakeConeFactors(th0, fi0);
  const CorrectedTensors t = PolarityCorrected(ctx.settings, pa, pr);
  Sym3 G2, T;
  if (!PsdFieldTensors(t, static_cast<int>(k_real), cone, G2, T)) return;

  // Correlation time of diffusion at rate Dr within the cone. Without
  // diffusion the motion is frozen (the slow-motion widths); a cone of no
  // extent has nothing to diffuse over.
  const double extent = fi0 * th0, rate = 4.0 * Dr;
  double tau;
  if (rate != 0)
    tau = extent / rate;
  else
    tau = extent == 0 ? 0.0 : std::numeric_limits<double>::infinity();

  RestrictedScratch& scratch = ctx.scratch.restricted;
  AccumulateRestrictedGrid(G2, T, AzimuthAxis::kCosFirst, DirectorWeight{}, ctx.spectrum, scratch);
  const LineWidths w = RestrictedWidths(tau, W, TensorConstants(t, ctx.call), ctx.spectrum);
  DrawLineHistograms(scratch.hist, w, ctx.call.cG, scratch.lines, target);
}

}  // namespace korvel
