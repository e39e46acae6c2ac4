// One SimulateExperiment call with one domain of the powder and exchange
// models, as the optimizers make it: one spectrum at X band, typical
// nitroxide tensors and parameters.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/simulate.h"
#include "project/records.h"

namespace {

using namespace korvel;

Tvrecica PowderBenchExperiment(const Domain& d) {
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
  s.AsymDist1 = 1.0;  // isotropic distribution of the motional axis
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

void RunPowderBench(benchmark::State& state, const Domain& d) {
  auto buf = MakeSimBuffers();
  for (int l = 1; l <= 1024; ++l) buf->ExpRaw[1][l] = std::sin(l * 0.02);
  const Tvrecica w = PowderBenchExperiment(d);
  ParamVec v{};
  CollectParamVector(w.exp, v);
  for (auto _ : state) {
    Tvrecica copy = w;
    benchmark::DoNotOptimize(SimulateExperiment(copy, v, *buf));
  }
}

void BM_SimulateMem(benchmark::State& state) {
  Domain d;
  d.type = kMem;
  d.Values = {1.0, 0.5, 1.0, 1.5, 1.0, 1.0, 1.0};  // S, tc [ns], W [G], pa, pg
  d.Switches[1] = d.Switches[2] = d.Switches[3] = true;
  RunPowderBench(state, d);
}
BENCHMARK(BM_SimulateMem);

void BM_SimulateLle(benchmark::State& state) {
  Domain d;
  d.type = kLle;
  d.Values = {1.0, 0.8, 1.0, 2.0, 1.0, 1.0, 1.0};  // tc [ns], W [G], Wex [G], pa, pg
  d.Switches[1] = d.Switches[2] = d.Switches[3] = true;
  RunPowderBench(state, d);
}
BENCHMARK(BM_SimulateLle);

void BM_SimulateLbe(benchmark::State& state) {
  Domain d;
  d.type = kLbe;
  // tc [ns], WBr [G], cBr [mM], W [G], Wex [G], pa, pg
  d.Values = {1.0, 0.8, 4.0, 2.0, 1.0, 0.8, 1.0, 1.0, 1.0};
  d.Switches[1] = d.Switches[4] = d.Switches[5] = true;
  RunPowderBench(state, d);
}
BENCHMARK(BM_SimulateLbe);

}  // namespace
