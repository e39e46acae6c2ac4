#pragma once
// One experiment as the benchmarks of single engine calls use it: one
// spectrum at X band (9.5 GHz, 100 G around 3384 G, S/N 100), typical
// nitroxide tensors, wide limits (those of the engine tests), and one
// domain.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/simulate.h"
#include "engine_fixture.h"
#include "project/records.h"

namespace korvel::bench {

inline Tvrecica XBandExperiment(const Domain& d) {
  Tvrecica w;
  w.settings = testing::NitroxideSettings();
  w.exp.SpectrumCount = 1;
  w.exp.Spectra[1] = testing::XBandSpectrum();
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
