#include "fitting/weight_fit_engine.h"

#include <cctype>
#include <charconv>

#include "fitting/experiment_fit.h"
#include "fitting/gauss_jordan.h"
#include "project/mtp_writer.h"
#include "session/session.h"

namespace korvel {
namespace {

std::string Unquoted(std::string v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

bool AllDigits(const std::string& v) {
  if (v.empty()) return false;
  for (unsigned char c : v)
    if (!std::isdigit(c)) return false;
  return true;
}

bool EndsWithMtp(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".mtp";
}

}  // namespace

BbwArguments ParseBbwArguments(const std::vector<std::string>& args) {
  BbwArguments out;
  bool have_project = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || (a[1] != 'p' && a[1] != 'n' && a[1] != 'k') ||
        (a.size() > 2 && a[2] != '='))
      throw BbwUsageError("unknown argument '" + a + "' (expected -p=PROJECT.mtp, -n=NUMBER, -k=COUNT)");
    std::string value;
    if (a.size() > 2) {
      value = a.substr(3);
    } else {
      if (i + 1 >= args.size()) throw BbwUsageError(std::string("option -") + a[1] + " needs a value");
      value = args[++i];
    }
    value = Unquoted(value);
    switch (a[1]) {
      case 'p':
        if (value.empty()) throw BbwUsageError("option -p needs a project file name");
        out.project = value;
        have_project = true;
        break;
      case 'n':
        if (!AllDigits(value)) throw BbwUsageError("option -n takes a number of digits, not '" + value + "'");
        out.number = value;
        break;
      default: {
        int k = 0;
        const char* end = value.data() + value.size();
        const auto [ptr, ec] = std::from_chars(value.data(), end, k);
        if (value.empty() || ec != std::errc() || ptr != end)
          throw BbwUsageError("option -k takes an integer count of runs, not '" + value + "'");
        out.runs = k < 1 ? 1 : k;
        break;
      }
    }
  }
  if (!have_project) throw BbwUsageError("no project given (expected -p=PROJECT.mtp)");
  BbwResultPath(out.project, out.number);  // the name must allow a result name
  return out;
}

std::string BbwResultPath(const std::string& project, const std::string& number) {
  if (!EndsWithMtp(project)) throw BbwUsageError("the project file '" + project + "' does not end in .mtp");
  return project.substr(0, project.size() - 4) + number + ".mtp";
}

namespace {

struct StepRelay {
  BbwProgressFn fn;
  void* user;
  BbwProgress p;
};

void RelayStep(int steps, double best, void* user) {
  auto* relay = static_cast<StepRelay*>(user);
  relay->p.steps = steps;
  relay->p.best = best;
  relay->fn(relay->p, relay->user);
}

}  // namespace

BbwOutcome RunWeightFit(const BbwArguments& args, BbwProgressFn progress, void* user) {
  BbwOutcome out;
  out.result_path = BbwResultPath(args.project, args.number);
  auto session = MakeSession();
  // Keep the file order: the caller reads the result's first experiment.
  OpenProject(*session, args.project, /*sort=*/false);
  Project& project = session->project;
  out.experiments = project.ExperimentCount;
  SetGaussJProjectFile(out.result_path);
  auto ws = MakeErrorWorkspace();
  StepRelay relay{progress, user, {}};
  relay.p.experiments = project.ExperimentCount;
  for (int i = 1; i <= project.ExperimentCount; ++i) {
    relay.p.experiment = i;
    const ExperimentFitOutcome o =
        FitExperiment(*session, i, args.runs, *ws, progress ? RelayStep : nullptr, &relay);
    if (i == 1) {
      out.start_fitness = o.start_fitness;
      out.fitness = o.fitness;
    }
  }
  SelectAllForSave(project);
  WriteProject(project, out.result_path);
  return out;
}

}  // namespace korvel
