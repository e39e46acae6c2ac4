#pragma once
// The weight correction of the condensed solutions: the plot slots are
// written as the five domains of a project whose weights alone are free,
// the outside engine korvelBBW fits them, and the fitted weights are added
// up per chosen solution. Start writes the project and starts the engine;
// the front end then polls once a second until Finish has run (or gives up
// after its own time limit).
#include <string>

#include "analysis/points.h"
#include "pipeline/pipeline.h"
#include "wc/engine_process.h"
#include "wc/wc_files.h"

namespace velta {

// The engine's file name in a project folder (korvelBBW.exe on Windows).
inline constexpr const char* kEngineFileName = "korvelBBW";
inline constexpr int kWcPollIntervalMs = 1000;
inline constexpr const char* kEngineNotFound =
    "korvelBBW.exe was not found. Make sure POP files folder, korvelbbw.exe and Spectrum Data file are in the same placce";

enum class WcPhase { Idle, Waiting, Finished, Failed };

struct WeightCorrection {
  WcPhase Phase = WcPhase::Idle;
  WcPaths Paths;
  std::string EnginePath;
  std::string CommandLine;
  std::string LogPath;  // the engine's output, beside the correction file
  std::int32_t ElapsedMs = 0;
  double FitnessAfter = 0;
  std::string Failure;  // why the correction failed (Phase Failed)
  EngineProcess Process;
  // The chosen solutions as they were when the slots were written, so that
  // a reordering of the solution list cannot mix up their groups.
  struct Chosen {
    std::int32_t Slice = 0;
    std::int32_t Group = 0;
    std::int32_t SplitCount = 0;
    common::OneBased<std::int32_t, kPlotSlots> Slots{};
  };
  common::OneBased<Chosen, kPlotSlots> ChosenSolutions{};
  std::int32_t ChosenCount = 0;
  std::int32_t FilledSlots = 0;
};

// The engine to use: `chosen` (named by the user) when given; otherwise
// korvelBBW in the project folder, otherwise the remembered path. Empty
// when none of them is an existing file.
std::string FindEngine(const std::string& project_dir, const std::string& remembered, const std::string& chosen);

// Writes the correction file and starts the engine on it. Returns false
// (with a note) when the correction cannot start: no reference, no
// spectral file, no solution in slice 1, or no engine (`engine_path`
// empty). Throws VeltaError or common::FileError when the correction file
// cannot be written or the engine cannot be started.
bool StartWeightCorrection(Session& session, WeightCorrection& wc, const std::string& engine_path, Notes& notes);

// One timer tick. The result is taken when it can be read completely (an
// unreadable one is tried again at the next tick); the engine ending
// without a readable result fails the correction. Returns the phase after
// the tick.
WcPhase PollWeightCorrection(Session& session, WeightCorrection& wc, int interval_ms = kWcPollIntervalMs);

// Sets the corrected weights of the chosen solutions from the fitted slot
// weights and adds the table after correction (print switch on) and
// "After WC Hi2=" to the memo.
void FinishWeightCorrection(Session& session, WeightCorrection& wc, const WcResult& result);

// Stops a correction that ran past the front end's limit; the memo says so.
void AbandonWeightCorrection(Session& session, WeightCorrection& wc, int limit_seconds);

// Stores the engine path as "Default korvelBBW.exe path" in the settings
// file, keeping its other keys.
void RememberEnginePath(const std::string& ini_path, const std::string& engine_path);

}  // namespace velta
