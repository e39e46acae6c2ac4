// korvel open: read a project, show every experiment once (load, align,
// simulate), sort by fitness, print the table or JSON, and optionally write
// the result files and the project.
#include <fmt/format.h>

#include <filesystem>
#include <iostream>

#include "commands.h"
#include "project/mtp_writer.h"
#include "project_json.h"
#include "session/session.h"

namespace korvel::cli {
namespace {

struct OpenOptions {
  std::string project;
  bool no_sort = false;
  std::string results;
  bool json = false;
  std::string write;
};

void ShowProgress(int done, int total, void*) {
  ProgressLine(fmt::format("opening: experiment {}/{}", done, total));
}

void RunOpen(const OpenOptions& o) {
  auto session = MakeSession();
  OpenProject(*session, o.project, !o.no_sort, ShowProgress);
  EndProgressLine();
  Project& project = session->project;
  if (!o.results.empty()) {
    std::filesystem::create_directories(o.results);
    for (int i = 1; i <= project.ExperimentCount; ++i) WriteResultFile(*session, i, o.results);
    // Writing shows each experiment again; leave experiment 1 shown.
    if (project.ExperimentCount >= 1) ShowExperiment(*session, 1);
  }
  if (!o.write.empty()) {
    SelectAllForSave(project);
    for (int i = 1; i <= project.ExperimentCount; ++i) project.Experiment(i).ErrorsValid = false;
    WriteProject(project, o.write);
  }
  if (o.json)
    std::cout << ProjectJson(project).dump(1) << "\n";
  else
    std::cout << ProjectTable(project);
}

}  // namespace

void AddOpenCommand(CLI::App& app) {
  auto o = std::make_shared<OpenOptions>();
  CLI::App* cmd = app.add_subcommand(
      "open",
      "Open a project as the wizard does: read it, load, align and simulate every experiment, "
      "sort by fitness and print the experiments.");
  cmd->add_option("PROJECT", o->project, "the .mtp project file")->required()->check(CLI::ExistingFile);
  cmd->add_flag("--no-sort", o->no_sort, "keep the experiments in file order");
  cmd->add_option("--results", o->results,
                  "write each experiment's result file (simulated spectra) into this folder");
  cmd->add_flag("--json", o->json, "print one JSON object instead of the table");
  cmd->add_option("--write", o->write, "write the project in memory to this .mtp file");
  cmd->callback([o] { RunOpen(*o); });
}

}  // namespace korvel::cli
