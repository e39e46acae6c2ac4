// One SimulateExperiment call as the optimizers make it, thousands of times
// per fit: one spectrum, one domain.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/simulate.h"
#include "project/records.h"

namespace {

using namespace korvel;

Tvrecica BenchExperiment(const Domain& d) {
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

void RunBench(benchmark::State& state, Tvrecica w) {
  auto buf = MakeSimBuffers();
  for (int l = 1; l <= 1024; ++l) buf->ExpRaw[1][l] = std::sin(l * 0.02);
  ParamVec v{};
  CollectParamVector(w.exp, v);
  for (auto _ : state) {
    Tvrecica copy = w;
    benchmark::DoNotOptimize(SimulateExperiment(copy, v, *buf));
  }
}

void BM_SimulateIso(benchmark::State& state) {
  Domain d;
  d.type = kIso;
  d.Values = {1.0, 0.8, 0.5, 0.8, 1.0, 1.0};
  d.Switches[2] = d.Switches[3] = true;  // tc and W switched, as in a fit
  RunBench(state, BenchExperiment(d));
}
BENCHMARK(BM_SimulateIso);

void BM_SimulateTrpTwoGroups(benchmark::State& state) {
  Domain d;
  d.type = kTrp;
  d.Values[0] = 1.0;
  d.Values[1] = 0.7;   // Lw
  d.Values[2] = 0.4;   // W
  d.Values[3] = 1.0;   // pg
  d.Values[4] = 1.0;   // S1: nitrogen
  d.Values[5] = 1;     // N1
  d.Values[6] = 15.0;  // a1
  d.Values[7] = 0.5;   // S2: four equivalent protons
  d.Values[8] = 4;     // N2
  d.Values[9] = 2.5;   // a2
  RunBench(state, BenchExperiment(d));
}
BENCHMARK(BM_SimulateTrpTwoGroups);

}  // namespace
