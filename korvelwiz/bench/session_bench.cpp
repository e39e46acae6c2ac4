// Opening the bundled example as `korvel open` does: read the project, load,
// align and simulate every experiment, sort.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "session/session.h"

namespace {

namespace fs = std::filesystem;

void BM_OpenExample(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / "korvel_bench_example";
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const auto& e : fs::directory_iterator(KORVEL_EXAMPLES))
    if (e.is_regular_file()) fs::copy_file(e.path(), dir / e.path().filename());
  auto session = korvel::MakeSession();
  for (auto _ : state) {
    korvel::OpenProject(*session, (dir / "example.mtp").string());
    benchmark::DoNotOptimize(session->project.Experiment(1).Fitness);
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_OpenExample)->Unit(benchmark::kMillisecond);

}  // namespace
