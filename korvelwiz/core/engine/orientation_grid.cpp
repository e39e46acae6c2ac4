#include "engine/orientation_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/rounding.h"
#include "engine/stick_histogram.h"

namespace korvel {
namespace {

constexpr double kPi = std::numbers::pi;

// round(spread / step) within min..max; a vanishing step or a spread beyond
// the cap gives the cap.
int GridCount(double spread, double step, int min, int max) {
  if (!(step > 0)) return max;
  const double r = spread / step;
  if (!(r < max)) return max;
  return std::max(min, static_cast<int>(common::RoundHalfEven(r)));
}

// Fills points 1..n + 1 of row i (polar angle (i - 1)(pi/2)/n_theta) with
// the histogram positions of the three lines.
void FillRow(GridRow& row, int i, int n, const RestrictedGridSize& size, const Sym3& G2, const Sym3& T,
             AzimuthAxis axis, double B0, const PositionMap& map) {
  const double theta = (i - 1) * (kPi / 2.0) / size.n_theta;
  const double st = std::sin(theta), ct = std::cos(theta);
  for (int j = 1; j <= n + 1; ++j) {
    const double phi = (j - 1) * 2.0 * kPi / n;
    const double sp = std::sin(phi), cp = std::cos(phi);
    const double nx = axis == AzimuthAxis::kSinFirst ? st * sp : st * cp;
    const double ny = axis == AzimuthAxis::kSinFirst ? st * cp : st * sp;
    const FieldTriple f = ResonanceFields(nx, ny, ct, G2, T, B0);
    row[static_cast<std::size_t>(j)] = PointPositions{map(f.plus), map(f.zero), map(f.minus)};
  }
}

// Row `src` of n_src azimuths sampled linearly at the n_dst azimuths of the
// row above: point j lies at (j - 1) n_src / n_dst in src's numbering from 0.
void Resample(const GridRow& src, int n_src, int n_dst, GridRow& dst) {
  for (int j = 1; j <= n_dst + 1; ++j) {
    const long scaled = static_cast<long>(j - 1) * n_src;
    const long lo = scaled / n_dst;  // 0-based point below
    const double frac = static_cast<double>(scaled - lo * n_dst) / n_dst;
    const PointPositions& a = src[static_cast<std::size_t>(lo + 1)];
    if (frac == 0) {
      dst[static_cast<std::size_t>(j)] = a;
      continue;
    }
    const PointPositions& b = src[static_cast<std::size_t>(lo + 2)];
    for (int m = 0; m < 3; ++m)
      dst[static_cast<std::size_t>(j)][static_cast<std::size_t>(m)] =
          (1.0 - frac) * a[static_cast<std::size_t>(m)] + frac * b[static_cast<std::size_t>(m)];
  }
}

}  // namespace

RestrictedGridSize SizeRestrictedGrid(const FieldTriple& fx, const FieldTriple& fy, const FieldTriple& fz,
                                      double step) {
  RestrictedGridSize s;
  s.n_theta = std::max({12, GridCount(FieldSpread(fz, fy), step, 12, kMaxThetaSteps),
                        GridCount(FieldSpread(fz, fx), step, 12, kMaxThetaSteps)});
  s.n_phi = GridCount(FieldSpread(fy, fx), step, 3, kMaxPhiSteps);
  return s;
}

int RowAzimuths(int i, const RestrictedGridSize& size) {
  const int row = std::min(i, size.n_theta);
  const double r = common::RoundHalfEven(static_cast<double>(row) * (4.0 * size.n_phi - 4.0) / size.n_theta);
  return std::min(static_cast<int>(r) + 4, kMaxRowAzimuths);
}

double DirectorWeight::Factor(double cos_theta_c, double sin_theta_c, double cos_phi_c) const {
  if (mode == DirectorMode::kIsotropic) return 1.0;
  const double cb = cos_phi_c * sin_theta_c * sin_gamma + cos_theta_c * cos_gamma;
  const double cb2 = cb * cb;
  switch (mode) {
    case DirectorMode::kExpCos2:
      return std::exp(lambda * cb2);
    case DirectorMode::kExpSin2:
      return std::exp(lambda * (1.0 - cb2));
    case DirectorMode::kCone: {
      // cos^2 beta may round above 1.
      const double sb = std::sqrt(std::fmax(0.0, 1.0 - cb2));
      // The denominator is common to all cells and cancels in the
      // normalisation; where it vanishes it is left out.
      const double den = 3.141592654 - 2.0 * g1;
      const double num = 1.0 - g1 * sb;
      return den != 0 ? num / den : num;
    }
    case DirectorMode::kIsotropic:
      break;
  }
  return 1.0;
}

RestrictedGridSize AccumulateRestrictedGrid(const Sym3& G2, const Sym3& T, AzimuthAxis axis,
                                            const DirectorWeight& weight, const SpectrumConstants& consts,
                                            RestrictedScratch& scratch) {
  const double B0 = consts.B0;
  const RestrictedGridSize size = SizeRestrictedGrid(ResonanceFields(1, 0, 0, G2, T, B0),
                                                     ResonanceFields(0, 1, 0, G2, T, B0),
                                                     ResonanceFields(0, 0, 1, G2, T, B0), consts.grid_step);
  const PositionMap map(consts);
  ClearHistograms(scratch.hist);
  Histogram1024* hist = scratch.hist.line.data();

  // Sub-cell fractions (7 - 2Z)/6 for Z = 1..3: nearest the first corner first.
  // Sub-cell (Z, K) takes its weight's polar angle from Z, while its fields
  // are interpolated with Z along the azimuth and K across the rows; the
  // pairing is the one established fits were made with, so it is kept.
  constexpr double kFrac[3] = {5.0 / 6.0, 3.0 / 6.0, 1.0 / 6.0};
  const int Nt = size.n_theta;
  const double base_weight = 2.0 * kPi * std::cos(kPi / (4.0 * Nt));

  GridRow* upper = &scratch.row_a;
  GridRow* next = &scratch.row_b;
  int n_upper = RowAzimuths(1, size);
  FillRow(*upper, 1, n_upper, size, G2, T, axis, B0, map);
  for (int i = 1; i <= Nt; ++i) {
    const int n_next = RowAzimuths(i + 1, size);
    FillRow(*next, i + 1, n_next, size, G2, T, axis, B0, map);
    const GridRow* lower = next;
    if (n_next > n_upper) {
      Resample(*next, n_next, n_upper, scratch.resampled);
      lower = &scratch.resampled;
    }
    const int n = n_upper;
    double q0[3];
    for (int Z = 1; Z <= 3; ++Z) {
      const double theta_s = ((3 * i + Z) - 3.5) * kPi / (6.0 * Nt);
      q0[Z - 1] = std::sin(theta_s) * base_weight / n;
    }
    const double theta_c = (i - 0.5) * (kPi / 2.0) / Nt;
    const double ct = std::cos(theta_c), st = std::sin(theta_c);
    for (int j = 1; j <= n; ++j) {
      const double cp = weight.mode == DirectorMode::kIsotropic ? 1.0 : std::cos((j - 0.5) * 2.0 * kPi / n);
      const double factor = weight.Factor(ct, st, cp);
      const PointPositions& f00 = (*upper)[static_cast<std::size_t>(j)];
      const PointPositions& f01 = (*upper)[static_cast<std::size_t>(j + 1)];
      const PointPositions& f10 = (*lower)[static_cast<std::size_t>(j)];
      const PointPositions& f11 = (*lower)[static_cast<std::size_t>(j + 1)];
      for (int Z = 0; Z < 3; ++Z) {
        const double a = kFrac[Z];
        const double q = q0[Z] * factor;
        for (int m = 0; m < 3; ++m) {
          const std::size_t mm = static_cast<std::size_t>(m);
          // Along the azimuth first (alpha), then across the rows (beta).
          const double top = a * f00[mm] + (1.0 - a) * f01[mm];
          const double bottom = a * f10[mm] + (1.0 - a) * f11[mm];
          for (int K = 0; K < 3; ++K) {
            const double b = kFrac[K];
            AddToHistogram(hist[m], b * top + (1.0 - b) * bottom, q);
          }
        }
      }
    }
    std::swap(upper, next);
    n_upper = n_next;
  }
  return size;
}

}  // namespace korvel
