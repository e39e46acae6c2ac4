#pragma once
// `veltamaker --batch`: the load pipeline without a window.
#include <iosfwd>
#include <string>

#include "pipeline/pipeline.h"
#include "wc/weight_correction.h"

namespace velta::app {

struct BatchOptions {
  std::string run_file;
  std::string ini_path;  // empty: the usual place of VeltaMaker.ini
  bool json = false;
  bool no_wc = false;
  std::string engine;     // korvelBBW named on the command line, remembered in the settings file
  int wc_timeout = 600;   // seconds to wait for the weight correction
};

// Exit status when the weight correction started but did not finish.
inline constexpr int kWcNotFinished = 3;

// Runs the pipeline on the run set of options.run_file, writes the best
// file, "_chi.txt", "_runs.txt" and VELTAlog.txt into the run folder, and
// prints the report (or the JSON summary) on `out`; notes, progress and
// errors go to `err`. With "Automatic WC" on (settings file, unless
// --no-wc) the weight correction runs before the report is saved, polled
// once a second up to options.wc_timeout. Returns the exit status (3 when
// the correction started but did not finish).
int RunBatch(const BatchOptions& options, const std::string& program_dir, std::ostream& out, std::ostream& err);

// The JSON summary of an analysed session, as text.
// With `wc`, the solutions carry their corrected weights and a "wc" object
// tells how the correction ended.
std::string SessionJson(const Session& session, const WeightCorrection* wc = nullptr);

// 8-bit report text (± is 0xB1) as UTF-8 for terminals and JSON.
std::string Latin1ToUtf8(const std::string& text);

}  // namespace velta::app
