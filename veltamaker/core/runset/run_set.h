#pragma once
// Loading a whole run set from any one of its files: every file of the
// folder that matches the file's pattern is read (in sorted name order) into
// a fresh batch, the records are sorted by fitness, and the 200 best distinct
// solutions are written into the folder as "bestF200_<files>.pop".
#include <string>
#include <vector>

#include "records/record_batch.h"
#include "runset/run_set_paths.h"

namespace velta {

// Names refreshed by every loading.
struct RunSetNames {
  std::string BestFileName = velta::BestFileName(-1);
  std::string RunsHistGraphFileName = velta::RunsHistGraphFileName(-1);
  std::string Caption = "VELTA Maker";  // window caption, "<folder>/Runs_12.pop" after a load
};

// Run files of the set that `path` belongs to, as full paths in sorted name
// order (regular files only). Throws VeltaError when there are more than 200.
std::vector<std::string> RunSetFiles(const std::string& path);

// The best-file text: records in SortOrder, each repeat of the record
// written just before skipped, at most kSaveCount lines.
std::string BestFileText(const RecordBatch& batch);

// Reads the run set of `path` (made absolute) and writes its best file.
// Sets SpectrumStem, ProjectDir and RunDir of the batch and the names. On
// any error (VeltaError, common::FileError) `batch` and `names` keep what
// they held before.
void LoadRunSet(RecordBatch& batch, RunSetNames& names, const std::string& path);

}  // namespace velta
