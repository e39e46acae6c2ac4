#pragma once
// A realistic X-band working copy for engine tests: nitroxide tensors, one
// spectrum of 100 G around g = 2.006 at 9.5 GHz, wide limits for every type.
#include <cmath>

#include "engine/simulate.h"
#include "project/records.h"

namespace korvel::testing {

inline ProjectSettings NitroxideSettings() {
  ProjectSettings s;
  s.gxx = 2.0088;
  s.gyy = 2.0061;
  s.gzz = 2.0027;
  s.Axx = 6.2;
  s.Ayy = 5.9;
  s.Azz = 33.5;
  s.AC13iso = 5.0;
  s.AbundanceC13 = 0.011;
  for (int t = 0; t < kDomainTypeCount; ++t)
    for (int p = 0; p < kMaxParams; ++p) {
      s.LimitMin[t][p] = -1e6;
      s.LimitMax[t][p] = 1e6;
      s.Grid[t][p] = 0.01;
    }
  return s;
}

inline Tspcsf XBandSpectrum(double sweep = 100.0) {
  Tspcsf sp;
  sp.FileName = "test.dat";
  sp.Frequency = 9.5;
  sp.CenterField = 3384.0;
  sp.Sweep = sweep;
  sp.NoiseWeight = 1e-4;
  return sp;
}

// An iso domain: Lw, tc [ns], W [G], pa, pg; weight d in slot 0.
inline Domain IsoDomain(double Lw = 0.8, double tc = 0.5, double W = 0.8, double pa = 1.0,
                        double pg = 1.0) {
  Domain d;
  d.type = kIso;
  d.Values[1] = Lw;
  d.Values[2] = tc;
  d.Values[3] = W;
  d.Values[4] = pa;
  d.Values[5] = pg;
  d.Values[0] = 1.0;
  return d;
}

inline Tvrecica OneIsoExperiment() {
  Tvrecica w;
  w.settings = NitroxideSettings();
  w.exp.SpectrumCount = 1;
  w.exp.Spectra[1] = XBandSpectrum();
  w.exp.DomainCount = 1;
  w.exp.Domains[1] = IsoDomain();
  return w;
}

// Simulates `w` as it stands (no active parameters needed) and copies the
// simulation into ExpRaw of every slot, so the experiment fits itself.
inline float SimulateIntoExperiment(Tvrecica w, SimBuffers& buf) {
  ParamVec v{};
  CollectParamVector(w.exp, v);
  for (int s = 1; s <= w.exp.SpectrumCount; ++s) buf.ExpRaw[s].fill(0.0);
  // Any non-zero experiment lets the amplitude fit succeed.
  for (int s = 1; s <= w.exp.SpectrumCount; ++s)
    for (int l = 1; l <= 1024; ++l) buf.ExpRaw[s][l] = std::sin(l * 0.01);
  const float f = SimulateExperiment(w, v, buf);
  for (int s = 1; s <= w.exp.SpectrumCount; ++s) {
    double M = 0;
    for (int l = 1; l <= 1024; ++l) M = std::fmax(M, std::fabs(buf.SimTotal[s][l]));
    for (int l = 1; l <= 1024; ++l) buf.ExpRaw[s][l] = buf.SimTotal[s][l] / M;
  }
  return f;
}

}  // namespace korvel::testing
