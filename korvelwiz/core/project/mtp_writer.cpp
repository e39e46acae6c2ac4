#include "project/mtp_writer.h"

#include <cmath>
#include <string_view>

#include "common/fixed_format.h"
#include "common/text_file.h"
#include "project/weights.h"

namespace korvel {
namespace {

using common::FormatBool;
using common::FormatFixed;
using common::FormatInt;

// A parameter value, error, limit or grid: the parameter's decimals in a
// field of decimals + 1, i.e. no leading blanks in practice.
std::string ParamText(double value, DomainType type, int index) {
  const int decimals = Param(type, index).decimals;
  return FormatFixed(value, decimals + 1, decimals);
}

void WriteHeader(common::CrLfText& out, const Project& p) {
  const ProjectSettings& s = p.vreca.settings;
  out.Line("Tensors:");
  out.Line(FormatFixed(s.gxx, 5, 4) + " " + FormatFixed(s.gyy, 5, 4) + " " + FormatFixed(s.gzz, 5, 4) + " " +
           FormatFixed(s.Axx, 5, 3) + " " + FormatFixed(s.Ayy, 5, 3) + " " + FormatFixed(s.Azz, 5, 3) + " " +
           FormatFixed(s.AC13iso, 4, 3) + " " + FormatFixed(s.AbundanceC13, 5, 4));
  out.Line("Noise:");
  out.Line(FormatFixed(s.NoiseAmplitude, 4, 3));
  out.Line("Asimetric distribution:");
  out.Line(FormatFixed(s.AsymDist1, 4, 2) + " " + FormatFixed(s.AsymDist2, 6, 4));
  out.Line("Limits:");
  for (int t = 0; t < p.DomainTypeCount; ++t) {
    const DomainType type = static_cast<DomainType>(t);
    std::string line;
    for (int i = 0; i < ParamCount(type); ++i)
      line += ParamText(s.LimitMin[t][i], type, i) + " " + ParamText(s.LimitMax[t][i], type, i) + " ";
    out.Line(line);
  }
  out.Line("Grids:");
  for (int t = 0; t < p.DomainTypeCount; ++t) {
    const DomainType type = static_cast<DomainType>(t);
    std::string line;
    for (int i = 0; i < ParamCount(type); ++i) line += ParamText(s.Grid[t][i], type, i) + " ";
    out.Line(line);
  }
  out.Line("Optimization used:");
  out.Line(s.OptimizerKind == 1 ? "HEA" : "DSO");
  out.Line("Downhill Simplex:");
  out.Line(FormatFixed(s.DsoInitialStep, 3, 2));
  out.Line(FormatInt(s.DsoMaxGenPerParam));
  out.Line("Hybrid Evolutionary Algorithm:");
  out.Line(FormatInt(s.HeoPopulation));
  out.Line(FormatFixed(s.HeoMutation, 3, 3));
  out.Line(FormatBool(s.HeoAutoTune));
  out.Line("  Elite");
  out.Line(FormatBool(s.HeoElitism));
  out.Line(FormatFixed(s.HeoEliteSize, 4, 3));
  out.Line("  Crossover");
  out.Line(FormatFixed(s.HeoCrossProb, 3, 3));
  // Both argument lines are always present; the one that does not belong to
  // the chosen kind carries a fixed placeholder.
  if (s.HeoCrossKind == 1) {
    out.Line("MP");
    out.Line("0.5");
    out.Line(FormatInt(s.HeoCrossArgPoints));
  } else {
    out.Line("UNI");
    out.Line(FormatFixed(s.HeoCrossArgUniform, 3, 3));
    out.Line("3");
  }
  out.Line("  Hybridization with DS during HEA");
  out.Line(FormatBool(s.HeoDsoDuring));
  out.Line(FormatFixed(s.HeoDsoDuringProb, 3, 3));
  out.Line("  Hybridization with DS after HEA");
  out.Line(FormatBool(s.HeoDsoAfter));
  out.Line(FormatFixed(s.HeoDsoAfterPart, 2, 2));
  out.Line("  knowledge-based operators");
  out.Line(FormatBool(s.HeoKboTcD));
  out.Line(FormatFixed(s.HeoKboTcDProb, 3, 3));
  out.Line(FormatBool(s.HeoKboWD));
  out.Line(FormatFixed(s.HeoKboWDProb, 3, 3));
  out.Line(FormatBool(s.HeoKboPolarity));
  out.Line(FormatFixed(s.HeoKboPolarityProb, 3, 3));
  out.Line("Multiple:");
  out.Line(FormatBool(s.MultipleFlag1));
  out.Line(FormatBool(s.MultipleFlag2));
  out.Line("Error analysis:");
  out.Line(FormatInt(s.ErrorMethod));
  out.Line(FormatBool(s.ErrorFlag1));
  out.Line(FormatBool(s.ErrorFlag2));
  if (p.WriteCopiesLine) {
    out.Line("Number of copies:");
    out.Line(FormatInt(p.CopiesPending));
  }
}

// The reader takes the domain number, the group code and the fitness type as
// single characters, so a block is refused before it could be written in a
// form that reads back differently.
void CheckWritable(const Tspcmf& e, int index) {
  const std::string where = "experiment " + std::to_string(index);
  auto refuse = [&](const std::string& what) { throw common::FileError(where + ": " + what); };
  if (e.SpectrumCount < 1 || e.SpectrumCount > kMaxSpectra) refuse("needs 1 to 5 spectra");
  if (e.DomainCount < 1 || e.DomainCount > kMaxDomains) refuse("needs 1 to 5 domains");
  if (e.FitnessType < 0 || e.FitnessType > 9) refuse("fitness type must be a single digit");
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    if (ParamCount(d.type) == 0) refuse("domain " + std::to_string(k) + " has no valid type");
    if (d.GroupCode > 9) refuse("domain " + std::to_string(k) + " group code must be a single digit");
  }
}

// The signal-to-noise ratio of a spectrum; 0 stands for a noise level that
// was never measured (NoiseWeight 0), so the line stays a plain number.
double SignalToNoise(double noise_weight) {
  if (!(noise_weight > 0)) return 0;
  const double sn = std::sqrt(1.0 / noise_weight);
  return std::isfinite(sn) ? sn : 0;
}

void WriteBlock(common::CrLfText& out, Tspcmf e, int block) {
  // Files carry absolute weights; the conversion works on this copy.
  ConditionalToAbsolute(e);
  out.Line("");
  out.Line("Spectrum characteristics-" + FormatInt(block) + ":");
  out.Line(FormatInt(e.SpectrumCount));
  for (int j = 1; j <= e.SpectrumCount; ++j) {
    const Tspcsf& s = e.Spectra[static_cast<std::size_t>(j)];
    out.Line(s.FileName);
    out.Line(FormatFixed(s.CenterField, 7, 3) + " " + FormatFixed(s.Sweep, 5, 2) + " " +
             FormatFixed(s.Frequency, 7, 5) + " " + FormatFixed(s.Angle, 4, 3));
  }
  out.Line("Domains - types, parameters, errors, switches, group number:");
  out.Line(FormatInt(e.DomainCount));
  auto lead = [&](int k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    return FormatInt(k) + " " + FormatInt(d.GroupCode) + " " + std::string(TypeKeyword(d.type));
  };
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    std::string line = lead(k);
    for (int slot = 1; slot <= n - 1; ++slot) line += " " + ParamText(d.Values[static_cast<std::size_t>(slot)], d.type, slot - 1);
    line += " " + ParamText(d.Values[0], d.type, n - 1);
    out.Line(line);
  }
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    if (!e.ErrorsValid) {
      out.Line(lead(k) + " Error calculation not successful");
      continue;
    }
    std::string line = lead(k) + " ";
    for (int row = 1; row <= ParamCount(d.type); ++row)
      line += ParamText(d.Errors[static_cast<std::size_t>(row)], d.type, row - 1) + " ";
    out.Line(line);
  }
  for (int k = 1; k <= e.DomainCount; ++k) {
    const Domain& d = e.Domains[static_cast<std::size_t>(k)];
    std::string line = lead(k) + " ";
    for (int row = 1; row <= ParamCount(d.type); ++row) line += d.Switches[static_cast<std::size_t>(row)] ? "T " : "F ";
    out.Line(line);
  }
  out.Line(FormatInt(e.GroupNumber));
  out.Line("Hi2 (tip: " + FormatInt(e.FitnessType) + "):");
  std::string fitness = FormatFixed(e.Fitness, 6, 3) + " (S/N=";
  for (int j = 1; j <= e.SpectrumCount; ++j) {
    if (j > 1) fitness += ",";
    fitness += FormatFixed(SignalToNoise(e.Spectra[static_cast<std::size_t>(j)].NoiseWeight), 3, 0);
  }
  out.Line(fitness + ")");
  out.Line("");
}

bool Selected(const Tspcmf& e) { return e.SaveSelected && !e.SaveWritten; }

}  // namespace

void SelectAllForSave(Project& project) {
  for (int i = 1; i <= project.ExperimentCount; ++i) {
    project.Experiment(i).SaveSelected = true;
    project.Experiment(i).SaveWritten = false;
  }
}

std::string ProjectFileText(const Project& project) {
  common::CrLfText out;
  int block = 0;
  for (int i = 1; i <= project.ExperimentCount; ++i) {
    const Tspcmf& e = project.Experiment(i);
    if (!Selected(e)) continue;
    CheckWritable(e, i);
    if (++block == 1) WriteHeader(out, project);
    WriteBlock(out, e, block);
  }
  return out.str();
}

void WriteProject(Project& project, const std::string& path) {
  std::string text;
  try {
    text = ProjectFileText(project);
  } catch (const common::FileError& e) {
    throw common::FileError(path + ": " + e.what());
  }
  if (text.empty()) return;
  common::WriteFileAtomically(path, text);
  for (int i = 1; i <= project.ExperimentCount; ++i)
    if (Selected(project.Experiment(i))) project.Experiment(i).SaveWritten = true;
  project.MtpFileName = path;
}

}  // namespace korvel
