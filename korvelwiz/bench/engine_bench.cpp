// One SimulateExperiment call as the optimizers make it, thousands of times
// per fit: one spectrum, one domain.
#include "engine_bench_fixture.h"

namespace {

using namespace korvel;
using namespace korvel::bench;

void BM_SimulateIso(benchmark::State& state) {
  Domain d;
  d.type = kIso;
  d.Values = {1.0, 0.8, 0.5, 0.8, 1.0, 1.0};
  d.Switches[2] = d.Switches[3] = true;  // tc and W switched, as in a fit
  RunEngineBench(state, XBandExperiment(d));
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
  RunEngineBench(state, XBandExperiment(d));
}
BENCHMARK(BM_SimulateTrpTwoGroups);

}  // namespace
