// What the user waits for after dropping a run file on the window: the
// whole load pipeline (reading ten run files, sorting, the best file, the
// analysis, the statistics files), on generated run sets of five-domain
// mem solutions: 200 solutions give 1000 points, 600 give 3000 (the most
// the analysis takes). The density filtering and the slicing, which are
// quadratic in the points and dominate, are also timed alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <unistd.h>

#include "analysis/density.h"
#include "analysis/slicing.h"
#include "pipeline/pipeline.h"
#include "run_set_generator.h"

namespace {

velta::testing::RunSetSpec FiveClusters() {
  velta::testing::RunSetSpec plan;
  plan.clusters = {{0.15, 0.6, 1.0, 0.95, 0.3},
                   {0.35, 1.2, 1.8, 1.00, 0.25},
                   {0.55, 1.8, 2.5, 1.05, 0.2},
                   {0.75, 2.4, 3.2, 1.10, 0.15},
                   {0.90, 1.0, 3.5, 0.90, 0.1}};
  plan.scatter = 0.02;
  return plan;
}

// One generated run set for the whole benchmark program.
const std::string& RunFile() {
  static const std::string path = [] {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("velta_bench_" + std::to_string(::getpid())) / "bench_POP";
    std::filesystem::create_directories(folder);
    return velta::testing::WriteRunSet(folder.string(), FiveClusters());
  }();
  return path;
}

void BM_LoadPipeline(benchmark::State& bench) {
  velta::Session session;
  session.SolutionCount = static_cast<int>(bench.range(0)) / 5;
  velta::Notes notes;
  for (auto _ : bench) {
    notes.clear();
    velta::LoadAndAnalyse(session, RunFile(), std::nullopt, notes);
  }
  bench.counters["points"] = session.State->PointCount;
  bench.counters["solutions"] = session.State->CondensedSolutions.Count;
}
BENCHMARK(BM_LoadPipeline)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// The analysed state of a loaded run set, for the steps alone.
velta::Session& Loaded(int points) {
  static std::map<int, std::unique_ptr<velta::Session>> sessions;
  auto& s = sessions[points];
  if (!s) {
    s = std::make_unique<velta::Session>();
    s->SolutionCount = points / 5;
    velta::Notes notes;
    velta::LoadAndAnalyse(*s, RunFile(), std::nullopt, notes);
  }
  return *s;
}

void BM_DensityFiltering(benchmark::State& bench) {
  auto state = std::make_unique<velta::AnalysisState>(*Loaded(static_cast<int>(bench.range(0))).State);
  const auto settings = state->Settings;
  for (auto _ : bench) {
    state->Settings = settings;
    velta::DensityFiltering(*state);
  }
}
BENCHMARK(BM_DensityFiltering)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_Slicing(benchmark::State& bench) {
  auto state = std::make_unique<velta::AnalysisState>(*Loaded(static_cast<int>(bench.range(0))).State);
  for (auto _ : bench) velta::Slicing(*state);
}
BENCHMARK(BM_Slicing)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

}  // namespace
