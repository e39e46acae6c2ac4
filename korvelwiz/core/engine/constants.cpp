#include "engine/constants.h"

#include <cmath>

#include "common/rounding.h"

namespace korvel {

CallConstants MakeCallConstants(const ProjectSettings& s) {
  CallConstants c;
  c.giso = (s.gxx + s.gyy + s.gzz) / 3.0;
  c.Aiso = (s.Axx + s.Ayy + s.Azz) / 3.0;
  const double gz = s.gzz - (s.gxx + s.gyy) / 2.0, gd = s.gxx - s.gyy;
  const double az = s.Azz - (s.Axx + s.Ayy) / 2.0, ad = s.Axx - s.Ayy;
  c.Gg = (2.0 / 3.0) * gz * gz + 0.5 * gd * gd;
  c.GA = (2.0 / 3.0) * az * az + 0.5 * ad * ad;
  c.GgA = (2.0 / 3.0) * gz * az + 0.5 * gd * ad;
  c.kappaA = (s.Axx + s.Ayy + s.Azz) / 170.0;
  c.cG = std::pow(std::log(2.0) / kPiSingle, 1.5);
  const double X = s.AsymDist1;
  c.p_perp = 3.0 * X / (2.0 * X + 1.0);
  c.p_par = 3.0 / (2.0 * X + 1.0);
  return c;
}

SpectrumConstants MakeSpectrumConstants(const Tspcmf& exp, int s) {
  const Tspcsf& sp = exp.Spectra[static_cast<std::size_t>(s)];
  SpectrumConstants c;
  c.nu = sp.Frequency + exp.ExpParams[static_cast<std::size_t>(s)].Value;
  c.B0 = 356.82423 * c.nu;
  c.omega = 6.283185308 * c.nu;
  c.delta = sp.Sweep / 1024.0;
  c.Bc = sp.CenterField;
  c.Sw = sp.Sweep;
  c.angle = sp.Angle;
  c.grid_step = 0.6 * std::sqrt(c.B0 / 3400.0);
  return c;
}

long FieldToPoint(double B, const SpectrumConstants& c) {
  const double x = common::RoundHalfEven((B - c.Bc + c.Sw / 2.0) / c.delta);
  // Far outside the axis (or not a number): a point no drawing reaches.
  if (!(x > -1.0e6 && x < 1.0e6)) return -1000000;
  return static_cast<long>(x);
}

}  // namespace korvel
