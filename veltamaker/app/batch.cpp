#include "batch.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <thread>

#include <nlohmann/json.hpp>

#include "analysis/domain_solutions.h"
#include "common/text_file.h"
#include "velta_error.h"

namespace velta::app {
namespace {

std::string Timestamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

nlohmann::json EntryJson(const AnalysisState& state, const SolutionEntry& entry, bool corrected = false) {
  const SliceGroup& group = GroupOf(state, entry);
  nlohmann::json mean = nlohmann::json::array();
  nlohmann::json deviation = nlohmann::json::array();
  for (int k = 1; k <= state.DimCount(); ++k) {
    mean.push_back(group.Mean[k]);
    deviation.push_back(group.Deviation[k]);
  }
  nlohmann::json j = {{"slice", entry.Slice}, {"weight", group.Weight}, {"label", entry.Label},
                      {"mean", mean}, {"deviation", deviation}};
  if (corrected && entry.Slice == 1) j["corrected_weight"] = group.CorrectedWeight;
  return j;
}

const char* PhaseName(WcPhase phase) {
  switch (phase) {
    case WcPhase::Waiting: return "waiting";
    case WcPhase::Finished: return "finished";
    case WcPhase::Failed: return "failed";
    default: return "not started";
  }
}

// Waits for the engine with the 1000 ms tick of the window's timer, showing
// the elapsed seconds on a terminal; gives up past `limit_seconds`.
void WaitForCorrection(Session& session, WeightCorrection& wc, int limit_seconds, bool progress, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 1;; ++tick) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(tick * kWcPollIntervalMs));
    if (PollWeightCorrection(session, wc) != WcPhase::Waiting) break;
    if (wc.ElapsedMs >= limit_seconds * 1000) {
      AbandonWeightCorrection(session, wc, limit_seconds);
      break;
    }
    if (progress) err << "\r\033[KWeight correction with korvelBBW: " << wc.ElapsedMs / 1000 << " s" << std::flush;
  }
  if (progress) err << "\r\033[K" << std::flush;
}

}  // namespace

