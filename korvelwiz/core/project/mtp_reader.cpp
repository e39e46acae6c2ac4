#include "project/mtp_reader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/text_file.h"
#include "project/mtp_cursor.h"
#include "project/weights.h"

namespace korvel {
namespace {

using Match = MtpCursor::Match;

std::string Upper(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\t') out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return out;
}

std::string TrimBlanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return std::string(s.substr(first, last - first + 1));
}

float Single(double value) { return static_cast<float>(value); }

// ---- Header ---------------------------------------------------------------

void ReadTensors(MtpCursor& c, ProjectSettings& s) {
  if (!c.FindSection("Tensors:")) return;
  s.gxx = c.ReadReal("gxx");
  s.gyy = c.ReadReal("gyy");
  s.gzz = c.ReadReal("gzz");
  s.Axx = c.ReadReal("Axx");
  s.Ayy = c.ReadReal("Ayy");
  s.Azz = c.ReadReal("Azz");
  s.AC13iso = c.ReadReal("the 13C coupling");
  s.AbundanceC13 = c.ReadReal("the 13C abundance");
  c.SkipLine("the end of the tensor line");
}

void ReadNoiseAndAsymmetry(MtpCursor& c, ProjectSettings& s) {
  if (c.FindSection("Noise:")) {
    s.NoiseAmplitude = c.ReadReal("the noise amplitude");
    c.SkipLine("the end of the noise line");
  }
  if (c.FindSection("Asimetric distribution:")) {
    s.AsymDist1 = c.ReadReal("the first asymmetric-distribution value");
    s.AsymDist2 = c.ReadReal("the second asymmetric-distribution value");
    c.SkipLine("the end of the asymmetric-distribution line");
  }
}

std::string TypeLabel(int type, const char* what) {
  return std::string(what) + " of type " + std::string(TypeKeyword(static_cast<DomainType>(type)));
}

// The Limits section holds one line per domain type; the count of lines
// before "Grids:" (at most 9) is how many types the file describes, and all
// later per-type loops run over that count.
void ReadLimitsAndGrids(MtpCursor& c, Project& p) {
  ProjectSettings& s = p.vreca.settings;
  if (c.FindSection("Limits:", Match::kPrefix)) {
    const std::size_t first_line = c.LineIndex();
    int count = 0;
    bool grids = false;
    for (int read = 0; read < 10 && !c.AtEnd(); ++read) {
      const std::string line = c.ReadLine("a limits line");
      if (TrimBlanks(line) == "Grids:") {
        grids = true;
        break;
      }
      ++count;
    }
    p.DomainTypeCount = static_cast<std::uint8_t>(grids ? count : std::min(count, kDomainTypeCount));
    c.SeekLine(first_line);
    for (int t = 0; t < p.DomainTypeCount; ++t) {
      const DomainType type = static_cast<DomainType>(t);
      for (int i = 0; i < ParamCount(type); ++i) {
        s.LimitMin[t][i] = c.ReadReal(TypeLabel(t, "a lower limit"));
        s.LimitMax[t][i] = c.ReadReal(TypeLabel(t, "an upper limit"));
      }
      c.SkipLine("the end of a limits line");
    }
  }
  if (c.FindSection("Grids:")) {
    for (int t = 0; t < p.DomainTypeCount; ++t) {
      const DomainType type = static_cast<DomainType>(t);
      for (int i = 0; i < ParamCount(type); ++i) s.Grid[t][i] = c.ReadReal(TypeLabel(t, "a grid value"));
      c.SkipLine("the end of a grids line");
    }
  }
}

void ReadOptimizers(MtpCursor& c, ProjectSettings& s) {
  if (c.FindSection("Optimization used:")) {
    const std::string kind = Upper(c.ReadLine("the optimizer (DSO or HEA)"));
    if (kind == "DSO") s.OptimizerKind = 0;
    if (kind == "HEA") s.OptimizerKind = 1;
  }
  if (c.FindSection("Downhill Simplex:")) {
    s.DsoInitialStep = Single(c.ReadReal("the initial simplex step"));
    s.DsoMaxGenPerParam = c.ReadInt("the simplex generations per parameter");
    c.SkipLine("the end of the simplex settings");
  }
  if (!c.FindSection("Hybrid Evolutionary Algorithm:")) return;
  // The caption lines of this section are skipped by position.
  s.HeoPopulation = c.ReadInt("the population size");
  c.SkipLine("the end of the population line");
  s.HeoMutation = Single(c.ReadReal("the mutation probability"));
  c.SkipLine("the end of the mutation line");
  s.HeoAutoTune = c.ReadBoolLine("the resolution auto-tune flag");
  c.SkipLine("the elite caption");
  s.HeoElitism = c.ReadBoolLine("the elitism flag");
  s.HeoEliteSize = Single(c.ReadReal("the elite size"));
  c.SkipLine("the end of the elite size line");
  c.SkipLine("the crossover caption");
  s.HeoCrossProb = Single(c.ReadReal("the crossover probability"));
  c.SkipLine("the end of the crossover probability line");
  const std::string cross = Upper(c.ReadLine("the crossover kind (UNI or MP)"));
  if (cross == "UNI") {
    s.HeoCrossKind = 0;
    s.HeoCrossArgUniform = Single(c.ReadReal("the uniform crossover probability"));
    c.SkipLine("the end of the uniform crossover line");
    c.SkipLine("the crossover points line");
  } else if (cross == "MP") {
    s.HeoCrossKind = 1;
    c.SkipLine("the uniform crossover line");
    s.HeoCrossArgPoints = c.ReadInt("the number of crossover points");
    c.SkipLine("the end of the crossover points line");
  } else {
    // An unknown kind keeps the settings; its two argument lines are passed
    // over so that the captions below stay in step.
    c.SkipLine("the uniform crossover line");
    c.SkipLine("the crossover points line");
  }
  c.SkipLine("the hybridization-during caption");
  s.HeoDsoDuring = c.ReadBoolLine("the hybridization-during flag");
  s.HeoDsoDuringProb = Single(c.ReadReal("the hybridization-during probability"));
  c.SkipLine("the end of the hybridization-during probability line");
  c.SkipLine("the hybridization-after caption");
  s.HeoDsoAfter = c.ReadBoolLine("the hybridization-after flag");
  s.HeoDsoAfterPart = Single(c.ReadReal("the hybridization-after part"));
  c.SkipLine("the end of the hybridization-after part line");
  c.SkipLine("the knowledge-based operators caption");
  s.HeoKboTcD = c.ReadBoolLine("the tc-d equilibrator flag");
  s.HeoKboTcDProb = Single(c.ReadReal("the tc-d equilibrator probability"));
  c.SkipLine("the end of the tc-d equilibrator line");
  s.HeoKboWD = c.ReadBoolLine("the W-d equilibrator flag");
  s.HeoKboWDProb = Single(c.ReadReal("the W-d equilibrator probability"));
  c.SkipLine("the end of the W-d equilibrator line");
  s.HeoKboPolarity = c.ReadBoolLine("the polarity sorter flag");
  s.HeoKboPolarityProb = Single(c.ReadReal("the polarity sorter probability"));
  c.SkipLine("the end of the polarity sorter line");
}

void ReadFlagsAndCopies(MtpCursor& c, Project& p) {
  ProjectSettings& s = p.vreca.settings;
  if (c.FindSection("Multiple:")) {
    s.MultipleFlag1 = c.ReadBoolLine("the first multiple flag");
    s.MultipleFlag2 = c.ReadBoolLine("the second multiple flag");
  }
  if (c.FindSection("Error analysis:")) {
    const std::int32_t method = c.ReadInt("the error method");
    if (method < 0 || method > 255) c.Fail(c.TokenLine(), "expected an error method 0..255");
    s.ErrorMethod = static_cast<std::uint8_t>(method);
    c.SkipLine("the end of the error method line");
    s.ErrorFlag1 = c.ReadBoolLine("the first error flag");
    s.ErrorFlag2 = c.ReadBoolLine("the second error flag");
  }
  if (c.FindSection("Number of copies:")) {
    const std::int32_t copies = c.ReadInt("the number of copies");
    if (copies < 1) c.Fail(c.TokenLine(), "expected a number of copies of at least 1");
    p.CopiesRead = copies;
    p.CopiesReadPresent = true;
    c.SkipLine("the end of the copies line");
  }
}

void ReadHeader(MtpCursor& c, Project& p) {
  ProjectSettings& s = p.vreca.settings;
  ReadTensors(c, s);
  ReadNoiseAndAsymmetry(c, s);
  ReadLimitsAndGrids(c, p);
  ReadOptimizers(c, s);
  ReadFlagsAndCopies(c, p);
}

// ---- Experiment blocks -----------------------------------------------------

// Center field, sweep and frequency; the angle only when the line goes on.
void ReadSpectrumSettings(MtpCursor& c, Tspcsf& spectrum) {
  spectrum.CenterField = c.ReadReal("the center field");
  spectrum.Sweep = c.ReadReal("the sweep width");
  spectrum.Frequency = c.ReadReal("the frequency");
  if (!c.RestOfLineBlank()) spectrum.Angle = c.ReadReal("the angle");
  c.SkipLine("the end of the spectrum settings line");
}

int ReadCount(MtpCursor& c, const char* what, int limit) {
  const std::int32_t count = c.ReadInt(what);
  if (count < 1 || count > limit)
    c.Fail(c.TokenLine(), std::string("expected ") + what + " 1.." + std::to_string(limit) + ", found " +
                              std::to_string(count) + " (an experiment holds at most " + std::to_string(limit) +
                              ")");
  c.SkipLine("the end of the count line");
  return count;
}

DomainType ReadKeyword(MtpCursor& c) {
  const int line = c.LineNumber();
  std::string keyword;
  for (int i = 0; i < 3; ++i) keyword.push_back(c.ReadChar("a domain type keyword"));
  const auto type = TypeFromKeyword(keyword);
  if (!type) c.Fail(line, "expected a domain type keyword (iso, mem, lle, lbe, mes, psd, oms, obs or trp)");
  return *type;
}

void ReadDomainLine(MtpCursor& c, Domain& d) {
  const int line = c.LineNumber();
  c.ReadChar("the domain number");
  c.ReadChar("a blank");
  const char group = c.ReadChar("the group code");
  if (!std::isdigit(static_cast<unsigned char>(group))) c.Fail(line, "expected a one-digit group code");
  c.ReadChar("a blank");
  const DomainType type = ReadKeyword(c);
  c.ReadChar("a blank");
  d.GroupCode = static_cast<std::uint8_t>(group - '0');
  d.type = type;
  const int n = ParamCount(type);
  for (int slot = 1; slot <= n - 1; ++slot)
    d.Values[static_cast<std::size_t>(slot)] = c.ReadReal("the value of " + std::string(Param(type, slot - 1).name));
  d.Values[0] = c.ReadReal("the weight d");
  c.SkipLine("the end of the domain line");
}

// "k g kw" then a blank and a flag per palette row; a missing flag reads as
// not switched.
void ReadSwitchLine(MtpCursor& c, Domain& d) {
  for (int i = 0; i < 7; ++i) c.ReadChar("the switch line");
  const int n = ParamCount(d.type);
  for (int row = 1; row <= n; ++row) {
    c.ReadChar("a blank");
    const char flag = c.ReadChar("a switch (T or F)");
    d.Switches[static_cast<std::size_t>(row)] = std::toupper(static_cast<unsigned char>(flag)) == 'T';
  }
  c.SkipLine("the end of the switch line");
}

void ReadBlock(MtpCursor& c, Tspcmf& e, std::vector<std::string>& folders) {
  e.SpectrumCount = ReadCount(c, "a number of spectra", kMaxSpectra);
  for (int j = 1; j <= e.SpectrumCount; ++j) {
    Tspcsf& spectrum = e.Spectra[static_cast<std::size_t>(j)];
    const int line = c.LineNumber();
    std::string name = FileNameOnly(TrimBlanks(c.ReadLine("a spectral file name")));
    if (name.empty()) c.Fail(line, "expected a spectral file name");
    folders.push_back(ResultFolderName(name));
    spectrum.FileName = std::move(name);
    ReadSpectrumSettings(c, spectrum);
  }
  c.SkipLine("the domains caption");
  e.DomainCount = ReadCount(c, "a number of domains", kMaxDomains);
  for (int k = 1; k <= e.DomainCount; ++k) ReadDomainLine(c, e.Domains[static_cast<std::size_t>(k)]);
  // The error lines are not read back: errors are valid only after the next
  // error analysis.
  for (int k = 1; k <= e.DomainCount; ++k) c.SkipLine("an error line");
  for (int k = 1; k <= e.DomainCount; ++k) ReadSwitchLine(c, e.Domains[static_cast<std::size_t>(k)]);
  ForceLastWeightSwitchOff(e);
  e.GroupNumber = c.ReadInt("the group number");
  c.SkipLine("the end of the group number line");
  const int line = c.LineNumber();
  const std::string fitness = c.ReadLine("the line \"Hi2 (tip: N):\"");
  if (fitness.size() < 11 || !std::isdigit(static_cast<unsigned char>(fitness[10])))
    c.Fail(line, "expected the line \"Hi2 (tip: N):\" with a one-digit fitness type N");
  e.FitnessType = fitness[10] - '0';
  AbsoluteToConditional(e);
  e.SaveSelected = false;
  e.SaveWritten = false;
  e.ErrorsValid = false;
}

constexpr std::string_view kBlockKeyword = "Spectrum characteristics";

void ReadExperiments(MtpCursor& c, Project& p, std::vector<std::string>& folders) {
  if (!c.FindSection(kBlockKeyword, Match::kPrefix, false))
    c.FailHere("expected an experiment block (a line starting with \"Spectrum characteristics\")");
  const int copies = p.CopiesReadPresent && p.CopiesRead >= 2 ? p.CopiesRead : 1;
  int index = 1;
  for (;;) {
    const int block_line = c.SectionLine();
    if (index + copies - 1 > kMaxExperiments) {
      const std::string limit = "the limit of " + std::to_string(kMaxExperiments) + " experiments";
      if (copies > 1)
        c.Fail(block_line, std::to_string(copies) + " copies of this block would exceed " + limit);
      c.Fail(block_line, "this block would exceed " + limit);
    }
    Tspcmf& e = p.Experiment(index);
    ReadBlock(c, e, folders);
    for (int copy = 1; copy < copies; ++copy) p.Experiment(index + copy) = e;
    index += copies - 1;
    p.ExperimentCount = index;
    if (!c.FindSection(kBlockKeyword, Match::kPrefix, false)) break;
    ++index;
  }
}

// ---- Defaults file -----------------------------------------------------------

void ReadDefaults(MtpCursor& c, Project& p) {
  if (!c.FindSection(kBlockKeyword, Match::kPrefix, false))
    c.FailHere("expected the defaults block (a line starting with \"Spectrum characteristics\")");
  Tspcmf& e = p.Experiment(1);
  c.SkipLine("the spectrum count line");
  for (int j = 1; j <= kMaxSpectra; ++j) ReadSpectrumSettings(c, e.Spectra[static_cast<std::size_t>(j)]);
  c.SkipLine("the domains caption");
  for (int t = 0; t < p.DomainTypeCount; ++t) {
    const DomainType type = ReadKeyword(c);
    c.ReadChar("a blank");
    for (int i = 0; i < ParamCount(type); ++i)
      p.DefaultValues[type][i] = c.ReadReal("the default value of " + std::string(Param(type, i).name));
    c.SkipLine("the end of a default values line");
  }
  for (int t = 0; t < p.DomainTypeCount; ++t) {
    const DomainType type = ReadKeyword(c);
    for (int i = 0; i < ParamCount(type); ++i) {
      c.ReadChar("a blank");
      const char flag = c.ReadChar("a default switch (T or F)");
      p.DefaultSwitches[type][i] = std::toupper(static_cast<unsigned char>(flag)) == 'T';
    }
    c.SkipLine("the end of a default switches line");
  }
  c.SkipLine("the line before the fitness type");
  e.FitnessType = c.ReadInt("the default fitness type");
  p.DefaultsLoaded = true;

  // The domains the caller set up take the defaults of their types and share
  // the intensity equally.
  const int n_dom = std::clamp(e.DomainCount, 0, kMaxDomains);
  for (int k = 1; k <= n_dom; ++k) {
    Domain& d = e.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    if (n == 0) continue;
    for (int slot = 1; slot <= n - 1; ++slot)
      d.Values[static_cast<std::size_t>(slot)] = p.DefaultValues[d.type][slot - 1];
    d.Values[0] = 1.0 / n_dom;
    for (int row = 1; row <= n; ++row) d.Switches[static_cast<std::size_t>(row)] = p.DefaultSwitches[d.type][row - 1];
  }
  ForceLastWeightSwitchOff(e);
  AbsoluteToConditional(e);
}

void CreateResultFolders(const std::string& project_dir, const std::vector<std::string>& folders) {
  namespace fs = std::filesystem;
  const fs::path base(project_dir);
  for (const std::string& name : folders) {
    std::error_code ec;
    fs::create_directory(base / name, ec);  // an existing or uncreatable folder is fine
  }
}

}  // namespace

