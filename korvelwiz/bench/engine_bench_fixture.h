#pragma once
// One experiment as the benchmarks of single engine calls use it: one
// spectrum at X band (9.5 GHz, 100 G around 3384 G, S/N 100), typical
// nitroxide tensors, wide limits, and one domain.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/simulate.h"
#include "project/records.h"

namespace korvel::bench {

inline Tvrecica XBandExperiment(const Domain& d) {
  Tvrecica w;
  ProjectSettings& s = w.settings;
  s.gxx = 2.0088;
  s.gyy = 2.0061;
  s.gzz = 2.0027;
  s.Axx = 6.2;
  s.Ayy = 5.9;
  s.Azz = 33.5;
  s.AC13iso = 5.0;
  s.AbundanceC13 = 0.011;
  for (auto& row : s.LimitMax) row.fill(1e6);
  for (auto& row : s.LimitMin) row.fill(-1e6);
  w.exp.SpectrumCount = 1;
  Tspcsf& sp = w.exp.Spectra[1];
  sp.Frequency = 9.5;
  sp.CenterField = 3384;
  sp.Sweep = 100;
  sp.NoiseWeight = 1e-4;
  w.exp.DomainCount = 1;
  w.exp.Domains[1] = d;
  return w;
}

// Times SimulateExperiment of `w` against a fixed "experimental" curve,
// each call on a fresh copy as the optimizers make it. A failed simulation
// would time the failure path, not the model, and is reported as an error.
inline void RunEngineBench(benchmark::State& state, const Tvrecica& w) {
  auto buf = MakeSimBuffers();
  for (int l = 1; l <= 1024; ++l) buf->ExpRaw[1][l] = std::sin(l * 0.02);
  ParamVec v{};
  CollectParamVector(w.exp, v);
  float fitness = 0;
  for (auto _ : state) {
    Tvrecica copy = w;
    benchmark::DoNotOptimize(fitness = SimulateExperiment(copy, v, *buf));
  }
  if (fitness == 100.0f / static_cast<float>(w.exp.Spectra[1].NoiseWeight)) state.SkipWithError("simulation failed");
}

}  // namespace korvel::bench
