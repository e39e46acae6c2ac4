#include "fitting/experiment_fit.h"

namespace korvel {

ExperimentFitOutcome FitExperiment(Session& session, int i, int runs, ErrorWorkspace& ws,
                                   FitProgressFn progress, void* user) {
  ShowExperiment(session, i);
  Project& project = session.project;
  SimBuffers& buf = *session.buffers;
  ExperimentFitOutcome out;
  out.start_fitness = project.Experiment(i).Fitness;
  Tvrecica work = WorkingCopy(project, i);
  // Each run starts from the vertex the previous one ended on, with a
  // fresh simplex around it: a restart escapes a simplex collapsed in one
  // direction.
  for (int run = 1; run <= (runs < 1 ? 1 : runs); ++run) {
    const SimplexOutcome o = LocalOptimization(work, buf, progress, user);
    out.steps += o.steps;
    out.evaluations += o.evaluations;
    out.fitness = o.fitness;
  }
  out.errors_valid = ErrorAnalysis(work, buf, ws);
  work.exp.ErrorsValid = out.errors_valid;
  out.fitness = work.exp.Fitness;
  project.Experiment(i) = work.exp;
  return out;
}

bool AnalyseExperimentErrors(Session& session, int i, ErrorWorkspace& ws) {
  ShowExperiment(session, i);
  Tvrecica work = WorkingCopy(session.project, i);
  work.exp.ErrorsValid = ErrorAnalysis(work, *session.buffers, ws);
  session.project.Experiment(i) = work.exp;
  return work.exp.ErrorsValid;
}

}  // namespace korvel
