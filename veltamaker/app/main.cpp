// veltamaker: condensation analysis of HEO run sets. For now the program
// runs the analysis without a window (--batch).
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

#include "batch.h"

int main(int argc, char** argv) {
  CLI::App cli{"Condensation analysis of HEO run sets (VELTA)"};
  velta::app::BatchOptions options;
  cli.add_option("--batch", options.run_file, "Analyse the run set of this population file without a window")
      ->check(CLI::ExistingFile);
  cli.add_option("--ini", options.ini_path, "Settings file to read instead of VeltaMaker.ini");
  cli.add_flag("--json", options.json, "Print one JSON object instead of the report");
  cli.add_flag("--no-wc", options.no_wc, "Skip the weight correction");
  cli.add_option("--engine", options.engine, "The korvelBBW engine of the weight correction (remembered)")
      ->check(CLI::ExistingFile);
  cli.add_option("--wc-timeout", options.wc_timeout, "Seconds to wait for the weight correction")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  CLI11_PARSE(cli, argc, argv);
  if (options.run_file.empty()) {
    std::cerr << "veltamaker: the analysis window is not part of this build; use --batch RUNFILE.pop\n";
    return 2;
  }
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string program_dir = ec ? std::string() : exe.parent_path().string();
  return velta::app::RunBatch(options, program_dir, std::cout, std::cerr);
}
