#pragma once
// The load pipeline of the analysis and its recomputations, without any
// window: what "Load HEO solutions", "Refresh" and Enter in "Dens Min" run.
// A front end holds one Session for the program's life; it draws the
// pictures from the session's state and, after each command, either starts
// the weight correction or saves the report (SaveReport).
//
// Every command works on copies and replaces the session's batch, state,
// report lines and memo only when it has run to its end, so a failed
// command leaves the last good analysis in place.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_state.h"
#include "analysis/points.h"
#include "common/one_based.h"
#include "records/record_batch.h"
#include "reference/reference_search.h"
#include "report/velta_ini.h"
#include "runset/run_set.h"

namespace velta {

inline constexpr int kReportLineCount = 12;
inline constexpr const char* kReportFileName = "VELTAlog.txt";

struct Session {
  Session();

  std::unique_ptr<RecordBatch> Batch;
  RunSetNames Names;
  std::unique_ptr<AnalysisState> State;
  ReferenceInfo Reference;
  // The 12 lines at the head of the report; line 12 stays empty.
  common::OneBased<std::string, kReportLineCount> ReportLines;
  // The analysis output (the window's memo); 8-bit text, ± is 0xB1.
  std::vector<std::string> Memo{"Analysis Output"};
  bool PrintSwitch = true;
  bool Loaded = false;
  // Solutions analysed; the best file and the analysis both take 200, a
  // benchmark may take more to reach 3000 points.
  int SolutionCount = kSaveCount;
  // Status panel 0 ("VELTA density filtering...").
  std::function<void(const std::string&)> Status;
};

// Loads the run set of `path` and runs the analysis: points, reference
// search, load-time settings (sigma fractions from `ini` when a settings
// file exists), chi-square statistics with the histogram and the runs
// contribution, density filtering, slicing, report lines, domain solutions,
// the plot slots, and the "_runs.txt" and "_chi.txt" files. Notes (message
// boxes of a window) are appended to `notes`.
void LoadAndAnalyse(Session& session, const std::string& path, const std::optional<VeltaMakerIni>& ini,
                    Notes& notes);

// "Refresh": density filtering and the later steps with the current
// settings (sliders, level, minimum density), a fresh memo.
void RefreshAnalysis(Session& session);

// Enter in "Dens Min" with the edit's text: the minimum density changes and
// the chain from the chi-square statistics on runs again, adding to the memo.
void EnterDensMin(Session& session, const std::string& text);

// Output base name of the session (the caption cut at the first dot of its
// file name) and the statistics files beside the run files.
std::string OutputBase(const Session& session);
void WriteStatisticsFiles(const Session& session);
void WriteStatisticsFiles(const RecordBatch& batch, const AnalysisState& state, const RunSetNames& names);

// Where the report goes: RunDir/VELTAlog.txt, or VELTAlog.txt in the
// current folder before any run set.
std::string ReportPath(const Session& session);

// Adds an empty line and "Analysis was done: " + timestamp to the memo and
// writes the memo to ReportPath (CR LF). Returns the path.
std::string SaveReport(Session& session, const std::string& timestamp);

}  // namespace velta
