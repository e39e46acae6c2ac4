#pragma once
// `veltamaker --batch`: the load pipeline without a window.
#include <iosfwd>
#include <string>

#include "pipeline/pipeline.h"

namespace velta::app {

struct BatchOptions {
  std::string run_file;
  std::string ini_path;  // empty: the usual place of VeltaMaker.ini
  bool json = false;
  bool no_wc = false;
};

// Runs the pipeline on the run set of options.run_file, writes the best
// file, "_chi.txt", "_runs.txt" and VELTAlog.txt into the run folder, and
// prints the report (or the JSON summary) on `out`; notes, progress and
// errors go to `err`. Returns the exit status.
int RunBatch(const BatchOptions& options, const std::string& program_dir, std::ostream& out, std::ostream& err);

// The JSON summary of an analysed session, as text.
std::string SessionJson(const Session& session);

// 8-bit report text (± is 0xB1) as UTF-8 for terminals and JSON.
std::string Latin1ToUtf8(const std::string& text);

}  // namespace velta::app
