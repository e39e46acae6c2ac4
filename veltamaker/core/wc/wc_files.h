#pragma once
// The files of the weight correction: the names of the correction project
// and of the engine's result, the correction project written from the
// reference project, the engine's command line, and the fitted weights read
// back from the result.
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_state.h"

namespace velta {

inline constexpr int kWcSlotCount = kPlotSlots;  // domains of the correction project

struct WcPaths {
  std::string WcMtpPath;     // ProjectDir/stem_wc.mtp (or stem_m_wc.mtp)
  std::string WcResultPath;  // the same with _wc1.mtp, the engine's result
};

// Removes a file; false when it exists and could not be removed.
using RemoveFileFn = std::function<bool(const std::string&)>;
bool RemoveIfPresent(const std::string& path);

// stem_wc.mtp and stem_wc1.mtp in the project folder. An old result is
// removed so that its appearance means a new one; when it cannot be
// removed, stem_1_wc*.mtp, stem_2_wc*.mtp ... are tried until a result
// name is free or removable. Throws VeltaError after 999 tries.
WcPaths ChooseWcPaths(const std::string& project_dir, const std::string& stem,
                      const RemoveFileFn& remove = RemoveIfPresent);

// The parameters written for parameters 1..n-1 of the class's type: the
// dimension (1..DimCount) whose slot mean is written, or 0 for a fixed
// value.
struct WcParamSource {
  int Dim;
  int FixedValue;
};
// Parameters 1..n-1 of class 1 (mem), 2 (lle) or 3 (mes); n = ParamCount of
// its type.
const std::vector<WcParamSource>& MtpParamDim(ModelClass model_class);

// The correction project: the header of the reference with "DSO" and one
// copy (with the old-layout rewrite of the mes limits and grid when
// `old_pop_layout`), then one experiment block of one spectrum, the
// reference's block of `stem`, with the five plot slots as domains whose
// weights alone are free, its group number and its fitness lines. Throws
// VeltaError naming the reference when a line it needs is missing or holds
// no numbers where numbers belong.
std::string CorrectionFileText(const std::string& reference_path, const std::vector<std::string>& reference,
                               const std::string& stem, bool old_pop_layout, const AnalysisState& state);

// Engine path, " -p=", the project path in double quotes, " -n=1 -k=1".
std::string EngineCommandLine(const std::string& engine_path, const std::string& wc_mtp_path);

// The words of a command line as a program receives them: blanks separate
// words, double quotes group blanks into a word and are removed.
std::vector<std::string> SplitCommandLine(const std::string& command_line);

struct WcResult {
  std::vector<double> Weights;  // absolute weight d of domain 1..n (index 0 = domain 1)
  double Fitness = 0;           // the number after the "Hi2" line
};

// Reads the engine's result project: the domain lines of its first block
// (their last number is the weight) and the fitness. Throws VeltaError
// when the file is incomplete or malformed; nothing is kept from it then.
WcResult ParseWcResult(const std::string& path, const std::vector<std::string>& lines);

// The label of a picture for a weight: Round(100 x weight).
std::string WeightLabel(double weight);

}  // namespace velta
