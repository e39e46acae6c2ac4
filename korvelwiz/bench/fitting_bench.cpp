// What a user waits for after pressing Fit or Save on one experiment: one
// local optimization, and one error analysis, of the bundled example's iso
// experiment and of a two-domain mem experiment on the example's mem
// spectrum. Every iteration starts from the same point.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "fitting/error_analysis.h"
#include "fitting/gauss_jordan.h"
#include "fitting/local_optimization.h"
#include "project/weights.h"
#include "session/session.h"

namespace {

namespace fs = std::filesystem;
using namespace korvel;

// The example opened in file order in a private folder: experiment 1 is
// the single iso domain, experiment 5 the single mem domain.
struct ExampleFits {
  fs::path dir = fs::temp_directory_path() / "korvel_bench_fitting";
  std::unique_ptr<Session> session = MakeSession();

  ExampleFits() {
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(KORVEL_EXAMPLES))
      if (e.is_regular_file()) fs::copy_file(e.path(), dir / e.path().filename());
    OpenProject(*session, (dir / "example.mtp").string(), false);
    SetGaussJProjectFile((dir / "example.mtp").string());
  }
  ~ExampleFits() {
    SetGaussJProjectFile("");
    fs::remove_all(dir);
  }

  // Shows experiment i (its spectra into the buffers) and returns its copy.
  Tvrecica Show(int i) {
    ShowExperiment(*session, i);
    return WorkingCopy(session->project, i);
  }

  // The mem experiment with a second, more ordered mem domain at equal
  // weights; S and W of both and the weight are switched on.
  Tvrecica ShowTwoMem() {
    Tvrecica w = Show(5);
    Tspcmf& e = w.exp;
    e.DomainCount = 2;
    e.Domains[2] = e.Domains[1];
    e.Domains[2].Values[1] = 0.7;
    e.Domains[1].Values[0] = e.Domains[2].Values[0] = 0.5;
    AbsoluteToConditional(e);
    for (int k = 1; k <= 2; ++k) {
      e.Domains[k].Switches = {};
      e.Domains[k].Switches[1] = e.Domains[k].Switches[3] = true;
    }
    e.Domains[1].Switches[6] = true;
    return w;
  }
};

void RunFit(benchmark::State& state, ExampleFits& ex, const Tvrecica& start) {
  int evaluations = 0;
  for (auto _ : state) {
    Tvrecica work = start;
    evaluations = LocalOptimization(work, *ex.session->buffers).evaluations;
    benchmark::DoNotOptimize(work.exp.Fitness);
  }
  state.counters["engine_calls"] = evaluations;
}

void RunErrors(benchmark::State& state, ExampleFits& ex, const Tvrecica& start) {
  auto ws = MakeErrorWorkspace();
  for (auto _ : state) {
    Tvrecica work = start;
    benchmark::DoNotOptimize(ErrorAnalysis(work, *ex.session->buffers, *ws));
  }
}

void BM_FitIso(benchmark::State& state) {
  ExampleFits ex;
  RunFit(state, ex, ex.Show(1));
}
BENCHMARK(BM_FitIso)->Unit(benchmark::kMillisecond);

void BM_ErrorAnalysisIso(benchmark::State& state) {
  ExampleFits ex;
  RunErrors(state, ex, ex.Show(1));
}
BENCHMARK(BM_ErrorAnalysisIso)->Unit(benchmark::kMillisecond);

void BM_FitTwoMem(benchmark::State& state) {
  ExampleFits ex;
  RunFit(state, ex, ex.ShowTwoMem());
}
BENCHMARK(BM_FitTwoMem)->Unit(benchmark::kMillisecond);

void BM_ErrorAnalysisTwoMem(benchmark::State& state) {
  ExampleFits ex;
  RunErrors(state, ex, ex.ShowTwoMem());
}
BENCHMARK(BM_ErrorAnalysisTwoMem)->Unit(benchmark::kMillisecond);

}  // namespace
