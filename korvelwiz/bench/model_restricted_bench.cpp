// One SimulateExperiment call with one domain of each orientation-grid
// model (mes, psd, oms, obs), at X band with typical values: what every
// step of a fit costs.
#include <initializer_list>

#include "engine_bench_fixture.h"

namespace {

using namespace korvel;
using namespace korvel::bench;

Domain MakeDomain(DomainType type, std::initializer_list<double> values) {
  Domain d;
  d.type = type;
  int slot = 1;
  for (double v : values) d.Values[static_cast<std::size_t>(slot++)] = v;
  d.Values[0] = 1.0;
  d.Switches[1] = d.Switches[2] = true;  // as in a fit
  return d;
}

// g1 g2 th fi th0 fi0 tc W pa pr
void BM_SimulateMes(benchmark::State& state) {
  RunEngineBench(state, XBandExperiment(MakeDomain(kMes, {0.0, 0.3, 0.4, 0.2, 0.6, 1.2, 1.5, 1.0, 1.0, 0.0})));
}
BENCHMARK(BM_SimulateMes);

// pt th0 fi0 Dr W pa pr
void BM_SimulatePsd(benchmark::State& state) {
  RunEngineBench(state, XBandExperiment(MakeDomain(kPsd, {2.0, 0.6, 1.2, 0.5, 1.0, 1.0, 0.0})));
}
BENCHMARK(BM_SimulatePsd);

// g1 g2 th fi PoA PoB PoC tc W pa pg
void BM_SimulateOms(benchmark::State& state) {
  RunEngineBench(state, XBandExperiment(MakeDomain(kOms, {0.0, 0.3, 0.2, 0.1, 2.0, 0.5, 0.3, 1.5, 1.0, 1.0, 1.0})));
}
BENCHMARK(BM_SimulateOms);

// X g2 th fi PoA PoB PoC tc W pa pg
void BM_SimulateObs(benchmark::State& state) {
  RunEngineBench(state, XBandExperiment(MakeDomain(kObs, {-0.7, 0.3, 0.2, 0.1, 2.0, 0.5, 0.3, 1.5, 1.0, 1.0, 1.0})));
}
BENCHMARK(BM_SimulateObs);

}  // namespace
