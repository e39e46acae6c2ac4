#pragma once
// The adaptive orientation grid of the restricted-motion models (mes, psd):
// rows of constant polar angle from the averaged z axis (theta = 0) to the
// equator, each with more azimuths than the last, sized from the spread of
// the resonance fields so that neighbouring points differ by about the
// grid step. Fields are computed at the grid points; every cell between
// two rows and two azimuths is split into 3 x 3 sub-cells whose fields are
// interpolated, and each sub-cell adds its weight to the stick histograms.
#include "engine/constants.h"
#include "engine/resonance_fields.h"
#include "engine/scratch_restricted.h"

namespace korvel {

// Bounds of the grid size: a row holds at most 120 points (the closing point
// at 2 pi included), so at most 119 azimuths; the row count is bounded only
// to keep degenerate inputs (a vanishing grid step) finite in time.
inline constexpr int kMaxRowAzimuths = kMaxRowPoints - 1;
inline constexpr int kMaxThetaSteps = 1000;
inline constexpr int kMaxPhiSteps = 1000;

struct RestrictedGridSize {
  int n_theta = 12;  // polar steps; rows 1..n_theta + 1
  int n_phi = 3;     // azimuth scale
};

// N_theta = max(12, round(S(z,y)/step), round(S(z,x)/step)) and
// N_phi = max(3, round(S(y,x)/step)) from the fields along the averaged
// axes, S the largest field difference of two directions; capped at
// kMaxThetaSteps and kMaxPhiSteps.
RestrictedGridSize SizeRestrictedGrid(const FieldTriple& fx, const FieldTriple& fy, const FieldTriple& fz,
                                      double step);

// Azimuths n_i of row i (1..n_theta + 1): round(i (4 n_phi - 4) / n_theta) + 4,
// the last row as many as row n_theta, capped at 119 so that the row with
// its closing point fits 120 points.
int RowAzimuths(int i, const RestrictedGridSize& size);

// The direction of (theta, phi) in the averaged frame.
enum class AzimuthAxis {
  kSinFirst,  // mes: (sin th sin ph, sin th cos ph, cos th)
  kCosFirst,  // psd: (sin th cos ph, sin th sin ph, cos th)
};

// How a cell's weight depends on the angle beta between its centre and the
// director tilted by gamma: cos beta = cos phi_c sin theta_c sin gamma +
// cos theta_c cos gamma.
enum class DirectorMode {
  kIsotropic,  // 1
  kExpCos2,    // exp(lambda cos^2 beta)
  kExpSin2,    // exp(lambda (1 - cos^2 beta))
  kCone,       // (1 - g1 sin beta) / (3.141592654 - 2 g1)
};

struct DirectorWeight {
  DirectorMode mode = DirectorMode::kIsotropic;
  double lambda = 0;
  double g1 = 0;
  double cos_gamma = 1, sin_gamma = 0;

  double Factor(double cos_theta_c, double sin_theta_c, double cos_phi_c) const;
};

// Clears scratch.hist and fills it from the grid of the field tensors G2, T.
// Returns the grid size used.
RestrictedGridSize AccumulateRestrictedGrid(const Sym3& G2, const Sym3& T, AzimuthAxis axis,
                                            const DirectorWeight& weight, const SpectrumConstants& consts,
                                            RestrictedScratch& scratch);

}  // namespace korvel
