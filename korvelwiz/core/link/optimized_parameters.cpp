#include "link/optimized_parameters.h"

#include <fmt/format.h>

#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "project/weights.h"

namespace korvel {
namespace {

// Thrown inside the parser: the message has not fully arrived yet.
struct NeedMore {};

// Thrown inside the parser: the message cannot be taken.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || IsEnd(s.back()))) s.remove_suffix(1);
  return s;
}

// The ";"-separated fields after the 3-digit index, numbered from 1 in
// problem reports.
class Fields {
 public:
  Fields(std::string_view text, bool at_end) : text_(text), at_end_(at_end), pos_(3) {}

  std::string_view Next() {
    const std::size_t semi = text_.find(';', pos_);
    if (semi == std::string_view::npos) throw NeedMore{};
    std::string_view f = text_.substr(pos_, semi - pos_);
    pos_ = semi + 1;
    ++number_;
    return f;
  }

  // The last field: everything up to a CR, LF or NUL, or to the end of the
  // buffer when nothing more is coming. Sets `length`.
  std::string_view Rest(std::size_t& length) {
    ++number_;
    std::size_t end = pos_;
    while (end < text_.size() && !IsEnd(text_[end])) ++end;
    if (end < text_.size()) {
      length = end + 1;
    } else if (at_end_) {
      length = text_.size();
    } else {
      throw NeedMore{};
    }
    return text_.substr(pos_, end - pos_);
  }

  [[noreturn]] void Fail(std::string_view name, std::string_view field, std::string_view expected) const {
    throw Malformed(fmt::format("field {} ({}): \"{}\" is not {}", number_, name, Shorten(field), expected));
  }

  double Real(std::string_view name) { return ToReal(name, Next()); }

  double ToReal(std::string_view name, std::string_view raw) const {
    std::string_view s = Trim(raw);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
      Fail(name, raw, "a number");
    return v;
  }

  float Single(std::string_view name) {
    const std::string_view raw = Next();
    const double v = ToReal(name, raw);
    if (std::fabs(v) > std::numeric_limits<float>::max()) Fail(name, raw, "a single-precision number");
    return static_cast<float>(v);
  }

  long long ToInt(std::string_view name, std::string_view raw, long long lo, long long hi) const {
    std::string_view s = Trim(raw);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) Fail(name, raw, "an integer");
    if (v < lo || v > hi) Fail(name, raw, fmt::format("an integer in {}..{}", lo, hi));
    return v;
  }

  long long Int(std::string_view name, long long lo = std::numeric_limits<std::int32_t>::min(),
                long long hi = std::numeric_limits<std::int32_t>::max()) {
    return ToInt(name, Next(), lo, hi);
  }

  // "TRUE" sets, "FALSE" clears, anything else leaves the flag.
  void Flag(bool& flag) {
    const std::string_view f = Next();
    if (f == "TRUE") flag = true;
    if (f == "FALSE") flag = false;
  }

 private:
  static std::string Shorten(std::string_view s) {
    std::string out(s.substr(0, 40));
    for (char& c : out)
      if (static_cast<unsigned char>(c) < 0x20) c = '?';
    if (s.size() > 40) out += "...";
    return out;
  }

  std::string_view text_;
  bool at_end_;
  std::size_t pos_;
  int number_ = 0;
};

void ReadTypeTable(Fields& f, TypeParamTable& table, std::string_view what) {
  for (int t = 0; t < kDomainTypeCount; ++t) {
    const auto type = static_cast<DomainType>(t);
    for (int i = 0; i < ParamCount(type); ++i)
      table[t][i] = f.Real(fmt::format("{} of {} {}", what, TypeKeyword(type), Param(type, i).name));
  }
}

