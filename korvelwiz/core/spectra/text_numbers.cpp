#include "spectra/text_numbers.h"

#include <charconv>
#include <cmath>

#include "spectra/spectrum_error.h"

namespace korvel::spectra_detail {

std::vector<std::string_view> SplitAnyLineEnds(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) tokens.push_back(line.substr(i, j - i));
    i = j;
  }
  return tokens;
}

std::string Where(const std::string& path, std::size_t line) {
  return line > 0 ? path + ": line " + std::to_string(line) + ": " : path + ": ";
}

double ParseNumber(std::string_view token, const std::string& path, std::size_t line) {
  std::string_view digits = token;
  // from_chars takes no leading '+', which free-format input allows.
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
    throw SpectrumError(Where(path, line) + "\"" + std::string(token) + "\" is not a number");
  return value;
}

}  // namespace korvel::spectra_detail
