// oms and obs: a nitroxide partially ordered by an orienting potential with
// components PoA, PoB, PoC (kT). The tensors are averaged with three order
// quantities from the ordering table; the spectrum is an orientation
// average over the U x V cells of field directions, each weighted by the
// distribution of the local director about the sample: one director tilted
// by g2 + Angle (oms), or a mixture of directors set by X (obs).
#include <cmath>

#include "engine/models.h"
#include "engine/ordering_grid.h"
#include "engine/stick_histogram.h"

namespace korvel {
namespace {

constexpr double kHalfPi = 1.570796327;

enum class OrderForm {
  kExpCos2,   // exp(PoA cos^2 beta)
  kExpSin2,   // exp(PoA (1 - cos^2 beta))
  kCone,      // (1 - g1 sin beta) / (3.141592654 - 2 g1)
  kTwoAxes,   // obs, X >= 0: the director along and across the tilt
  kThreeAxes  // obs, X < 0: three mutually perpendicular directors
};

struct OrderWeight {
  OrderForm form = OrderForm::kExpCos2;
  double PoA = 0;
  double g1 = 0;
  double K7 = 0.5, K6 = 0.5;  // obs mixture
  double cos_gamma = 1, sin_gamma = 0;
  double cos_gamma2 = 0, sin_gamma2 = 1;  // gamma + pi/2
};

// obs: the share of the director along the tilt grows with |X|.
void SetMixture(OrderWeight& w, double X) {
  const double ax = std::fabs(X);
  const double EG = (9.0 * ax * ax * ax + 1.0) / (1.5 * ax + 1.0);
  w.K7 = EG / (EG + 1.0);
  w.K6 = 1.0 / (EG + 1.0);
  // X = 0 takes the form of positive X, its limit.
  w.form = X < 0 ? OrderForm::kThreeAxes : OrderForm::kTwoAxes;
}

void Draw(const Domain& domain, const ModelContext& ctx, OrderWeight weight, Spectrum1024& target) {
  const auto& v = domain.Values;
  const double g2 = v[2], th = v[3], fi = v[4], PoA = v[5], PoB = v[6], PoC = v[7], tc = v[8], W = v[9],
               pa = v[10], pg = v[11];
  const ProjectSettings& s = ctx.settings;
  const SpectrumConstants& consts = ctx.spectrum;
  const int gc = domain.GroupCode;
  const OrderQuantities o = MakeOrderQuantities(tc, PoA, PoB, PoC);
  const Principal3 g = OrderAveraged(AxisOrdered(s.gxx, s.gyy, s.gzz, gc), o, pg);
  const Principal3 A = OrderAveraged(AxisOrdered(s.Axx, s.Ayy, s.Azz, gc), o, pa);

  OrderingScratch& scratch = ctx.scratch.ordering;
  const OrderingGridSize size = FillOrderingCells(g, A, th, fi, consts, scratch);
  const int U = size.U, V = size.V;

  weight.PoA = PoA;
  const double gamma = FoldTilt(g2 + consts.angle);
  weight.cos_gamma = std::cos(gamma);
  weight.sin_gamma = std::sin(gamma);
  weight.cos_gamma2 = std::cos(gamma + kHalfPi);
  weight.sin_gamma2 = std::sin(gamma + kHalfPi);

  const double dtheta = kHalfPi / U, dphi = 6.283185308 / V;
  for (int j = 1; j <= V; ++j) {
    const double phi = (j - 0.5) * dphi;
    scratch.cos_phi[static_cast<std::size_t>(j)] = std::cos(phi);
    scratch.sin_phi[static_cast<std::size_t>(j)] = std::sin(phi);
  }
  ClearHistograms(scratch.hist);
  Histogram1024* hist = scratch.hist.line.data();
  const double ring = 4.0 * std::sin(dtheta / 2.0) / V, cos_half = std::cos(dtheta / 2.0);
  for (int i = 1; i <= U; ++i) {
    const double theta = (i - 0.5) * dtheta;
    const double ct = std::cos(theta), st = std::sin(theta);
    const double q0 = ring * st * (ct * cos_half + 1.0);
    const auto& row = scratch.cells[static_cast<std::size_t>(i)];
    for (int j = 1; j <= V; ++j) {
      const double cp = scratch.cos_phi[static_cast<std::size_t>(j)];
      const double cb = weight.cos_gamma * ct + weight.sin_gamma * st * cp;
      const double cb2 = cb * cb;
      double f;
      switch (weight.form) {
        case OrderForm::kExpCos2:
          f = std::exp(PoA * cb2);
          break;
        case OrderForm::kExpSin2:
          f = std::exp(PoA * (1.0 - cb2));
          break;
        case OrderForm::kCone: {
          // cos^2 beta may round above 1; the common denominator cancels in
          // the normalisation and is left out where it vanishes.
          const double sb = std::sqrt(std::fmax(0.0, 1.0 - cb2));
          const double den = 3.141592654 - 2.0 * weight.g1;
          f = den != 0 ? (1.0 - weight.g1 * sb) / den : 1.0 - weight.g1 * sb;
          break;
        }
        case OrderForm::kTwoAxes:
          f = weight.K7 * std::exp(PoA * cb2) + 3.141592654 * weight.K6 * std::exp(PoA * (1.0 - cb2));
          break;
        case OrderForm::kThreeAxes:
        default: {
          const double cb2a = weight.cos_gamma2 * ct + weight.sin_gamma2 * st * cp;
          const double cb3 =
              weight.cos_gamma2 * ct + weight.sin_gamma2 * st * scratch.sin_phi[static_cast<std::size_t>(j)];
          f = weight.K7 * std::exp(PoA * cb2) + weight.K6 * std::exp(PoA * cb2a * cb2a) +
              weight.K6 * std::exp(PoA * cb3 * cb3);
          break;
        }
      }
      const double q = q0 * f;
      const PointPositions& u = row[static_cast<std::size_t>(j)];
      AddToHistogram(hist[0], u[0], q);
      AddToHistogram(hist[1], u[1], q);
      AddToHistogram(hist[2], u[2], q);
    }
  }
  const LineWidths w = OrderingWidths(tc, W, pa, pg, ctx.call, consts);
  DrawLineHistograms(scratch.hist, w, ctx.call.cG, scratch.lines, target);
}

}  // namespace

void DrawOms(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  const double g1 = domain.Values[1];
  OrderWeight w;
  if (g1 == 0)
    w.form = OrderForm::kExpCos2;
  else if (g1 > 0) {
    w.form = OrderForm::kCone;
    w.g1 = g1;
  } else {
    w.form = OrderForm::kExpSin2;
  }
  Draw(domain, ctx, w, target);
}

void DrawObs(const Domain& domain, const ModelContext& ctx, Spectrum1024& target) {
  OrderWeight w;
  SetMixture(w, domain.Values[1]);
  Draw(domain, ctx, w, target);
}

}  // namespace korvel
