#pragma once
// Synthetic experiments for the fitting tools: nitroxide settings with
// realistic iso limits and grids, and an experimental spectrum made by the
// engine from known parameters plus small deterministic noise.
#include <cmath>
#include <cstdint>

#include "engine/simulate.h"
#include "engine_fixture.h"
#include "project/records.h"
#include "project/weights.h"

namespace korvel::testing {

// Limits and grid of one parameter of one type (table index from 0).
inline void SetLimits(ProjectSettings& s, DomainType t, int index, double lo, double hi, double grid) {
  s.LimitMin[t][static_cast<std::size_t>(index)] = lo;
  s.LimitMax[t][static_cast<std::size_t>(index)] = hi;
  s.Grid[t][static_cast<std::size_t>(index)] = grid;
}

inline ProjectSettings FitSettings() {
  ProjectSettings s = NitroxideSettings();
  SetLimits(s, kIso, 0, 0.0, 1.0, 0.01);      // Lw
  SetLimits(s, kIso, 1, 0.0, 5.0, 0.01);      // tc [ns]
  SetLimits(s, kIso, 2, 0.05, 5.0, 0.01);     // W [G]
  SetLimits(s, kIso, 3, 0.9, 1.1, 0.001);     // pa
  SetLimits(s, kIso, 4, 0.999, 1.001, 1e-5);  // pg
  SetLimits(s, kIso, 5, 0.0, 1.0, 0.01);      // d
  s.DsoMaxGenPerParam = 100;
  s.ErrorMethod = 0;
  return s;
}

// One X-band spectrum of 100 G around 3390 G with S/N 100.
inline Tvrecica IsoFitExperiment(double tc = 1.0, double W = 1.0) {
  Tvrecica w;
  w.settings = FitSettings();
  w.exp.SpectrumCount = 1;
  w.exp.Spectra[1] = XBandSpectrum();
  w.exp.Spectra[1].CenterField = 3390.0;
  w.exp.DomainCount = 1;
  w.exp.Domains[1] = IsoDomain(0.8, tc, W);
  return w;
}

// Two iso domains of different mobility with absolute weights d1 and 1-d1.
inline Tvrecica TwoIsoExperiment(double d1 = 0.3) {
  Tvrecica w = IsoFitExperiment();
  w.exp.DomainCount = 2;
  w.exp.Domains[1] = IsoDomain(0.8, 0.2, 0.6);
  w.exp.Domains[2] = IsoDomain(0.8, 2.5, 1.5);
  w.exp.Domains[1].Values[0] = d1;
  w.exp.Domains[2].Values[0] = 1.0 - d1;
  AbsoluteToConditional(w.exp);
  return w;
}

// Fills ExpRaw with the simulation of `truth` scaled to a maximum of 1,
// plus uniform deterministic noise of standard deviation `sigma` (so a
// NoiseWeight of sigma^2 makes chi^2 about 1 at the true parameters).
inline void MakeExperimentalSpectra(const Tvrecica& truth, SimBuffers& buf, double sigma = 0.01) {
  SimulateIntoExperiment(truth, buf);
  std::uint32_t state = 12345u;
  const double half = sigma * std::sqrt(3.0);
  for (int s = 1; s <= truth.exp.SpectrumCount; ++s)
    for (int l = 1; l <= 1024; ++l) {
      state = state * 1664525u + 1013904223u;
      const double u = (state >> 8) / 16777216.0;  // [0, 1)
      buf.ExpRaw[s][l] += (2.0 * u - 1.0) * half;
    }
}

// Switches palette rows of domain k on.
inline void SwitchOn(Tvrecica& w, int k, std::initializer_list<int> rows) {
  for (int p : rows) w.exp.Domains[k].Switches[p] = true;
}

}  // namespace korvel::testing
