// One SimulateExperiment call with one domain of the powder and exchange
// models, as the optimizers make it: one spectrum at X band, typical
// nitroxide tensors and parameters.
#include "engine_bench_fixture.h"

namespace {

using namespace korvel;
using namespace korvel::bench;

// The axis of the motion isotropically distributed, as mem is used.
void RunPowderBench(benchmark::State& state, const Domain& d) {
  Tvrecica w = XBandExperiment(d);
  w.settings.AsymDist1 = 1.0;
  RunEngineBench(state, w);
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
