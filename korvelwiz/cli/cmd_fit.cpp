// korvel fit, korvel errors and korvel save: the local optimization, the
// error analysis and the wizard's Save on an opened project.
#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "common/fixed_format.h"
#include "fitting/error_analysis.h"
#include "fitting/experiment_fit.h"
#include "project_json.h"
#include "session/save.h"
#include "session/session.h"

namespace korvel::cli {
namespace {

void ShowOpenProgress(int done, int total, void*) {
  ProgressLine(fmt::format("opening: experiment {}/{}", done, total));
}

struct FitStepContext {
  int experiment = 0;
  int experiments = 0;
};

void ShowFitProgress(int steps, double best, void* user) {
  const auto* c = static_cast<const FitStepContext*>(user);
  if (steps % 5 != 0) return;
  ProgressLine(fmt::format("fit: experiment {}/{}  step {}  chi2 {:.6g}", c->experiment, c->experiments, steps, best));
}

void ShowSaveProgress(SavePhase phase, int done, int total, void*) {
  ProgressLine(fmt::format("{} {}/{}", phase == SavePhase::ErrorCalculation ? "Error calculation!" : "Saving files!",
                           done, total));
}

std::unique_ptr<Session> Open(const std::string& path, bool no_sort) {
  auto session = MakeSession();
  OpenProject(*session, path, !no_sort, ShowOpenProgress);
  EndProgressLine();
  return session;
}

// The experiments chosen by --experiment (1..ExperimentCount), or all.
std::vector<int> Chosen(const Project& project, int experiment) {
  std::vector<int> out;
  if (experiment != 0) {
    if (experiment < 1 || experiment > project.ExperimentCount)
      throw std::runtime_error(fmt::format("experiment {} does not exist (the project has {})", experiment,
                                           project.ExperimentCount));
    out.push_back(experiment);
  } else {
    for (int i = 1; i <= project.ExperimentCount; ++i) out.push_back(i);
  }
  return out;
}

std::string Value(const Domain& d, int row) {
  const int n = ParamCount(d.type);
  const int dec = Param(d.type, row - 1).decimals;
  return common::FormatFixed(d.Values[static_cast<std::size_t>(SlotOfRow(row, n))], dec + 1, dec);
}

std::string Error(const Domain& d, int row) {
  const int dec = Param(d.type, row - 1).decimals;
  return common::FormatFixed(d.Errors[static_cast<std::size_t>(row)], dec + 1, dec);
}

// One line per domain: every parameter with its value, the switched ones
// (and the weights of an experiment with a free weight) with "+-" and
// their error.
std::string DomainLines(const Tspcmf& e) {
  bool free_weight = false;
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    if (d.Switches[static_cast<std::size_t>(ParamCount(d.type))]) free_weight = true;
  }
  std::string out;
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    out += fmt::format("  domain {} {}:", k, TypeKeyword(d.type));
    for (int p = 1; p <= n; ++p) {
      const ParamInfo& info = Param(d.type, p - 1);
      out += fmt::format(" {}={}", info.name, Value(d, p));
      if (d.Switches[static_cast<std::size_t>(p)] || (p == n && free_weight && e.DomainCount > 1))
        out += fmt::format("+-{}", Error(d, p));
      if (!info.unit.empty()) out += fmt::format(" {}", info.unit);
    }
    out += "\n";
  }
  return out;
}

// --- korvel fit --------------------------------------------------------------

struct FitOptions {
  std::string project;
  int experiment = 0;
  bool all = false;
  bool no_sort = false;
  std::string save;
  bool json = false;
};

