#pragma once
// Constants derived once per engine call (from the settings) and once per
// spectrum slot, handed to every model.
#include "project/records.h"

namespace korvel {

// pi as the engine takes it where the single-precision value is used.
inline constexpr double kPiSingle = 3.1415927849;
inline constexpr double kGFree = 2.0023;  // free-electron g value

struct CallConstants {
  double giso = 0, Aiso = 0;  // isotropic g and A [G]
  double Gg = 0, GA = 0, GgA = 0;  // tensor anisotropy invariants
  double kappaA = 0;  // (Axx + Ayy + Azz) / 170 [1/ns]
  double cG = 0;      // (ln 2 / pi)^(3/2), Gaussian share of the line shape
  double p_perp = 0, p_par = 0;  // 3X/(2X+1), 3/(2X+1) from AsymDist1
};

struct SpectrumConstants {
  double nu = 0;     // frequency incl. the slot's correction [GHz]
  double B0 = 0;     // 356.82423 nu [G]: resonance of g = 2.0023
  double omega = 0;  // 6.283185308 nu [rad/ns]
  double delta = 0;  // point spacing Sweep/1024 [G]
  double Bc = 0, Sw = 0;
  double angle = 0;       // sample angle [rad]
  double grid_step = 0;   // 0.6 sqrt(B0/3400): angular step scale of the grids
};

CallConstants MakeCallConstants(const ProjectSettings& s);

// Slot s (1..5) of the experiment, with ExpParams[s] as its frequency correction.
SpectrumConstants MakeSpectrumConstants(const Tspcmf& exp, int s);

// Point (may lie outside 1..1024) of a resonance at field B [G]:
// round((B - Bc + Sw/2) / delta), halves to even.
long FieldToPoint(double B, const SpectrumConstants& c);

}  // namespace korvel
