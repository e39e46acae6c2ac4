#pragma once
// Fitting one experiment of a session's project end to end: show it (load,
// align, simulate), run the local optimization, run the error analysis and
// keep the result in the project.
#include "fitting/error_analysis.h"
#include "fitting/local_optimization.h"
#include "session/session.h"

namespace korvel {

struct ExperimentFitOutcome {
  float start_fitness = 0;  // chi^2 after showing, before the fit
  float fitness = 0;        // chi^2 of the fitted parameters
  int steps = 0;            // simplex steps of all runs together
  int evaluations = 0;      // engine calls of the simplex runs
  bool errors_valid = false;
};

// Shows experiment i (1..ExperimentCount), then runs `runs` local
// optimizations (at least one), each starting from the best point of the
// one before, on a working copy; then the error analysis. The fitted
// experiment, with its errors and ErrorsValid, is copied back into the
// project. `progress` sees each simplex step (steps counted within the
// current run). Throws the loader's SpectrumError when a spectrum cannot be
// loaded (the project is then unchanged) and FitCapacityError beyond 100
// active parameters.
ExperimentFitOutcome FitExperiment(Session& session, int i, int runs, ErrorWorkspace& ws,
                                   FitProgressFn progress = nullptr, void* user = nullptr);

// Shows experiment i and runs the error analysis on it alone, keeping the
// errors and ErrorsValid in the project. Returns the success flag.
bool AnalyseExperimentErrors(Session& session, int i, ErrorWorkspace& ws);

}  // namespace korvel
