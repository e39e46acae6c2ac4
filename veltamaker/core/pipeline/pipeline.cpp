#include "pipeline/pipeline.h"

#include <charconv>

#include "analysis/analysis_settings.h"
#include "analysis/chi_square.h"
#include "analysis/density.h"
#include "analysis/domain_solutions.h"
#include "analysis/plot_slots.h"
#include "analysis/slicing.h"
#include "common/text_file.h"
#include "statistics/statistics.h"
#include "velta_error.h"

namespace velta {
namespace {

// What a command works on before it is committed to the session.
struct Work {
  std::unique_ptr<AnalysisState> state;
  common::OneBased<std::string, kReportLineCount> lines;
  std::vector<std::string> memo;
};

Work CopyOf(const Session& session) {
  return Work{std::make_unique<AnalysisState>(*session.State), session.ReportLines, session.Memo};
}

void Commit(Session& session, Work& work) {
  session.State = std::move(work.state);
  session.ReportLines = std::move(work.lines);
  session.Memo = std::move(work.memo);
}

void Status(const Session& session, const std::string& text) {
  if (session.Status) session.Status(text);
}

void SettingsLines(Work& work) {
  const AnalysisSettings& s = work.state->Settings;
  work.lines[5] = "Density level: " + DensityLevelLabel(s);
  work.lines[6] = "Minimum density: " + s.MinDensityText;
  work.lines[7] = "Sigma multiplication factor: " + FactorLabel(s);
}

void ChiSquareStep(Work& work, const RecordBatch& batch, int solution_count) {
  ChiSquareStatistics(*work.state);
  ComputeHistogram(*work.state);
  ComputeRunsContribution(*work.state, batch, solution_count);
  work.lines[8] = RunsContributionLine(*work.state);
  work.lines[9] = RunsFlatnessLine(*work.state);
}

// Density filtering through the plot slots; the window draws the zoom
// charts after the densities and the pictures after the slots.
void DensityToSolutions(const Session& session, Work& work) {
  AnalysisState& state = *work.state;
  Status(session, "VELTA density filtering...");
  DensityFiltering(state);
  work.lines[5] = "Density level: " + DensityLevelLabel(state.Settings);
  ComputeBubbleScale(state);
  Slicing(state);
  work.lines[10] = Chi2ReportLine(state);
  work.lines[11] = ThresholdReportLine(state);
  for (int i = 1; i <= kReportLineCount; ++i) work.memo.push_back(work.lines[i]);
  BuildDomainSolutions(state);
  if (session.PrintSwitch) {
    for (std::string& line : SolutionTable(state, false)) work.memo.push_back(std::move(line));
  }
  ChooseAndSplit(state);
  if (state.Plot.ChosenCount == 0)
    work.memo.push_back("No domain solution in slice 1: the plot slots stay empty.");
  Status(session, "*** VELTA has been just built ***");
}

void RequireLoaded(const Session& session) {
  if (!session.Loaded) throw VeltaError("No run set is loaded");
}

}  // namespace

Session::Session() : Batch(std::make_unique<RecordBatch>()), State(std::make_unique<AnalysisState>()) {
  ReportLines[1] = "VELTA Analysis report:";
}

void LoadAndAnalyse(Session& session, const std::string& path, const std::optional<VeltaMakerIni>& ini,
                    Notes& notes) {
  auto batch = std::make_unique<RecordBatch>();
  RunSetNames names = session.Names;
  LoadRunSet(*batch, names, path);

  Work work = CopyOf(session);
  work.memo.clear();
  AnalysisState& state = *work.state;
  Notes found;
  BuildPoints(state, *batch, found, session.SolutionCount);

  // A run set without its reference keeps nothing of an earlier one's.
  work.lines[2].clear();
  work.lines[3].clear();
  state.Settings.SignalToNoise = 0;
  ReferenceInfo reference = FindReference(batch->ProjectDir, batch->SpectrumStem, found);
  if (reference.ReferenceFound) {
    work.lines[2] = "MTP reference file:" + reference.ReferenceMtp;
    if (const auto sn = ReadSignalToNoise(reference.ReferenceMtp, batch->SpectrumStem, found))
      state.Settings.SignalToNoise = *sn;
    if (reference.SpectrumFound) work.lines[3] = "Spectrum file name: " + reference.SpectrumFileName;
  }

  ApplyLoadTimeSettings(state, ini ? std::optional<SigmaFractions>(ini->TrackBars) : std::nullopt, found);
  work.lines[4] = "Signal/Noice ratio: " + std::to_string(state.Settings.SignalToNoise);
  SettingsLines(work);
  ChiSquareStep(work, *batch, session.SolutionCount);
  DensityToSolutions(session, work);

  WriteStatisticsFiles(*batch, *work.state, names);

  session.Batch = std::move(batch);
  session.Names = std::move(names);
  session.Reference = std::move(reference);
  Commit(session, work);
  session.PrintSwitch = true;
  session.Loaded = true;
  notes.insert(notes.end(), found.begin(), found.end());
}

void RefreshAnalysis(Session& session) {
  RequireLoaded(session);
  Work work = CopyOf(session);
  work.memo.clear();
  SettingsLines(work);
  DensityToSolutions(session, work);
  Commit(session, work);
}

void EnterDensMin(Session& session, const std::string& text) {
  RequireLoaded(session);
  double value = 0;
  std::size_t start = text.find_first_not_of(' ');
  const std::string trimmed = start == std::string::npos ? std::string() : text.substr(start, text.find_last_not_of(' ') - start + 1);
  const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (trimmed.empty() || ec != std::errc() || end != trimmed.data() + trimmed.size())
    throw VeltaError("Dens Min: \"" + text + "\" is not a number");
  Work work = CopyOf(session);
  work.state->Settings.MinDensity = value;
  work.state->Settings.MinDensityText = trimmed;
  SettingsLines(work);
  ChiSquareStep(work, *session.Batch, session.SolutionCount);
  DensityToSolutions(session, work);
  WriteStatisticsFiles(*session.Batch, *work.state, session.Names);
  Commit(session, work);
}

std::string OutputBase(const Session& session) { return OutputBaseName(session.Names.Caption); }

void WriteStatisticsFiles(const RecordBatch& batch, const AnalysisState& state, const RunSetNames& names) {
  const std::string base = OutputBaseName(names.Caption);
  if (batch.Sorted) common::WriteFileAtomically(base + "_runs.txt", RunsFileText(state));
  common::WriteFileAtomically(base + "_chi.txt", Chi2FileText(state));
}

void WriteStatisticsFiles(const Session& session) {
  WriteStatisticsFiles(*session.Batch, *session.State, session.Names);
}

std::string ReportPath(const Session& session) {
  if (session.Batch->RunDir.empty()) return kReportFileName;
  return JoinPath(session.Batch->RunDir, kReportFileName);
}

std::string SaveReport(Session& session, const std::string& timestamp) {
  session.Memo.emplace_back();
  session.Memo.push_back("Analysis was done: " + timestamp);
  common::CrLfText out;
  for (const std::string& line : session.Memo) out.Line(line);
  const std::string path = ReportPath(session);
  common::WriteFileAtomically(path, out.str());
  return path;
}

}  // namespace velta