std::string Latin1ToUtf8(const std::string& text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::string SessionJson(const Session& session, const WeightCorrection* wc) {
  const AnalysisState& state = *session.State;
  nlohmann::json j;
  j["class"] = state.Class;
  j["points"] = state.PointCount;
  j["chi2_min"] = state.Chi2Min;
  j["chi2_sigma"] = state.Chi2Sigma;
  j["max_density"] = state.MaxDensity;
  j["threshold_density"] = state.ThresholdDensity;
  j["threshold_position"] = state.ThresholdPosition;
  j["density_level"] = state.Settings.DensityLevel;
  nlohmann::json thresholds = nlohmann::json::array();
  for (int s = 1; s <= kSliceCount; ++s) thresholds.push_back(state.Slices[s].Threshold);
  j["slice_thresholds"] = thresholds;
  nlohmann::json solutions = nlohmann::json::array();
  for (int e = 1; e <= state.CondensedSolutions.Count; ++e)
    solutions.push_back(EntryJson(state, state.CondensedSolutions.Entries[e], wc && wc->Phase == WcPhase::Finished));
  j["solutions"] = solutions;
  nlohmann::json trash = nlohmann::json::array();
  for (int e = 1; e <= state.Trash.Count; ++e) trash.push_back(EntryJson(state, state.Trash.Entries[e]));
  j["trash"] = trash;
  nlohmann::json slots = nlohmann::json::array();
  for (int s = 1; s <= state.Plot.FilledSlots; ++s) {
    const SliceGroup& slot = state.Plot.Slots[s];
    nlohmann::json mean = nlohmann::json::array();
    for (int k = 1; k <= state.DimCount(); ++k) mean.push_back(slot.Mean[k]);
    slots.push_back({{"weight", slot.Weight}, {"mean", mean}});
  }
  j["plot_slots"] = slots;
  nlohmann::json report = nlohmann::json::array();
  for (const std::string& line : session.Memo) report.push_back(Latin1ToUtf8(line));
  j["report"] = report;
  if (wc) {
    nlohmann::json w = {{"status", PhaseName(wc->Phase)}};
    if (wc->Phase != WcPhase::Idle) {
      w["project"] = wc->Paths.WcMtpPath;
      w["result"] = wc->Paths.WcResultPath;
      w["log"] = wc->LogPath;
      w["seconds"] = wc->ElapsedMs / 1000;
    }
    if (wc->Phase == WcPhase::Finished) w["fitness"] = wc->FitnessAfter;
    if (wc->Phase == WcPhase::Failed) w["failure"] = Latin1ToUtf8(wc->Failure);
    j["wc"] = w;
  }
  return j.dump(2);
}

int RunBatch(const BatchOptions& options, const std::string& program_dir, std::ostream& out, std::ostream& err) {
  const bool progress = ::isatty(STDERR_FILENO) != 0;
  Session session;
  if (progress) session.Status = [&err](const std::string& text) { err << "\r\033[K" << text << std::flush; };
  try {
    const std::string ini_path =
        options.ini_path.empty() ? SettingsFilePath(program_dir, Env("XDG_CONFIG_HOME"), Env("HOME")) : options.ini_path;
    const std::optional<VeltaMakerIni> ini = ReadVeltaIniFile(ini_path);
    Notes notes;
    LoadAndAnalyse(session, options.run_file, ini, notes);
    if (progress) err << "\r\033[K" << std::flush;
    for (const std::string& note : notes) err << "Note: " << note << "\n";
    int status = 0;
    WeightCorrection wc;
    const bool automatic_wc = !options.no_wc && (!ini || !ini->AutomaticWc || *ini->AutomaticWc);
    if (automatic_wc) {
      // An engine named on the command line is what the window's open
      // dialog would give: it becomes the remembered path.
      if (!options.engine.empty()) RememberEnginePath(ini_path, options.engine);
      const std::string remembered = ini && ini->EnginePath ? *ini->EnginePath : std::string();
      const std::string engine = FindEngine(session.Batch->ProjectDir, remembered, options.engine);
      Notes wc_notes;
      bool started = false;
      try {
        started = StartWeightCorrection(session, wc, engine, wc_notes);
      } catch (const std::exception& e) {
        // The analysis stands; the report says why the correction could not run.
        wc.Phase = WcPhase::Failed;
        wc.Failure = e.what();
        session.Memo.push_back("Weight correction failed: " + wc.Failure);
        err << "veltamaker: " << Latin1ToUtf8(wc.Failure) << "\n";
        status = kWcNotFinished;
      }
      if (started) {
        err << "Weight correction has started with korvelBBW... (" << wc.CommandLine << ")\n";
        WaitForCorrection(session, wc, options.wc_timeout, progress, err);
        if (wc.Phase == WcPhase::Finished) {
          err << "*** Weights has been corrected (" << wc.ElapsedMs / 1000 << ") sec ***\n";
        } else {
          err << "veltamaker: " << Latin1ToUtf8(wc.Failure) << "\n";
          status = kWcNotFinished;
        }
      }
      for (const std::string& note : wc_notes) err << "Note: " << note << "\n";
    }
    const std::string path = SaveReport(session, Timestamp());
    if (options.json) {
      out << SessionJson(session, &wc) << "\n";
    } else {
      for (const std::string& line : session.Memo) out << Latin1ToUtf8(line) << "\n";
    }
    err << "*** VELTA Analysis was saved to " << path << " ***\n";
    return status;
  } catch (const VeltaError& e) {
    if (progress) err << "\r\033[K";
    err << "veltamaker: " << Latin1ToUtf8(e.what()) << "\n";
  } catch (const common::FileError& e) {
    if (progress) err << "\r\033[K";
    err << "veltamaker: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace velta::app
