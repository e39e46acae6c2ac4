// The text layouts: one number per line ("asc"), or a field and a value per
// line ("dat", "dsp", and "fls" after its five header lines).
#include <string>

#include "common/text_file.h"
#include "spectra/spectral_values.h"
#include "spectra/spectrum_io.h"
#include "spectra/text_numbers.h"

namespace korvel {
namespace {

using spectra_detail::ParseNumber;
using spectra_detail::Tokens;
using spectra_detail::Where;

void CheckCapacity(const SpectralValues& out, const std::string& path, std::size_t line) {
  if (out.values.size() >= kMaxFileValues)
    throw SpectrumError(Where(path, line) + "more than " + std::to_string(kMaxFileValues) +
                        " values; a spectrum holds at most that many");
}

}  // namespace

SpectralValues ReadAscFile(const std::string& path) {
  const std::string text = spectra_detail::ReadBytes(path);
  SpectralValues out;
  out.format = "asc";
  std::size_t line_no = 0;
  for (std::string_view line : spectra_detail::SplitAnyLineEnds(text)) {
    ++line_no;
    const auto tokens = Tokens(line);
    if (tokens.empty()) continue;
    CheckCapacity(out, path, line_no);
    out.values.push_back(ParseNumber(tokens[0], path, line_no));
  }
  return out;
}

SpectralValues ReadTwoColumnFile(const std::string& path, int header_lines) {
  const std::string text = spectra_detail::ReadBytes(path);
  SpectralValues out;
  out.format = header_lines > 0 ? "fls" : SpectralExtension(path);
  std::size_t line_no = 0;
  for (std::string_view line : spectra_detail::SplitAnyLineEnds(text)) {
    ++line_no;
    if (line_no <= static_cast<std::size_t>(header_lines)) continue;
    const auto tokens = Tokens(line);
    if (tokens.empty()) continue;
    if (tokens.size() < 2)
      throw SpectrumError(Where(path, line_no) +
                          "expected two numbers (field and value), found one");
    CheckCapacity(out, path, line_no);
    out.field_axis.push_back(ParseNumber(tokens[0], path, line_no));
    out.values.push_back(ParseNumber(tokens[1], path, line_no));
  }
  return out;
}

}  // namespace korvel
