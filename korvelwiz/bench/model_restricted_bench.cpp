// One SimulateExperiment call with one domain of each orientation-grid
// model (mes, psd, oms, obs), at X band with typical values: what every
// step of a fit costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <initializer_list>

#include "engine/simulate.h"
#include "project/records.h"

namespace {

using namespace korvel;

Tvrecica XBandExperiment(const Domain& d) {
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

Domain MakeDomain(DomainType type, std::initializer_list<double> values) {
  Domain d;
  d.type = type;
  int slot = 1;
  for (double v : values) d.Values[static_cast<std::size_t>(slot++)] = v;
  d.Values[0] = 1.0;
  d.Switches[1] = d.Switches[2] = true;  // as in a fit
  return d;
}

void RunModel(benchmark::State& state, const Domain& d) {
  const Tvrecica w = XBandExperiment(d);
  auto buf = MakeSimBuffers();
  for (int l = 1; l <= 1024; ++l) buf->ExpRaw[1][l] = std::sin(l * 0.02);
  ParamVec v{};
  CollectParamVector(w.exp, v);
  float fitness = 0;
  for (auto _ : state) {
    Tvrecica copy = w;
    benchmark::DoNotOptimize(fitness = SimulateExperiment(copy, v, *buf));
  }
  // A failed simulation would time the failure path, not the model.
  if (fitness == 100.0f / 1e-4f) state.SkipWithError("simulation failed");
}

// g1 g2 th fi th0 fi0 tc W pa pr
void BM_SimulateMes(benchmark::State& state) {
  RunModel(state, MakeDomain(kMes, {0.0, 0.3, 0.4, 0.2, 0.6, 1.2, 1.5, 1.0, 1.0, 0.0}));
}
BENCHMARK(BM_SimulateMes);

// pt th0 fi0 Dr W pa pr
void BM_SimulatePsd(benchmark::State& state) {
  RunModel(state, MakeDomain(kPsd, {2.0, 0.6, 1.2, 0.5, 1.0, 1.0, 0.0}));
}
BENCHMARK(BM_SimulatePsd);

// g1 g2 th fi PoA PoB PoC tc W pa pg
void BM_SimulateOms(benchmark::State& state) {
  RunModel(state, MakeDomain(kOms, {0.0, 0.3, 0.2, 0.1, 2.0, 0.5, 0.3, 1.5, 1.0, 1.0, 1.0}));
}
BENCHMARK(BM_SimulateOms);

// X g2 th fi PoA PoB PoC tc W pa pg
void BM_SimulateObs(benchmark::State& state) {
  RunModel(state, MakeDomain(kObs, {-0.7, 0.3, 0.2, 0.1, 2.0, 0.5, 0.3, 1.5, 1.0, 1.0, 1.0}));
}
BENCHMARK(BM_SimulateObs);

}  // namespace