void RunFit(const FitOptions& o) {
  auto session = Open(o.project, o.no_sort);
  Project& project = session->project;
  const std::vector<int> chosen = Chosen(project, o.all ? 0 : o.experiment);
  auto ws = MakeErrorWorkspace();
  std::vector<ExperimentFitOutcome> outcomes;
  FitStepContext ctx{0, static_cast<int>(chosen.size())};
  for (int i : chosen) {
    ctx.experiment = i;
    outcomes.push_back(FitExperiment(*session, i, 1, *ws, ShowFitProgress, &ctx));
  }
  EndProgressLine();
  if (!o.save.empty()) {
    SaveProject(*session, o.save, {}, ShowSaveProgress);
    EndProgressLine();
  }
  if (o.json) {
    std::cout << ProjectJson(project, true).dump(1) << "\n";
    return;
  }
  for (std::size_t c = 0; c < chosen.size(); ++c) {
    const Tspcmf& e = project.Experiment(chosen[c]);
    const ExperimentFitOutcome& out = outcomes[c];
    // Saving shows every experiment afresh: the frequency corrections the
    // fit found are reset and the spectra aligned again, so the saved chi^2
    // may differ from the fit's.
    const std::string fitted = fmt::format("{:.4f}", out.fitness), saved = fmt::format("{:.4f}", e.Fitness);
    const std::string resaved = !o.save.empty() && saved != fitted ? ", " + saved + " as saved" : "";
    std::cout << fmt::format("experiment {}: chi2 {:.4f} -> {}{} ({} steps, {} simulations), errors {}\n",
                             chosen[c], out.start_fitness, fitted, resaved, out.steps, out.evaluations,
                             e.ErrorsValid ? "valid" : "not valid (Error calculation not successful)");
    std::cout << DomainLines(e);
  }
  if (!o.save.empty()) std::cout << "saved " << o.save << "\n";
}

// --- korvel errors -----------------------------------------------------------

struct ErrorsOptions {
  std::string project;
  int experiment = 0;
  bool no_sort = false;
  bool json = false;
};

void RunErrors(const ErrorsOptions& o) {
  auto session = Open(o.project, o.no_sort);
  Project& project = session->project;
  auto ws = MakeErrorWorkspace();
  nlohmann::json exps = nlohmann::json::array();
  for (int i : Chosen(project, o.experiment)) {
    const bool ok = AnalyseExperimentErrors(*session, i, *ws);
    const Tspcmf& e = project.Experiment(i);
    nlohmann::json params = nlohmann::json::array();
    nlohmann::json corr = nlohmann::json::array();
    std::string text = fmt::format("experiment {}: chi2 {:.4f}, inversion {}\n", i, e.Fitness,
                                   ok ? "succeeded" : "failed (errors from the grid steps)");
    for (int a = 1; a <= ws->np; ++a) {
      const ErrorParam& p = ws->param(a);
      const Domain& d = e.Domains[static_cast<std::size_t>(p.domain)];
      const int n = ParamCount(d.type);
      const ParamInfo& info = Param(d.type, p.row - 1);
      // The weight row is analysed as the conditional weight; its error is
      // reported for the absolute weight it gives.
      params.push_back({{"domain", p.domain},
                        {"row", p.row},
                        {"name", std::string(info.name)},
                        {"value", d.Values[static_cast<std::size_t>(SlotOfRow(p.row, n))]},
                        {"error", d.Errors[static_cast<std::size_t>(p.row)]},
                        {"kept", ws->second_pass ? d.ErrorKept[static_cast<std::size_t>(p.row)] : true}});
      text += fmt::format("  {:>2}  domain {} {:<4} {} +- {} {}\n", a, p.domain, std::string(info.name),
                          Value(d, p.row), Error(d, p.row), info.unit);
      nlohmann::json row = nlohmann::json::array();
      for (int b = 1; b <= ws->np; ++b) row.push_back(ws->correlation(a, b));
      corr.push_back(row);
    }
    if (ws->np == 0) text += "  no switched parameter\n";
    if (ws->np > 1) {
      text += "  correlations:\n";
      for (int a = 1; a <= ws->np; ++a) {
        text += "   ";
        for (int b = 1; b <= ws->np; ++b) text += fmt::format(" {:>6.3f}", a == b ? 1.0 : ws->correlation(a, b));
        text += "\n";
      }
    }
    if (e.DomainCount > 1) {
      text += "  weights:";
      for (int k = 1; k <= e.DomainCount; ++k) {
        const Domain& d = e.Domains[static_cast<std::size_t>(k)];
        const int n = ParamCount(d.type);
        text += fmt::format(" d{}={}+-{}", k, Value(d, n), Error(d, n));
      }
      text += "\n";
    }
    if (o.json) {
      exps.push_back({{"index", i},
                      {"fitness", e.Fitness},
                      {"errors_valid", ok},
                      {"second_pass", ws->second_pass},
                      {"parameters", params},
                      {"correlations", corr}});
    } else {
      std::cout << text;
    }
  }
  if (o.json) std::cout << nlohmann::json{{"experiments", exps}}.dump(1) << "\n";
}

