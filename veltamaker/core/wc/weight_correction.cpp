#include "wc/weight_correction.h"


#include <filesystem>

#include "analysis/domain_solutions.h"
#include "common/text_file.h"
#include "report/general_format.h"
#include "report/ini_file.h"
#include "report/velta_ini.h"
#include "runset/run_set_paths.h"
#include "velta_error.h"

namespace velta {
namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

void Status(const Session& session, const std::string& text) {
  if (session.Status) session.Status(text);
}

std::string LogPathOf(const std::string& wc_mtp_path) {
  return wc_mtp_path.substr(0, wc_mtp_path.size() - 4) + ".log";
}

void Fail(Session& session, WeightCorrection& wc, const std::string& why) {
  wc.Phase = WcPhase::Failed;
  wc.Failure = why;
  session.Memo.push_back("Weight correction failed: " + why);
}

}  // namespace

std::string FindEngine(const std::string& project_dir, const std::string& remembered, const std::string& chosen) {
  if (!chosen.empty()) return IsFile(chosen) ? chosen : std::string();
  const std::string beside = JoinPath(project_dir, kEngineFileName);
  if (IsFile(beside)) return beside;
  if (IsFile(remembered)) return remembered;
  return {};
}

bool StartWeightCorrection(Session& session, WeightCorrection& wc, const std::string& engine_path, Notes& notes) {
  if (wc.Phase == WcPhase::Waiting) wc.Process.Stop();  // a new load restarts the correction
  wc.Phase = WcPhase::Idle;
  wc.Failure.clear();
  const RecordBatch& batch = *session.Batch;
  const ReferenceInfo& reference = session.Reference;
  // Without a reference there is no header to copy (the load noted it).
  if (!reference.ReferenceFound) return false;
  const AnalysisState& state = *session.State;
  if (state.Plot.ChosenCount == 0) {
    notes.push_back("No domain solution in slice 1. Weight correction would not start.");
    return false;
  }

  wc.Paths = ChooseWcPaths(batch.ProjectDir, batch.SpectrumStem);
  const std::vector<std::string> lines = common::ReadTextLines(reference.ReferenceMtp);
  common::WriteFileAtomically(
      wc.Paths.WcMtpPath,
      CorrectionFileText(reference.ReferenceMtp, lines, batch.SpectrumStem, batch.OldPopLayout, state));

  if (!reference.SpectrumFound) {
    notes.push_back("Spectrum data file is not found in the current folder. Weight correction would not start.");
    return false;
  }
  if (engine_path.empty()) {
    notes.push_back(kEngineNotFound);
    return false;
  }

  // The chosen solutions and their slots as the file has them.
  wc.ChosenCount = state.Plot.ChosenCount;
  wc.FilledSlots = state.Plot.FilledSlots;
  for (int i = 1; i <= wc.ChosenCount; ++i) {
    const SolutionEntry& entry = state.CondensedSolutions.Entries[state.Plot.ChosenEntry[i]];
    WeightCorrection::Chosen& chosen = wc.ChosenSolutions[i];
    chosen.Slice = entry.Slice;
    chosen.Group = entry.Group;
    chosen.SplitCount = state.Plot.SplitCount[i];
    chosen.Slots = state.Plot.SlotsOf[i];
  }

  wc.EnginePath = engine_path;
  wc.CommandLine = EngineCommandLine(engine_path, wc.Paths.WcMtpPath);
  wc.LogPath = LogPathOf(wc.Paths.WcMtpPath);
  wc.Process.Start(SplitCommandLine(wc.CommandLine), wc.LogPath);

  Status(session, "Weight correction has started with korvelBBW...");
  session.Memo.emplace_back();
  session.Memo.push_back("Corrected weights MTP file:" + wc.Paths.WcResultPath);
  wc.ElapsedMs = 0;
  wc.Phase = WcPhase::Waiting;
  return true;
}

WcPhase PollWeightCorrection(Session& session, WeightCorrection& wc, int interval_ms) {
  if (wc.Phase != WcPhase::Waiting) return wc.Phase;
  // Read the exit status first: a result present after the engine ended is
  // complete, one seen while it runs may not be.
  const std::optional<int> exit_status = wc.Process.ExitStatus();
  if (IsFile(wc.Paths.WcResultPath)) {
    try {
      const WcResult result = ParseWcResult(wc.Paths.WcResultPath, common::ReadTextLines(wc.Paths.WcResultPath));
      Status(session, "*** Weights has been corrected (" + std::to_string(wc.ElapsedMs / 1000) + ") sec ***");
      FinishWeightCorrection(session, wc, result);
      return wc.Phase;
    } catch (const VeltaError& e) {
      if (exit_status) {
        Fail(session, wc, e.what());
        return wc.Phase;
      }
    } catch (const common::FileError& e) {
      if (exit_status) {
        Fail(session, wc, e.what());
        return wc.Phase;
      }
    }
  } else if (exit_status) {
    Fail(session, wc,
         "korvelBBW ended with status " + std::to_string(*exit_status) + " without writing " +
             wc.Paths.WcResultPath + " (its output is in " + wc.LogPath + ")");
    return wc.Phase;
  }
  wc.ElapsedMs += interval_ms;
  return wc.Phase;
}

void FinishWeightCorrection(Session& session, WeightCorrection& wc, const WcResult& result) {
  AnalysisState& state = *session.State;
  // Solutions that received no slot keep no weight of an earlier correction.
  for (int e = 1; e <= state.CondensedSolutions.Count; ++e) {
    const SolutionEntry& entry = state.CondensedSolutions.Entries[e];
    if (entry.Slice == 1) state.Slices[entry.Slice].Groups[entry.Group].CorrectedWeight = 0;
  }
  const int filled = std::min<int>(wc.FilledSlots, static_cast<int>(result.Weights.size()));
  for (int i = 1; i <= wc.ChosenCount; ++i) {
    const WeightCorrection::Chosen& chosen = wc.ChosenSolutions[i];
    double sum = 0;
    for (int x = 1; x <= chosen.SplitCount; ++x) {
      const int slot = chosen.Slots[x];
      if (slot >= 1 && slot <= filled) sum += result.Weights[static_cast<std::size_t>(slot - 1)];
    }
    state.Slices[chosen.Slice].Groups[chosen.Group].CorrectedWeight = sum;
  }
  if (session.PrintSwitch)
    for (std::string& line : SolutionTable(state, true)) session.Memo.push_back(std::move(line));
  session.Memo.push_back("After WC Hi2=" + GeneralFormat(result.Fitness, 4));
  wc.FitnessAfter = result.Fitness;
  wc.Phase = WcPhase::Finished;
}

void AbandonWeightCorrection(Session& session, WeightCorrection& wc, int limit_seconds) {
  if (wc.Phase != WcPhase::Waiting) return;
  wc.Process.Stop();
  Fail(session, wc,
       "korvelBBW did not finish within " + std::to_string(limit_seconds) + " s and was stopped (its output is in " +
           wc.LogPath + ")");
}

void RememberEnginePath(const std::string& ini_path, const std::string& engine_path) {
  std::error_code ec;
  IniFile ini = std::filesystem::exists(ini_path, ec) ? IniFile::Parse(common::ReadFileBytes(ini_path)) : IniFile{};
  ini.Set(kIniSection, "Default korvelBBW.exe path", engine_path);
  const std::filesystem::path folder = std::filesystem::path(ini_path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  common::WriteFileAtomically(ini_path, ini.Text());
}

}  // namespace velta
