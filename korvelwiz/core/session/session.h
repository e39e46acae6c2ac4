#pragma once
// The program's one project with the engine buffers and the working copy,
// and the routines every front end drives: showing an experiment (load,
// frequency corrections, align, simulate), the quick simulation after a
// parameter change, opening a project and the result files.
#include <memory>
#include <string>

#include "engine/sim_buffers.h"
#include "project/records.h"

namespace korvel {

struct Session {
  Project project;
  std::unique_ptr<SimBuffers> buffers = MakeSimBuffers();
  Tvrecica work;  // the working copy used by the handlers
};

// Makes a session on the heap (the project records are large).
std::unique_ptr<Session> MakeSession();

// Shows experiment i (1..ExperimentCount): loads its spectra from
// ProjectDir, initialises the per-spectrum frequency corrections
// (ExpParams 1..SpectrumCount), aligns and simulates. Throws the loader's
// SpectrumError when a spectral file cannot be read; the experiment in the
// project is then unchanged.
void ShowExperiment(Session& session, int i);

// Re-simulates the current experiment with its current values (after a
// parameter change) and copies it back. Returns the fitness.
float QuickSimulation(Session& session);

// Folder of a file path, with a trailing separator; empty for a bare name.
std::string FolderOfPath(const std::string& path);

// Reads an .mtp file as opening does: ProjectDir becomes the file's folder,
// every experiment is shown once in turn, then the experiments are sorted by
// fitness unless `sort` is false, and experiment 1 is shown. A file that
// cannot be read leaves the project as it was.
using ProgressFn = void (*)(int done, int total, void* user);
void OpenProject(Session& session, const std::string& path, bool sort = true,
                 ProgressFn progress = nullptr, void* user = nullptr);

// Name of the result file of an experiment: spectrum 1's file name without
// its last four characters, "_", the last spectrum's likewise, ".dat".
std::string ResultFileName(const Tspcmf& exp);

// Shows experiment i, then writes its result file (1024 lines of field,
// corrected experiment, simulation and domains per spectrum, "; "-separated)
// into `dir` (empty: the current folder). Returns the path written.
std::string WriteResultFile(Session& session, int i, const std::string& dir);

// Result file text of the experiment currently in the buffers.
std::string ResultFileText(const Tspcmf& exp, const SimBuffers& buf);

}  // namespace korvel