// A remote side names files, never paths: whatever directory (or drive)
// comes with a name is dropped, as the project reader does.
std::string WithoutDirectory(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

void ParseFields(Fields& f, Tvrecica& w, std::size_t& length) {
  ProjectSettings& s = w.settings;
  Tspcmf& e = w.exp;

  s.gxx = f.Real("gxx");
  s.gyy = f.Real("gyy");
  s.gzz = f.Real("gzz");
  s.Axx = f.Real("Axx");
  s.Ayy = f.Real("Ayy");
  s.Azz = f.Real("Azz");
  s.AC13iso = f.Real("AC13iso");
  s.AbundanceC13 = f.Real("AbundanceC13");
  s.NoiseAmplitude = f.Real("NoiseAmplitude");
  s.AsymDist1 = f.Real("AsymDist1");
  s.AsymDist2 = f.Real("AsymDist2");

  ReadTypeTable(f, s.LimitMin, "minimum");
  ReadTypeTable(f, s.LimitMax, "maximum");
  ReadTypeTable(f, s.Grid, "grid");

  const std::string_view optimizer = f.Next();
  if (optimizer == "DSO") s.OptimizerKind = 0;
  if (optimizer == "HEA") s.OptimizerKind = 1;

  s.DsoInitialStep = f.Single("DsoInitialStep");
  s.DsoMaxGenPerParam = static_cast<std::int32_t>(f.Int("DsoMaxGenPerParam"));
  s.HeoPopulation = static_cast<std::int32_t>(f.Int("HeoPopulation"));
  s.HeoMutation = f.Single("HeoMutation");
  f.Flag(s.HeoAutoTune);
  f.Flag(s.HeoElitism);
  s.HeoEliteSize = f.Single("HeoEliteSize");
  s.HeoCrossProb = f.Single("HeoCrossProb");

  const std::string_view cross = f.Next();
  if (cross == "UNI") {
    s.HeoCrossKind = 0;
    s.HeoCrossArgUniform = f.Single("HeoCrossArg");
  } else if (cross == "MP") {
    s.HeoCrossKind = 1;
    s.HeoCrossProb = f.Single("HeoCrossProb");
    s.HeoCrossArgPoints = static_cast<std::int32_t>(f.Int("HeoCrossArg"));
  } else {
    f.Fail("crossover", cross, "UNI or MP");
  }

  f.Flag(s.HeoDsoDuring);
  s.HeoDsoDuringProb = f.Single("HeoDsoDuringProb");
  f.Flag(s.HeoDsoAfter);
  s.HeoDsoAfterPart = f.Single("HeoDsoAfterPart");
  f.Flag(s.HeoKboTcD);
  s.HeoKboTcDProb = f.Single("HeoKboTcDProb");
  f.Flag(s.HeoKboWD);
  s.HeoKboWDProb = f.Single("HeoKboWDProb");
  f.Flag(s.HeoKboPolarity);
  s.HeoKboPolarityProb = f.Single("HeoKboPolarityProb");

  f.Flag(s.MultipleFlag1);
  f.Flag(s.MultipleFlag2);
  s.ErrorMethod = static_cast<std::uint8_t>(f.Int("ErrorMethod", 0, 255));
  f.Flag(s.ErrorFlag1);
  f.Flag(s.ErrorFlag2);

  e.SpectrumCount = static_cast<std::int32_t>(f.Int("SpectrumCount", 1, kMaxSpectra));
  for (int j = 1; j <= e.SpectrumCount; ++j) {
    Tspcsf& sp = e.Spectra[static_cast<std::size_t>(j)];
    const std::string_view name = f.Next();
    sp.FileName = WithoutDirectory(Trim(name));
    if (sp.FileName.empty()) f.Fail("FileName", name, "a file name");
    sp.CenterField = f.Real("CenterField");
    sp.Sweep = f.Real("Sweep");
    sp.Frequency = f.Real("Frequency");
    sp.Angle = f.Real("Angle");
  }

  e.DomainCount = static_cast<std::int32_t>(f.Int("DomainCount", 1, kMaxDomains));
  for (int k = 1; k <= e.DomainCount; ++k) {
    Domain& d = e.Domains[static_cast<std::size_t>(k)];
    f.Next();  // the domain number
    // A group code is written as one digit in project files.
    d.GroupCode = static_cast<std::uint8_t>(f.Int("GroupCode", 0, 9));
    const std::string_view keyword = f.Next();
    for (int t = 0; t < kDomainTypeCount; ++t)
      if (keyword == TypeKeyword(static_cast<DomainType>(t))) d.type = static_cast<DomainType>(t);
    const int n = ParamCount(d.type);
    if (n == 0) f.Fail("type", keyword, "a domain type");
    for (int slot = 1; slot <= n; ++slot)
      d.Values[static_cast<std::size_t>(slot)] =
          f.Real(fmt::format("domain {} {}", k, slot < n ? Param(d.type, slot - 1).name : "weight"));
  }
  for (int k = 1; k <= e.DomainCount; ++k) {
    Domain& d = e.Domains[static_cast<std::size_t>(k)];
    f.Next();  // number, group code and keyword are not read again
    f.Next();
    f.Next();
    for (int p = 1; p <= ParamCount(d.type); ++p) {
      const std::string_view flag = f.Next();
      if (flag == "T") d.Switches[static_cast<std::size_t>(p)] = true;
      if (flag == "F") d.Switches[static_cast<std::size_t>(p)] = false;
    }
  }

  f.Next();  // skipped
  const std::string_view group = f.Rest(length);
  e.GroupNumber = static_cast<std::int32_t>(
      f.ToInt("GroupNumber", group, std::numeric_limits<std::int32_t>::min(),
              std::numeric_limits<std::int32_t>::max()));

  ForceLastWeightSwitchOff(e);
  ConditionalToAbsolute(e);
  e.ErrorsValid = false;
}

}  // namespace

OptimizedParse ParseOptimizedParameters(std::string_view buffer, bool at_end, const Project& project) {
  OptimizedParse result;
  int index = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i >= buffer.size()) return result;
    const char c = buffer[i];
    if (c < '0' || c > '9') {
      result.status = OptimizedStatus::kMalformed;
      result.problem = "the message does not start with a 3-digit experiment index";
      return result;
    }
    index = index * 10 + (c - '0');
  }
  result.index = index;
  if (index < 1 || index > project.ExperimentCount) {
    result.status = OptimizedStatus::kMalformed;
    result.problem = fmt::format("experiment {} is outside 1..{}", index, project.ExperimentCount);
    return result;
  }
  result.work = WorkingCopy(project, index);
  Fields fields(buffer, at_end);
  try {
    ParseFields(fields, result.work, result.length);
    result.status = OptimizedStatus::kComplete;
  } catch (const NeedMore&) {
    result.status = OptimizedStatus::kIncomplete;
  } catch (const Malformed& m) {
    result.status = OptimizedStatus::kMalformed;
    result.problem = m.what();
  }
  return result;
}

void CommitOptimizedParameters(Project& project, const OptimizedParse& parse) {
  assert(parse.status == OptimizedStatus::kComplete);
  project.vreca.settings = parse.work.settings;
  project.Experiment(parse.index) = parse.work.exp;
  project.CurrentExperiment = parse.index;
}

}  // namespace korvel