std::string FileNameOnly(std::string_view path) {
  const auto cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string ResultFolderName(std::string_view file_name) {
  const std::size_t keep = file_name.size() > 4 ? file_name.size() - 4 : 0;
  return std::string(file_name.substr(0, keep)) + "_POP";
}

void ReadProject(Project& project, const std::string& path) {
  MtpCursor cursor(path, common::ReadTextLines(path));
  // The project is large (200 experiments); the fresh copy lives on the heap.
  auto fresh = std::make_unique<Project>(project);
  fresh->CopiesReadPresent = false;
  std::vector<std::string> folders;
  const bool defaults = FileNameOnly(path) == kDefaultsFileName;
  ReadHeader(cursor, *fresh);
  if (defaults) {
    ReadDefaults(cursor, *fresh);
  } else {
    ReadExperiments(cursor, *fresh, folders);
    fresh->CurrentExperiment = 1;
    fresh->CopiesPending = fresh->CopiesReadPresent ? fresh->CopiesRead : 1;
    fresh->WriteCopiesLine = false;
    fresh->CopiesRead = 1;
  }
  fresh->MtpFileName = path;
  project = std::move(*fresh);
  if (!defaults) {
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    CreateResultFolders(project.ProjectDir, folders);
  }
}

}  // namespace korvel
