#pragma once
// Names of a run set: the file pattern derived from any one run file, the
// spectrum stem and folders derived from the run folder, and the names of
// the files written beside the run files. Paths use the platform separator.
#include <string>
#include <string_view>

namespace velta {

inline constexpr int kSaveCount = 200;  // best solutions written and analysed
inline constexpr char kPathSeparator = '/';

struct RunSetPattern {
  std::string folder;     // without a trailing separator
  std::string prefix;     // name up to its run number: first (first dot - 4) characters
  std::string extension;  // from the last dot of the name, with the dot; may be empty
};

// res007.pop in /data/abc_POP gives folder /data/abc_POP, prefix res and
// extension .pop. A name with fewer than 4 characters before its first dot
// has an empty prefix.
RunSetPattern PatternOf(const std::string& path);

// folder + "/" + prefix + "*" + extension.
std::string PatternText(const RunSetPattern& pattern);

// Whether a file name (no folder) matches prefix*extension.
bool MatchesPattern(const RunSetPattern& pattern, std::string_view name);

// The run folder's own name less its last 4 characters ("_POP" of a folder
// made by the project wizard), empty when the name has fewer than 5.
std::string SpectrumStemOf(const std::string& folder);

// The folder that holds the run folder (where the project and the spectral
// files lie).
std::string ProjectDirOf(const std::string& folder);

// "_" + count when count > 0, otherwise empty.
std::string FileCountSuffix(int run_file_count);

// "bestF200_12.pop"; "bestF200.pop" before any run set (count -1) or with 0.
std::string BestFileName(int run_file_count);

// "RunsHist_12.emf"; "histogram.wmf" before any run set.
std::string RunsHistGraphFileName(int run_file_count);

// The analysis window's caption for a loaded run set: folder/Runs_12.pop.
std::string RunSetCaption(const std::string& folder, int run_file_count);

// Base name of the output files of an analysis: the caption cut at the first
// "." of its file name (folders may carry dots).
std::string OutputBaseName(const std::string& caption);

// folder + "/" + name; an empty folder stands for the file-system root.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace velta
