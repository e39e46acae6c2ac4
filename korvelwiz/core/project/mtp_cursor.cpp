#include "project/mtp_cursor.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "project/format_error.h"

namespace korvel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimRight(s);
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// from_chars takes no leading "+"; one is allowed, but only before digits.
std::string_view WithoutPlus(std::string_view token) {
  if (token.size() >= 2 && token[0] == '+' && token[1] != '+' && token[1] != '-') token.remove_prefix(1);
  return token;
}

std::string Quoted(std::string_view token) { return "\"" + std::string(token) + "\""; }

}  // namespace

MtpCursor::MtpCursor(std::string file, std::vector<std::string> lines)
    : file_(std::move(file)), lines_(std::move(lines)) {}

int MtpCursor::LineNumber() const {
  if (line_ < lines_.size()) return static_cast<int>(line_) + 1;
  return lines_.empty() ? 1 : static_cast<int>(lines_.size());
}

void MtpCursor::Fail(int line, const std::string& what) const { throw FormatError(file_, line, what); }

void MtpCursor::FailAtEnd(std::string_view what) const {
  Fail(LineNumber(), "expected " + std::string(what) + ", found the end of the file");
}

bool MtpCursor::FindSection(std::string_view keyword, Match match, bool rewind) {
  while (line_ < lines_.size()) {
    const std::string& whole = lines_[line_];
    const std::string_view text = TrimRight(std::string_view(whole).substr(std::min(col_, whole.size())));
    const bool found = match == Match::kWhole ? text == keyword : text.substr(0, keyword.size()) == keyword;
    ++line_;
    col_ = 0;
    if (found) {
      section_line_ = static_cast<int>(line_);
      return true;
    }
  }
  if (rewind) SeekLine(0);
  return false;
}

std::string MtpCursor::ReadLine(std::string_view what) {
  if (AtEnd()) FailAtEnd(what);
  const std::string& whole = lines_[line_];
  std::string rest = col_ < whole.size() ? whole.substr(col_) : std::string();
  ++line_;
  col_ = 0;
  return rest;
}

void MtpCursor::SkipLine(std::string_view what) {
  if (AtEnd()) FailAtEnd(what);
  ++line_;
  col_ = 0;
}

char MtpCursor::ReadChar(std::string_view what) {
  if (AtEnd()) FailAtEnd(what);
  const std::string& whole = lines_[line_];
  if (col_ >= whole.size()) return '\n';
  return whole[col_++];
}

bool MtpCursor::ReadBoolLine(std::string_view what) {
  const std::string line = ReadLine(what);
  const std::string_view text = Trim(line);
  static constexpr std::string_view kTrue = "true";
  if (text.size() != kTrue.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != kTrue[i]) return false;
  return true;
}

bool MtpCursor::RestOfLineBlank() const {
  if (AtEnd()) return true;
  const std::string& whole = lines_[line_];
  for (std::size_t i = col_; i < whole.size(); ++i)
    if (!IsBlank(whole[i])) return false;
  return true;
}

std::string_view MtpCursor::NextToken(std::string_view what) {
  for (;;) {
    if (AtEnd()) FailAtEnd(what);
    const std::string& whole = lines_[line_];
    while (col_ < whole.size() && IsBlank(whole[col_])) ++col_;
    if (col_ < whole.size()) break;
    ++line_;
    col_ = 0;
  }
  const std::string& whole = lines_[line_];
  const std::size_t start = col_;
  while (col_ < whole.size() && !IsBlank(whole[col_])) ++col_;
  token_line_ = static_cast<int>(line_) + 1;
  return std::string_view(whole).substr(start, col_ - start);
}

double MtpCursor::ReadReal(std::string_view what) {
  const std::string_view token = NextToken(what);
  // Only plain decimal and exponent forms: from_chars alone would also take
  // "inf" and "nan", which no writer of these files produces.
  bool digits = false;
  for (char c : token) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digits = true;
    } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
      digits = false;
      break;
    }
  }
  const std::string_view body = WithoutPlus(token);
  double value = 0;
  const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (!digits || ec != std::errc() || end != body.data() + body.size() || !std::isfinite(value))
    Fail(token_line_, "expected " + std::string(what) + " (a number), found " + Quoted(token));
  return value;
}

std::int32_t MtpCursor::ReadInt(std::string_view what) {
  const std::string_view token = NextToken(what);
  const std::string_view body = WithoutPlus(token);
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (body.empty() || ec != std::errc() || end != body.data() + body.size())
    Fail(token_line_, "expected " + std::string(what) + " (an integer), found " + Quoted(token));
  return value;
}

}  // namespace korvel
