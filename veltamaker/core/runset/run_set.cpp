#include "runset/run_set.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/text_file.h"
#include "popfile/pop_file.h"
#include "velta_error.h"

namespace velta {

std::vector<std::string> RunSetFiles(const std::string& path) {
  namespace fs = std::filesystem;
  const RunSetPattern pattern = PatternOf(path);
  const fs::path folder = pattern.folder.empty() ? fs::path("/") : fs::path(pattern.folder);
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec) || !MatchesPattern(pattern, name)) continue;
    names.push_back(name);
  }
  if (ec) throw common::FileError(pattern.folder + ": cannot list the folder (" + ec.message() + ")");
  if (static_cast<int>(names.size()) > kMaxRunFiles)
    throw VeltaError(PatternText(pattern) + ": " + std::to_string(names.size()) +
                     " files match; a run set holds at most " + std::to_string(kMaxRunFiles) +
                     " run files");
  std::sort(names.begin(), names.end());
  std::vector<std::string> files;
  files.reserve(names.size());
  for (const std::string& name : names) files.push_back(JoinPath(pattern.folder, name));
  return files;
}

std::string BestFileText(const RecordBatch& batch) {
  common::CrLfText out;
  int written = 0;
  int last = 0;
  for (int i = 1; i <= batch.RecordCount() && written < kSaveCount; ++i) {
    const int k = batch.SortOrder[static_cast<std::size_t>(i - 1)];
    if (SameRecordFull(batch, k, last)) continue;
    WriteRecordLine(out, batch.Record(k));
    last = k;
    ++written;
  }
  return out.str();
}

void LoadRunSet(RecordBatch& batch, RunSetNames& names, const std::string& path) {
  namespace fs = std::filesystem;
  const std::string full = fs::absolute(fs::path(path)).lexically_normal().string();
  const RunSetPattern pattern = PatternOf(full);

  auto fresh = std::make_unique<RecordBatch>();
  fresh->Reset();
  fresh->SpectrumStem = SpectrumStemOf(pattern.folder);
  fresh->ProjectDir = ProjectDirOf(pattern.folder);
  for (const std::string& file : RunSetFiles(full)) ReadPopulationFile(*fresh, file);
  SortBatch(*fresh);

  RunSetNames fresh_names;
  fresh_names.BestFileName = BestFileName(fresh->RunFileCount);
  fresh_names.RunsHistGraphFileName = RunsHistGraphFileName(fresh->RunFileCount);
  fresh_names.Caption = RunSetCaption(pattern.folder, fresh->RunFileCount);
  common::WriteFileAtomically(JoinPath(pattern.folder, fresh_names.BestFileName),
                              BestFileText(*fresh));
  fresh->RunDir = pattern.folder;

  std::swap(batch, *fresh);
  names = std::move(fresh_names);
}

}  // namespace velta
