#pragma once
// Saving a project as the window's Save does: the error analysis of every
// experiment, then the .mtp file, then the result files of all experiments.
#include <string>

#include "session/session.h"

namespace korvel {

enum class SavePhase {
  ErrorCalculation,  // "Error calculation!": experiment `done` of `total` analysed
  SavingFiles,       // "Saving files!": file `done` of `total` written (the .mtp first)
};
using SaveProgressFn = void (*)(SavePhase phase, int done, int total, void* user);

// Saves the session's project to `path`:
//  1. MtpFileName and the solver's diagnostic place become `path`;
//  2. every experiment 1..ExperimentCount is selected, shown (loaded,
//     aligned, simulated), analysed for errors on a working copy, and
//     copied back with ErrorsValid = the analysis' success;
//  3. the project file is written (temporary file beside it, then rename);
//  4. the result file of every experiment (ResultFileName) is written into
//     `result_dir`, or beside `path` when `result_dir` is empty;
//  5. the experiment shown before is shown again.
// Returns false, doing nothing, when the project has no experiment or the
// current experiment has no domain. Throws the loader's SpectrumError or
// common::FileError on failure; a failure before the project file is in
// place leaves the project (and MtpFileName) as it was and no new file, a
// failure while writing the result files leaves the saved project.
bool SaveProject(Session& session, const std::string& path, const std::string& result_dir = {},
                 SaveProgressFn progress = nullptr, void* user = nullptr);

}  // namespace korvel
