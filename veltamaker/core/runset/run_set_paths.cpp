#include "runset/run_set_paths.h"

namespace velta {
namespace {

std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

RunSetPattern PatternOf(const std::string& path) {
  RunSetPattern pattern;
  const std::size_t start = NameStart(path);
  const std::string name = path.substr(start);
  pattern.folder = start == 0 ? std::string() : path.substr(0, start - 1);
  const std::size_t last_dot = name.rfind('.');
  if (last_dot != std::string::npos) pattern.extension = name.substr(last_dot);
  // The run number takes the three characters before the first dot, plus
  // one for the position counted from 1.
  const std::size_t first_dot = name.find('.');
  if (first_dot != std::string::npos && first_dot + 1 > 4)
    pattern.prefix = name.substr(0, first_dot + 1 - 4);
  return pattern;
}

std::string PatternText(const RunSetPattern& pattern) {
  return JoinPath(pattern.folder, pattern.prefix + "*" + pattern.extension);
}

bool MatchesPattern(const RunSetPattern& pattern, std::string_view name) {
  const std::size_t fixed = pattern.prefix.size() + pattern.extension.size();
  return name.size() >= fixed && name.substr(0, pattern.prefix.size()) == pattern.prefix &&
         name.substr(name.size() - pattern.extension.size()) == pattern.extension;
}

std::string SpectrumStemOf(const std::string& folder) {
  const std::string name = folder.substr(NameStart(folder));
  if (name.size() < 5) return {};
  return name.substr(0, name.size() - 4);
}

std::string ProjectDirOf(const std::string& folder) {
  const std::size_t start = NameStart(folder);
  return start == 0 ? std::string() : folder.substr(0, start - 1);
}

std::string FileCountSuffix(int run_file_count) {
  std::string suffix;
  if (run_file_count > 0) {
    suffix = '_';
    suffix += std::to_string(run_file_count);
  }
  return suffix;
}

std::string BestFileName(int run_file_count) {
  return "bestF" + std::to_string(kSaveCount) + FileCountSuffix(run_file_count) + ".pop";
}

std::string RunsHistGraphFileName(int run_file_count) {
  if (run_file_count < 0) return "histogram.wmf";
  return "RunsHist" + FileCountSuffix(run_file_count) + ".emf";
}

std::string RunSetCaption(const std::string& folder, int run_file_count) {
  return JoinPath(folder, "Runs" + FileCountSuffix(run_file_count) + ".pop");
}

std::string OutputBaseName(const std::string& caption) {
  const std::size_t dot = caption.find('.', NameStart(caption));
  return dot == std::string::npos ? caption : caption.substr(0, dot);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + kPathSeparator + name;
}

}  // namespace velta
