// korvel info: what spectral data files hold (format, points, field axis,
// recorded conditions), to fill a project's spectrum lines from them.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "spectra/spectrum_info.h"

namespace korvel::cli {
namespace {

struct InfoOptions {
  std::vector<std::string> files;
  bool json = false;
};

nlohmann::json OrNull(const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(); }

void RunInfo(const InfoOptions& o) {
  nlohmann::json files = nlohmann::json::array();
  bool failed = false;
  for (const std::string& f : o.files) {
    try {
      const SpectrumInfo info = DescribeSpectralFile(f);
      if (o.json)
        files.push_back({{"file", info.path},
                         {"format", info.format},
                         {"points", info.points},
                         {"field_first", OrNull(info.field_first)},
                         {"field_last", OrNull(info.field_last)},
                         {"field_step", OrNull(info.field_step)},
                         {"center_field", OrNull(info.center_field)},
                         {"sweep", OrNull(info.sweep)},
                         {"frequency", OrNull(info.frequency)},
                         {"notes", info.notes}});
      else
        std::cout << SpectrumInfoText(info);
    } catch (const std::exception& e) {
      failed = true;
      std::fprintf(stderr, "korvel: %s\n", e.what());
      if (o.json) files.push_back({{"file", f}, {"error", e.what()}});
    }
  }
  if (o.json) std::cout << nlohmann::json{{"files", files}}.dump(1) << "\n";
  if (failed) throw ExitStatus{1};
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
  auto o = std::make_shared<InfoOptions>();
  CLI::App* cmd = app.add_subcommand(
      "info",
      "Describe spectral data files (dat, dsp, asc, fls, spc, WinEPR spc/par, BES3T DSC/DTA): "
      "format, points, field axis and recorded conditions.");
  cmd->add_option("FILE", o->files, "spectral data files")->required();
  cmd->add_flag("--json", o->json, "print one JSON object instead of text");
  cmd->callback([o] { RunInfo(*o); });
}

}  // namespace korvel::cli
