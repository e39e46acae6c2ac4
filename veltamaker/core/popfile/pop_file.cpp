#include "popfile/pop_file.h"

#include <charconv>
#include <string_view>

#include "common/fixed_format.h"
#include "velta_error.h"

namespace velta {
namespace {

// Reads the free-format tokens of a population file: a number starts after
// any run of blanks and line breaks and ends at the first character below
// code 33; a domain name is the three characters after the blank that
// follows the preceding number.
class PopReader {
 public:
  PopReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

  int Line() const { return line_; }
  // The line a record starts on names it when the file ends inside it.
  void MarkRecordStart() { record_line_ = line_; }

  // Skips blanks and line breaks; true when a token follows.
  bool SkipSpace() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) < 33) Advance();
    return pos_ < text_.size();
  }

  double Number(const char* what) {
    const std::string_view token = Token(what);
    std::string_view digits = token;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    double value = 0;
    const bool starts_well = !digits.empty() && (digits[0] == '-' || digits[0] == '.' ||
                                                 (digits[0] >= '0' && digits[0] <= '9'));
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (!starts_well || ec != std::errc() || end != digits.data() + digits.size())
      Fail("invalid numeric input \"" + std::string(token) + "\" where " + what + " is expected");
    return value;
  }

  int Integer(const char* what) {
    const std::string_view token = Token(what);
    std::string_view digits = token;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
      Fail("invalid numeric input \"" + std::string(token) + "\" where " + what + " is expected");
    return value;
  }

  // The separator after the last number, then three characters. Extra
  // blanks or tabs before the name are tolerated.
  std::string_view Name() {
    if (pos_ < text_.size() && text_[pos_] != '\n') Advance();
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) Advance();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && pos_ - start < 3 && text_[pos_] != '\r' && text_[pos_] != '\n')
      Advance();
    return text_.substr(start, pos_ - start);
  }

  // Whether the rest of the current line starts with a number.
  bool NumberFollowsOnLine() {
    std::size_t p = pos_;
    while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) ++p;
    if (p >= text_.size()) return false;
    const char c = text_[p];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
  }

  void SkipLine() {
    while (pos_ < text_.size() && text_[pos_] != '\n') Advance();
    if (pos_ < text_.size()) Advance();
  }

  [[noreturn]] void Fail(const std::string& what) const { throw VeltaError(AtLine(path_, line_, what)); }

 private:
  void Advance() {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }

  std::string_view Token(const char* what) {
    if (!SkipSpace())
      throw VeltaError(AtLine(path_, record_line_,
                              std::string("the file ends inside the record, where ") + what +
                                  " is expected"));
    const std::size_t start = pos_;
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) >= 33) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  std::string_view text_;
  const std::string& path_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int record_line_ = 1;
};

std::string KnownNames() {
  std::string names;
  for (int code = 1; code <= kTypeCount; ++code) {
    if (code > 1) names += ", ";
    names += TypeName(code);
  }
  return names;
}

// Reads one record; the reader stands at its first token.
SolutionRecord ReadRecord(PopReader& in, bool old_layout, int run_index) {
  SolutionRecord record;
  record.Fitness = static_cast<float>(in.Number("a fitness"));
  record.DomainCount = in.Integer("a domain count");
  record.RunIndex = run_index;
  if (record.DomainCount < 1 || record.DomainCount > kMaxDomains)
    in.Fail("a record holds " + std::to_string(record.DomainCount) + " domains; 1 to " +
            std::to_string(kMaxDomains) + " fit in a record");
  for (int i = 1; i <= record.DomainCount; ++i) {
    const std::string_view name = in.Name();
    const int code = TypeCodeFromName(name);
    if (code == 0)
      in.Fail("unknown domain name \"" + std::string(name) + "\" (known: " + KnownNames() + ")");
    RecordDomain& domain = record.Domains[i];
    domain.TypeCode = static_cast<std::uint8_t>(code);
    const int n = ParamCount(code);
    if (!old_layout) {
      for (int j = 1; j <= n; ++j) domain.Params[j] = in.Number("a parameter value");
    } else {
      // The old layout carried one more value per domain, in 6th place.
      int stored = 0;
      for (int j = 1; j <= n + 1; ++j) {
        const double value = in.Number("a parameter value");
        if (j != 6) domain.Params[++stored] = value;
      }
    }
  }
  in.SkipLine();
  return record;
}

}  // namespace

std::string RecordLine(const SolutionRecord& record) {
  std::string line = common::FormatFixed(record.Fitness, 6, 3);
  line += ' ';
  line += common::FormatInt(record.DomainCount);
  line += ' ';
  for (int i = 1; i <= record.DomainCount && i <= kMaxDomains; ++i) {
    const RecordDomain& domain = record.Domains[i];
    line += TypeName(domain.TypeCode);
    line += ' ';
    for (int j = 1; j <= ParamCount(domain.TypeCode); ++j) {
      line += common::FormatFixed(domain.Params[j], 0, ParamDecimals(domain.TypeCode, j));
      line += ' ';
    }
  }
  return line;
}

void WriteRecordLine(common::CrLfText& out, const SolutionRecord& record) {
  out.Line(RecordLine(record));
}

bool ProbeOldPopLayout(const std::string& bytes) {
  static const std::string kProbe = "(probe)";
  PopReader in(bytes, kProbe);
  try {
    if (!in.SkipSpace()) return false;
    in.Number("a fitness");
    in.Integer("a domain count");
    if (TypeCodeFromName(in.Name()) != kTypeMes) return false;
    for (int j = 1; j <= ParamCount(kTypeMes); ++j) in.Number("a parameter value");
    return in.NumberFollowsOnLine();
  } catch (const VeltaError&) {
    return false;
  }
}

void ReadPopulationText(RecordBatch& batch, const std::string& bytes, const std::string& path) {
  if (batch.RunFileCount < 0) batch.RunFileCount = 0;
  if (batch.RunFileCount >= kMaxRunFiles)
    throw VeltaError(path + ": a run set holds at most " + std::to_string(kMaxRunFiles) +
                     " run files");
  const bool old_layout = ProbeOldPopLayout(bytes);
  const int run_index = batch.RunFileCount + 1;
  const std::size_t records_before = batch.Records.size();
  PopReader in(bytes, path);
  try {
    while (in.SkipSpace()) {
      const int line = in.Line();
      in.MarkRecordStart();
      const SolutionRecord record = ReadRecord(in, old_layout, run_index);
      // A repeat of the record just before is the same solution written
      // again (elitism keeps it from generation to generation).
      if (!batch.Records.empty() && SameRecord(record, batch.Records.back())) continue;
      if (batch.RecordCount() >= kMaxRecords)
        throw VeltaError(AtLine(path, line, "a run set holds at most " +
                                                std::to_string(kMaxRecords) + " records"));
      batch.Records.push_back(record);
    }
  } catch (...) {
    batch.Records.resize(records_before);
    throw;
  }
  batch.RunFileCount = run_index;
  batch.OldPopLayout = old_layout;
}

void ReadPopulationFile(RecordBatch& batch, const std::string& path) {
  ReadPopulationText(batch, common::ReadFileBytes(path), path);
}

}  // namespace velta
