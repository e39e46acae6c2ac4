#pragma once
// The weight-fitting engine korvelBBW: started by the condensation analysis
// as  korvelBBW -p="PATH_wc.mtp" -n=1 -k=1  it reads the project, fits the
// switched-on parameters of every experiment (in the correction file only
// the weights), runs the error analysis and writes the project to
// PATH_wc1.mtp: the input name with its trailing ".mtp" replaced by the
// value of -n followed by ".mtp". The result is written under a temporary
// name and renamed when complete, so a reader polling for it never sees a
// half-written file.
#include <stdexcept>
#include <string>
#include <vector>

#include "fitting/local_optimization.h"

namespace korvel {

// A command line the engine cannot work with.
class BbwUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct BbwArguments {
  std::string project;   // -p: the project file (surrounding double quotes removed)
  std::string number = "1";  // -n: digits appended to the result name
  int runs = 1;          // -k: local optimizations per experiment, each from the best so far
};

// Exit status for bad arguments or input: a message and no result file.
inline constexpr int kBbwBadInput = 2;

// Parses "-p=VALUE" (or "-p VALUE"), "-n=DIGITS" and "-k=COUNT" in any
// order; -p is required, -n defaults to 1, -k to 1 (a count below 1 runs
// once). Throws BbwUsageError for an unknown option, a missing value, a
// number that is not an integer or a project name without ".mtp".
BbwArguments ParseBbwArguments(const std::vector<std::string>& args);

// "x_wc.mtp" with number "1" -> "x_wc1.mtp" (the extension compared without
// regard to case). Throws BbwUsageError when the name does not end in ".mtp".
std::string BbwResultPath(const std::string& project, const std::string& number);

struct BbwOutcome {
  std::string result_path;
  int experiments = 0;
  double start_fitness = 0;  // chi^2 of experiment 1 as shown, before the fit
  double fitness = 0;        // and after it
};

struct BbwProgress {
  int experiment = 0;  // the experiment being fitted, 1-based
  int experiments = 0;
  int steps = 0;       // simplex steps of the current run
  double best = 0;     // best chi^2 of the current run
};
using BbwProgressFn = void (*)(const BbwProgress& p, void* user);

// Reads the project (its spectral files are looked up beside it), fits and
// analyses every experiment in file order and writes the result project.
// Throws on bad input (the reader's FormatError, the loader's
// SpectrumError, common::FileError, FitCapacityError); no result file is
// then left behind.
BbwOutcome RunWeightFit(const BbwArguments& args, BbwProgressFn progress = nullptr, void* user = nullptr);

}  // namespace korvel
