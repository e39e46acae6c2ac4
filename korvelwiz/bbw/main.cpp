// korvelBBW -p="PATH_wc.mtp" -n=1 -k=1: fits the switched-on parameters
// (the weights) of every experiment of the project and writes PATH_wc1.mtp.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "fitting/weight_fit_engine.h"

namespace {

void ShowProgress(const korvel::BbwProgress& p, void*) {
  // A steady line on a terminal, refreshed every few steps.
  if (p.steps % 5 != 0) return;
  std::fprintf(stderr, "\rexperiment %d/%d  step %d  chi2 %.6g   ", p.experiment, p.experiments, p.steps,
               p.best);
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool terminal = isatty(2) != 0;
  try {
    const korvel::BbwArguments parsed = korvel::ParseBbwArguments(args);
    const korvel::BbwOutcome out = korvel::RunWeightFit(parsed, terminal ? ShowProgress : nullptr);
    if (terminal) std::fprintf(stderr, "\r\033[K");
    std::printf("%s: %d experiment%s, chi2 %.6g -> %.6g\n", out.result_path.c_str(), out.experiments,
                out.experiments == 1 ? "" : "s", out.start_fitness, out.fitness);
    return 0;
  } catch (const std::exception& e) {
    if (terminal) std::fprintf(stderr, "\r\033[K");
    std::fprintf(stderr, "korvelBBW: %s\n", e.what());
    std::fprintf(stderr, "usage: korvelBBW -p=\"PROJECT.mtp\" [-n=NUMBER] [-k=RUNS]\n");
    return korvel::kBbwBadInput;
  }
}
