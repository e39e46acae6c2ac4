#include "session/session.h"

#include <filesystem>

#include "common/fixed_format.h"
#include "common/text_file.h"
#include "engine/align.h"
#include "engine/simulate.h"
#include "fitting/gauss_jordan.h"
#include "project/mtp_reader.h"
#include "spectra/load_spectrum.h"

namespace korvel {
namespace {

std::string WithoutLastFour(const std::string& name) {
  return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string BaseName(const std::string& name) {
  const auto cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}


}  // namespace

std::string FolderOfPath(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (parent.empty()) return {};
  std::string dir = parent.string();
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::unique_ptr<Session> MakeSession() { return std::make_unique<Session>(); }

void ShowExperiment(Session& session, int i) {
  Project& project = session.project;
  SimBuffers& buf = *session.buffers;
  Tvrecica& work = session.work;
  work = WorkingCopy(project, i);
  for (int s = 1; s <= work.exp.SpectrumCount; ++s) LoadSpectrum(work, s, buf, project.ProjectDir);
  project.CurrentExperiment = i;
  // The frequency correction of each spectrum may move it by a twentieth of
  // its sweep either way.
  for (int s = 1; s <= work.exp.SpectrumCount; ++s) {
    const Tspcsf& sp = work.exp.Spectra[static_cast<std::size_t>(s)];
    ExpParam& e = work.exp.ExpParams[static_cast<std::size_t>(s)];
    const double range = sp.Frequency * sp.Sweep / (20.0 * sp.CenterField);
    e.Active = true;
    e.Value = 0;
    e.Max = range;
    e.Min = -range;
    e.Step = range / 25.0;
  }
  CollectParamVector(work.exp, buf.ParamVector);
  project.Experiment(i) = work.exp;
  AlignSpectra(project, i, buf);
  work = WorkingCopy(project, i);
}

float QuickSimulation(Session& session) {
  Project& project = session.project;
  SimBuffers& buf = *session.buffers;
  const int i = project.CurrentExperiment;
  session.work = WorkingCopy(project, i);
  CollectParamVector(session.work.exp, buf.ParamVector);
  const float f = SimulateExperiment(session.work, buf.ParamVector, buf);
  project.Experiment(i) = session.work.exp;
  return f;
}

void OpenProject(Session& session, const std::string& path, bool sort, ProgressFn progress,
                 void* user) {
  // Read into a fresh project so that a bad file, or a spectral file that
  // cannot be loaded, leaves the session's project as it was.
  auto fresh = std::make_unique<Project>(session.project);
  fresh->ProjectDir = FolderOfPath(path);
  fresh->DomainTypeCount = kDomainTypeCount;
  fresh->CurrentExperiment = 1;
  fresh->CopiesRead = 1;
  ReadProject(*fresh, path);

  auto saved = std::make_unique<Project>(std::move(session.project));
  session.project = std::move(*fresh);
  // A singular matrix met from now on (an exchange model while showing, the
  // error analysis later) is reported beside this project.
  const std::string gauss_place = GaussJProjectFile();
  SetGaussJProjectFile(session.project.MtpFileName);
  try {
    const int count = session.project.ExperimentCount;
    for (int i = 1; i <= count; ++i) {
      ShowExperiment(session, i);
      if (progress) progress(i, count, user);
    }
    if (sort) SortExperimentsByFitness(session.project, count);
    if (count >= 1) ShowExperiment(session, 1);
  } catch (...) {
    session.project = std::move(*saved);
    SetGaussJProjectFile(gauss_place);
    throw;
  }
}

std::string ResultFileName(const Tspcmf& exp) {
  if (exp.SpectrumCount < 1) return "_.dat";
  const std::string first = WithoutLastFour(BaseName(exp.Spectra[1].FileName));
  const std::string last =
      WithoutLastFour(BaseName(exp.Spectra[static_cast<std::size_t>(exp.SpectrumCount)].FileName));
  return first + "_" + last + ".dat";
}

std::string ResultFileText(const Tspcmf& exp, const SimBuffers& buf) {
  using common::FormatFixed;
  common::CrLfText text;
  std::string line;
  for (int l = 1; l <= kPoints; ++l) {
    line.clear();
    for (int s = 1; s <= exp.SpectrumCount; ++s) {
      const auto ss = static_cast<std::size_t>(s);
      const Tspcsf& sp = exp.Spectra[ss];
      if (s > 1) line += "; ";
      line += FormatFixed(sp.CenterField + sp.Sweep * (l - 512.5) / 1023.0, 7, 3);
      line += "; ";
      line += FormatFixed(buf.ExpCorrected[ss][static_cast<std::size_t>(l)], 5, 4);
      line += "; ";
      line += FormatFixed(buf.SimTotal[ss][static_cast<std::size_t>(l)], 5, 4);
      for (int k = 1; k <= exp.DomainCount; ++k) {
        line += "; ";
        line += FormatFixed(buf.SimDomains[ss][static_cast<std::size_t>(k)][static_cast<std::size_t>(l)], 5, 4);
      }
    }
    text.Line(line);
  }
  return text.str();
}

std::string WriteResultFile(Session& session, int i, const std::string& dir) {
  ShowExperiment(session, i);
  const Tspcmf& exp = session.project.Experiment(i);
  std::string path = ResultFileName(exp);
  if (!dir.empty()) path = (std::filesystem::path(dir) / path).string();
  common::WriteFileAtomically(path, ResultFileText(exp, *session.buffers));
  return path;
}

}  // namespace korvel
