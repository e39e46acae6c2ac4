#include "session/save.h"

#include <memory>

#include "fitting/error_analysis.h"
#include "fitting/gauss_jordan.h"
#include "project/mtp_writer.h"

namespace korvel {

bool SaveProject(Session& session, const std::string& path, const std::string& result_dir,
                 SaveProgressFn progress, void* user) {
  Project& project = session.project;
  const int count = project.ExperimentCount;
  if (count < 1) return false;
  const int current = project.CurrentExperiment >= 1 && project.CurrentExperiment <= count
                          ? project.CurrentExperiment
                          : 1;
  if (project.Experiment(current).DomainCount < 1) return false;

  // Everything up to the written file works on the session's project, so
  // keep what it was: a spectrum that cannot be loaded, or a file that
  // cannot be written, then leaves the project as before the save.
  auto before = std::make_unique<Project>(project);
  const std::string gauss_place = GaussJProjectFile();
  auto ws = MakeErrorWorkspace();
  try {
    project.MtpFileName = path;
    SetGaussJProjectFile(path);
    for (int i = 1; i <= count; ++i) {
      Tspcmf& exp = project.Experiment(i);
      exp.SaveSelected = true;
      exp.SaveWritten = false;
      ShowExperiment(session, i);
      Tvrecica work = WorkingCopy(project, i);
      work.exp.ErrorsValid = ErrorAnalysis(work, *session.buffers, *ws);
      project.Experiment(i) = work.exp;
      if (progress) progress(SavePhase::ErrorCalculation, i, count, user);
    }
    WriteProject(project, path);
    if (progress) progress(SavePhase::SavingFiles, 1, count + 1, user);
  } catch (...) {
    project = std::move(*before);
    SetGaussJProjectFile(gauss_place);
    throw;
  }

  const std::string dir = result_dir.empty() ? FolderOfPath(path) : result_dir;
  for (int i = 1; i <= count; ++i) {
    WriteResultFile(session, i, dir);
    if (progress) progress(SavePhase::SavingFiles, i + 1, count + 1, user);
  }
  ShowExperiment(session, current);
  return true;
}

}  // namespace korvel
