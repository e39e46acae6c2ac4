#include "wc/wc_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>

#include "common/fixed_format.h"
#include "common/rounding.h"
#include "common/text_file.h"
#include "records/type_tables.h"
#include "runset/run_set_paths.h"
#include "velta_error.h"

namespace velta {
namespace {

constexpr std::string_view kBlockKeyword = "Spectrum characteristics";
constexpr int kMaxNumberedNames = 999;
// The mes domains of the old population layout had one parameter more,
// written sixth; the limits and grid lines of such a reference carry it.
constexpr int kOldMesParams = 12;
constexpr int kDroppedOldMesParam = 6;

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string WithoutFolder(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.emplace_back(line.substr(start, i - start));
  }
  return words;
}

std::optional<double> Number(const std::string& word) {
  double value = 0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (word.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// Reads the reference line by line and builds the correction file.
class Copier {
 public:
  Copier(const std::string& path, const std::vector<std::string>& lines) : path_(path), lines_(lines) {}

  bool AtEnd() const { return next_ >= lines_.size(); }
  const std::string& Peek() const { return lines_[next_]; }
  int LineNumber() const { return static_cast<int>(next_) + 1; }  // of the line Peek() shows
  const std::string& Take() { return lines_[next_++]; }
  void CopyLine() { out_.Line(Take()); }
  void Write(std::string_view text) { out_.Line(text); }

  // Copies lines up to and including the line equal to `keyword`.
  void CopyThrough(std::string_view keyword) {
    while (!AtEnd()) {
      const std::string& line = Take();
      out_.Line(line);
      if (line == keyword) return;
    }
    throw VeltaError(AtLine(path_, 0, "no line \"" + std::string(keyword) + "\" in the reference project"));
  }

  void CopyLines(int count) {
    for (int i = 0; i < count; ++i) {
      if (AtEnd()) throw VeltaError(AtLine(path_, LineNumber(), "the reference project ends early"));
      CopyLine();
    }
  }

  // A line of `count` numbers, for the old-layout rewrite.
  std::vector<double> TakeNumbers(std::size_t count) {
    if (AtEnd()) throw VeltaError(AtLine(path_, LineNumber(), "the reference project ends early"));
    const int number = LineNumber();
    const std::vector<std::string> words = Words(Take());
    std::vector<double> values;
    for (const std::string& w : words) {
      const auto v = Number(w);
      if (!v) throw VeltaError(AtLine(path_, number, "\"" + w + "\" is not a number"));
      values.push_back(*v);
    }
    if (values.size() < count)
      throw VeltaError(AtLine(path_, number,
                              "expected " + std::to_string(count) + " numbers, found " + std::to_string(values.size())));
    return values;
  }

  const std::string& Path() const { return path_; }
  std::string Text() const { return out_.str(); }

 private:
  const std::string& path_;
  const std::vector<std::string>& lines_;
  std::size_t next_ = 0;
  common::CrLfText out_;
};

std::string MesValue(double value, int param) {
  const int decimals = ParamDecimals(kTypeMes, param);
  return common::FormatFixed(value, decimals + 1, decimals) + " ";
}

// Old layout: the mes limits (12 pairs) and grid (12 values) lose their
// sixth parameter; the rest are written with the decimals of the mes
// parameter they now belong to.
void RewriteOldMesLines(Copier& c) {
  c.CopyThrough("Limits:");
  c.CopyLines(4);
  {
    const std::vector<double> limits = c.TakeNumbers(2 * kOldMesParams);
    std::string line;
    for (int q = 1, p = 1; q <= kOldMesParams; ++q) {
      if (q == kDroppedOldMesParam) continue;
      line += MesValue(limits[static_cast<std::size_t>(2 * (q - 1))], p);
      line += MesValue(limits[static_cast<std::size_t>(2 * (q - 1) + 1)], p);
      ++p;
    }
    c.Write(line);
  }
  c.CopyThrough("Grids:");
  c.CopyLines(4);
  const std::vector<double> grid = c.TakeNumbers(kOldMesParams);
  std::string line;
  for (int q = 1, p = 1; q <= kOldMesParams; ++q) {
    if (q == kDroppedOldMesParam) continue;
    line += MesValue(grid[static_cast<std::size_t>(q - 1)], p++);
  }
  c.Write(line);
}

// Whether a spectral file name (any folder) is the analysed spectrum: its
// name less the extension equals the stem, ignoring case.
bool NamesStem(const std::string& file_line, const std::string& stem) {
  std::string name = WithoutFolder(file_line);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  return name.size() >= 4 && Lower(name.substr(0, name.size() - 4)) == Lower(stem);
}

}  // namespace

bool RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return !ec && !std::filesystem::exists(path, ec);
}

WcPaths ChooseWcPaths(const std::string& project_dir, const std::string& stem, const RemoveFileFn& remove) {
  for (int m = 0; m <= kMaxNumberedNames; ++m) {
    const std::string base = m == 0 ? stem : stem + "_" + std::to_string(m);
    WcPaths paths{JoinPath(project_dir, base + "_wc.mtp"), JoinPath(project_dir, base + "_wc1.mtp")};
    std::error_code ec;
    if (!std::filesystem::exists(paths.WcResultPath, ec) || remove(paths.WcResultPath)) return paths;
  }
  throw VeltaError("The old weight-correction results " + JoinPath(project_dir, stem + "_wc1.mtp") +
                   " and its numbered alternatives cannot be removed");
}

const std::vector<WcParamSource>& MtpParamDim(ModelClass model_class) {
  static const std::vector<WcParamSource> kMem{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {0, 1}};
  static const std::vector<WcParamSource> kLle{{2, 0}, {3, 0}, {1, 0}, {4, 0}, {0, 0}};
  static const std::vector<WcParamSource> kMes{{0, -1}, {0, 0}, {0, 0}, {0, 0}, {1, 0},
                                               {5, 0},  {2, 0}, {3, 0}, {4, 0}, {6, 0}};
  static const std::vector<WcParamSource> kNone;
  switch (model_class) {
    case 1: return kMem;
    case 2: return kLle;
    case 3: return kMes;
    default: return kNone;
  }
}

std::string CorrectionFileText(const std::string& reference_path, const std::vector<std::string>& reference,
                               const std::string& stem, bool old_pop_layout, const AnalysisState& state) {
  if (state.Class < 1 || state.Class > 3)
    throw VeltaError("The analysis has no mem, lle or mes solutions to correct");
  Copier c(reference_path, reference);
  if (old_pop_layout) RewriteOldMesLines(c);

  // The correction runs the downhill simplex once on one copy.
  c.CopyThrough("Optimization used:");
  if (!c.AtEnd()) c.Take();
  c.Write("DSO");
  bool at_block = false;
  while (!c.AtEnd()) {
    if (c.Peek() == "Number of copies:") {
      c.Take();
      if (!c.AtEnd()) c.Take();
      break;
    }
    if (StartsWith(c.Peek(), kBlockKeyword)) {
      at_block = true;
      break;
    }
    c.CopyLine();
  }
  c.Write("Number of copies:");
  c.Write("1");
  if (!at_block)
    while (!c.AtEnd() && !StartsWith(c.Peek(), kBlockKeyword)) c.CopyLine();

  // The analysed spectrum's block: any of its spectra may name it; the
  // block written holds that one spectrum.
  bool found = false;
  while (!found && !c.AtEnd()) {
    if (!StartsWith(c.Take(), kBlockKeyword)) continue;
    if (c.AtEnd()) break;
    const auto count = Number(Words(c.Peek()).empty() ? std::string() : Words(c.Peek())[0]);
    if (!count) continue;
    c.Take();
    for (int j = 1; j <= static_cast<int>(*count) && !c.AtEnd(); ++j) {
      const std::string& file = c.Take();
      if (c.AtEnd()) break;
      if (NamesStem(file, stem)) {
        c.Write("Spectrum characteristics-1:");
        c.Write("1");
        c.Write(WithoutFolder(file));
        c.CopyLine();  // center field, sweep, frequency, angle
        while (!c.AtEnd() && !StartsWith(c.Peek(), "Domains")) c.Take();
        if (c.AtEnd()) throw VeltaError(AtLine(reference_path, 0, "the block of " + stem + " has no domains line"));
        c.CopyLine();
        c.Write(std::to_string(kWcSlotCount));
        found = true;
        break;
      }
      c.Take();
    }
  }
  if (!found) throw VeltaError(AtLine(reference_path, 0, "no experiment block names the spectrum " + stem));

  const ClassTable& table = state.Table();
  const int type = table.ClassTypeCode;
  const std::string keyword(TypeName(type));
  const int n = ParamCount(type);
  const std::vector<WcParamSource>& sources = MtpParamDim(state.Class);
  for (int i = 1; i <= kWcSlotCount; ++i) {
    const SliceGroup& slot = state.Plot.Slots[i];
    std::string line = std::to_string(i) + " 2 " + keyword;
    for (int p = 1; p <= n - 1; ++p) {
      const WcParamSource& source = sources[static_cast<std::size_t>(p - 1)];
      const int decimals = ParamDecimals(type, p);
      line += " ";
      line += source.Dim > 0 ? common::FormatFixed(slot.Mean[source.Dim], decimals + 1, decimals)
                             : std::to_string(source.FixedValue);
    }
    // A slot that no solution filled carries no weight.
    const double weight = i <= state.Plot.FilledSlots ? slot.Weight : 0.0;
    const int weight_decimals = ParamDecimals(type, n);
    line += " " + common::FormatFixed(weight, weight_decimals + 1, weight_decimals);
    c.Write(line);
  }
  for (int i = 1; i <= kWcSlotCount; ++i) c.Write(std::to_string(i) + " 2 " + keyword + " nothing");
  for (int i = 1; i <= kWcSlotCount; ++i) {
    std::string line = std::to_string(i) + " 2 " + keyword + " ";
    for (int p = 1; p <= n - 1; ++p) line += state.Class == 1 && p == 5 ? "T " : "F ";
    c.Write(line + "T");
  }
  while (!c.AtEnd() && !StartsWith(c.Peek(), "Hi2")) c.Take();
  if (!c.AtEnd()) {
    c.Write("1");
    c.CopyLine();
    if (!c.AtEnd()) c.CopyLine();
  }
  return c.Text();
}

std::string EngineCommandLine(const std::string& engine_path, const std::string& wc_mtp_path) {
  return engine_path + " -p=\"" + wc_mtp_path + "\" -n=1 -k=1";
}

std::vector<std::string> SplitCommandLine(const std::string& command_line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (const char ch : command_line) {
    if (ch == '"') {
      quoted = !quoted;
      in_word = true;
    } else if (ch == ' ' && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += ch;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

WcResult ParseWcResult(const std::string& path, const std::vector<std::string>& lines) {
  std::size_t i = 0;
  while (i < lines.size() && !StartsWith(lines[i], "Domains")) ++i;
  if (i + 1 >= lines.size()) throw VeltaError(AtLine(path, 0, "no domains line"));
  ++i;
  const std::vector<std::string> count_words = Words(lines[i]);
  const auto count = count_words.empty() ? std::nullopt : Number(count_words[0]);
  if (!count || *count < 1 || *count > kMaxDomains)
    throw VeltaError(AtLine(path, static_cast<int>(i + 1), "the domain count is not 1 to 5"));
  WcResult result;
  for (int k = 1; k <= static_cast<int>(*count); ++k) {
    ++i;
    if (i >= lines.size()) throw VeltaError(AtLine(path, static_cast<int>(i + 1), "the domain lines end early"));
    const std::vector<std::string> words = Words(lines[i]);
    const int type = words.size() >= 3 ? TypeCodeFromName(words[2]) : 0;
    const std::size_t numbers = static_cast<std::size_t>(ParamCount(type));
    if (type == 0 || words.size() < 3 + numbers)
      throw VeltaError(AtLine(path, static_cast<int>(i + 1), "not a complete domain line"));
    const auto weight = Number(words[2 + numbers]);
    if (!weight) throw VeltaError(AtLine(path, static_cast<int>(i + 1), "the weight is not a number"));
    result.Weights.push_back(*weight);
  }
  while (i < lines.size() && !StartsWith(lines[i], "Hi2")) ++i;
  if (i + 1 >= lines.size()) throw VeltaError(AtLine(path, 0, "no fitness after the \"Hi2\" line"));
  const std::vector<std::string> fitness_words = Words(lines[i + 1]);
  const auto fitness = fitness_words.empty() ? std::nullopt : Number(fitness_words[0]);
  if (!fitness) throw VeltaError(AtLine(path, static_cast<int>(i + 2), "the fitness is not a number"));
  result.Fitness = *fitness;
  return result;
}

std::string WeightLabel(double weight) { return std::to_string(common::RoundToInt(100.0 * weight)); }

}  // namespace velta