// --- korvel save -------------------------------------------------------------

struct SaveOptions {
  std::string project;
  std::string out;
  bool no_sort = false;
};

void RunSave(const SaveOptions& o) {
  auto session = Open(o.project, o.no_sort);
  if (!SaveProject(*session, o.out, {}, ShowSaveProgress)) throw std::runtime_error("nothing to save: no domain");
  EndProgressLine();
  const Project& project = session->project;
  int valid = 0;
  for (int i = 1; i <= project.ExperimentCount; ++i) valid += project.Experiment(i).ErrorsValid ? 1 : 0;
  std::cout << fmt::format("saved {}: {} experiment{}, error calculation successful for {}\n", o.out,
                           project.ExperimentCount, project.ExperimentCount == 1 ? "" : "s", valid);
}

}  // namespace

void AddFitCommands(CLI::App& app) {
  {
    auto o = std::make_shared<FitOptions>();
    CLI::App* cmd = app.add_subcommand(
        "fit",
        "Open a project, fit the switched-on parameters of the chosen experiments with the local "
        "optimization (downhill simplex), run the error analysis and print the parameters with errors.");
    cmd->add_option("PROJECT", o->project, "the .mtp project file")->required()->check(CLI::ExistingFile);
    auto* one = cmd->add_option("--experiment", o->experiment, "fit only experiment N (as numbered after opening)");
    cmd->add_flag("--all", o->all, "fit every experiment (the default)")->excludes(one);
    cmd->add_flag("--no-sort", o->no_sort, "keep the experiments in file order");
    cmd->add_option("--save", o->save,
                    "save as the wizard does: error analysis, the .mtp file and the result files beside it");
    cmd->add_flag("--json", o->json, "print the JSON of korvel open with errors instead of the text");
    cmd->callback([o] { RunFit(*o); });
  }
  {
    auto o = std::make_shared<ErrorsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "errors", "Open a project and run the error analysis alone: errors, correlations, inversion result.");
    cmd->add_option("PROJECT", o->project, "the .mtp project file")->required()->check(CLI::ExistingFile);
    cmd->add_option("--experiment", o->experiment, "analyse only experiment N (default: all)");
    cmd->add_flag("--no-sort", o->no_sort, "keep the experiments in file order");
    cmd->add_flag("--json", o->json, "print one JSON object instead of the text");
    cmd->callback([o] { RunErrors(*o); });
  }
  {
    auto o = std::make_shared<SaveOptions>();
    CLI::App* cmd = app.add_subcommand(
        "save",
        "Open a project and save it as the wizard does: error analysis of every experiment, the .mtp "
        "file, then the result files of all experiments beside it.");
    cmd->add_option("PROJECT", o->project, "the .mtp project file")->required()->check(CLI::ExistingFile);
    cmd->add_option("OUT", o->out, "the .mtp file to write")->required();
    cmd->add_flag("--no-sort", o->no_sort, "keep the experiments in file order");
    cmd->callback([o] { RunSave(*o); });
  }
}

}  // namespace korvel::cli
