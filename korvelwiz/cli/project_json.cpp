#include "project_json.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "common/rounding.h"

namespace korvel::cli {

long SignalToNoise(const Tspcsf& sp) {
  if (!(sp.NoiseWeight > 0)) return 0;
  return static_cast<long>(common::RoundHalfEven(std::sqrt(1.0 / sp.NoiseWeight)));
}

nlohmann::json ProjectJson(const Project& project, bool with_errors) {
  nlohmann::json exps = nlohmann::json::array();
  for (int i = 1; i <= project.ExperimentCount; ++i) {
    const Tspcmf& e = project.Experiment(i);
    nlohmann::json spectra = nlohmann::json::array();
    for (int s = 1; s <= e.SpectrumCount; ++s) {
      const Tspcsf& sp = e.Spectra[static_cast<std::size_t>(s)];
      spectra.push_back({{"file", sp.FileName},
                         {"frequency", sp.Frequency},
                         {"center_field", sp.CenterField},
                         {"sweep", sp.Sweep},
                         {"angle", sp.Angle},
                         {"noise_weight", sp.NoiseWeight},
                         {"integral_peak", sp.IntegralPeak},
                         {"peak_left", sp.PeakLeft},
                         {"peak_right", sp.PeakRight}});
    }
    nlohmann::json domains = nlohmann::json::array();
    for (int k = 1; k <= e.DomainCount; ++k) {
      const Domain& d = e.Domains[static_cast<std::size_t>(k)];
      const int n = ParamCount(d.type);
      nlohmann::json values = nlohmann::json::array();
      for (int p = 1; p <= n - 1; ++p) values.push_back(d.Values[static_cast<std::size_t>(p)]);
      nlohmann::json dom = {{"type", std::string(TypeKeyword(d.type))},
                            {"group_code", d.GroupCode},
                            {"weight", d.Values[0]},
                            {"values", values}};
      if (with_errors) {
        nlohmann::json errors = nlohmann::json::array();
        for (int p = 1; p <= n; ++p) errors.push_back(d.Errors[static_cast<std::size_t>(p)]);
        dom["errors"] = errors;
      }
      domains.push_back(dom);
    }
    nlohmann::json ej = {{"index", i},
                         {"group", e.GroupNumber},
                         {"fitness", e.Fitness},
                         {"fitness_type", e.FitnessType},
                         {"spectra", spectra},
                         {"domains", domains}};
    if (with_errors) ej["errors_valid"] = e.ErrorsValid;
    exps.push_back(ej);
  }
  return {{"experiments", exps}};
}

std::string ProjectTable(const Project& project) {
  std::string out = fmt::format("{:>4}  {:>5}  {:>4}  {:>12}  {:<16}  {}\n", "exp", "group", "type",
                                "fitness", "S/N", "domains (type weight)");
  for (int i = 1; i <= project.ExperimentCount; ++i) {
    const Tspcmf& e = project.Experiment(i);
    std::string sn;
    for (int s = 1; s <= e.SpectrumCount; ++s) {
      if (s > 1) sn += ",";
      sn += fmt::format("{}", SignalToNoise(e.Spectra[static_cast<std::size_t>(s)]));
    }
    std::string doms;
    for (int k = 1; k <= e.DomainCount; ++k) {
      const Domain& d = e.Domains[static_cast<std::size_t>(k)];
      if (k > 1) doms += "  ";
      doms += fmt::format("{} {:.3f}", TypeKeyword(d.type), d.Values[0]);
    }
    out += fmt::format("{:>4}  {:>5}  {:>4}  {:>12.4f}  {:<16}  {}\n", i, e.GroupNumber, e.FitnessType,
                       e.Fitness, sn, doms);
  }
  return out;
}

void ProgressLine(const std::string& text) {
  if (!isatty(fileno(stderr))) return;
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  std::fflush(stderr);
}

void EndProgressLine() {
  if (!isatty(fileno(stderr))) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
}

}  // namespace korvel::cli
