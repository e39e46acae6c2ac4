#include "link/link_requests.h"

#include <fmt/format.h>

namespace korvel {
namespace {

constexpr std::string_view kWorkersPrefix = "Nbb=";
constexpr std::string_view kSpectraPrefix = "Spc";
constexpr std::string_view kNextRequest = "Next";
constexpr int kMaxCountDigits = 9;

constexpr bool IsSeparator(char c) {
  return c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\0' || c == ';';
}
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsPrefixOf(std::string_view part, std::string_view whole) {
  return part.size() < whole.size() && whole.substr(0, part.size()) == part;
}

std::string Printable(std::string_view s) {
  std::string out(s.substr(0, 40));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  if (s.size() > 40) out += "...";
  return out;
}

}  // namespace

RequestStep TakeRequest(std::string_view buffer, bool at_end) {
  RequestStep step;
  std::size_t skip = 0;
  while (skip < buffer.size() && IsSeparator(buffer[skip])) ++skip;
  step.length = skip;
  const std::string_view s = buffer.substr(skip);
  if (s.empty()) return step;

  if (s.starts_with(kNextRequest)) {
    step.status = RequestStatus::kRequest;
    step.request.kind = RequestKind::kNext;
    step.length += kNextRequest.size();
    return step;
  }
  if (s.starts_with(kSpectraPrefix)) {
    if (s.size() < kSpectraPrefix.size() + 2) return step;
    step.status = RequestStatus::kRequest;
    step.request.kind = RequestKind::kSpectra;
    step.request.echoed = std::string(s.substr(kSpectraPrefix.size(), 2));
    step.length += kSpectraPrefix.size() + 2;
    return step;
  }
  if (s.starts_with(kWorkersPrefix)) {
    std::size_t i = kWorkersPrefix.size();
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const std::size_t first_digit = i;
    while (i < s.size() && IsDigit(s[i]) && i - first_digit <= kMaxCountDigits) ++i;
    const std::size_t digits = i - first_digit;
    if (digits > kMaxCountDigits) {
      while (i < s.size() && IsDigit(s[i])) ++i;
      step.status = RequestStatus::kJunk;
      step.problem = fmt::format("worker count of \"{}\" is too long", Printable(s.substr(0, i)));
      step.length += i;
      return step;
    }
    // The count may go on; a sender that paused after it has finished it.
    if (i == s.size() && (!at_end || digits == 0)) return step;
    if (digits == 0) {
      while (i < s.size() && s[i] != 'N' && s[i] != 'S') ++i;
      step.status = RequestStatus::kJunk;
      step.problem = fmt::format("\"{}\" has no worker count", Printable(s.substr(0, i)));
      step.length += i;
      return step;
    }
    int n = 0;
    for (std::size_t k = first_digit; k < i; ++k) n = n * 10 + (s[k] - '0');
    step.status = RequestStatus::kRequest;
    step.request.kind = RequestKind::kWorkers;
    step.request.workers = negative ? -n : n;
    step.length += i;
    return step;
  }
  if (IsPrefixOf(s, kNextRequest) || IsPrefixOf(s, kSpectraPrefix) || IsPrefixOf(s, kWorkersPrefix))
    return step;
  // Junk runs to the next character that may start a request.
  std::size_t end = 1;
  while (end < s.size() && s[end] != 'N' && s[end] != 'S') ++end;
  step.status = RequestStatus::kJunk;
  step.problem = fmt::format("unknown request \"{}\"", Printable(s.substr(0, end)));
  step.length += end;
  return step;
}

}  // namespace korvel
