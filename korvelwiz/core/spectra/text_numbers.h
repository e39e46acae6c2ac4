#pragma once
// Token reading shared by the text readers of this folder.
#include <string>
#include <string_view>
#include <vector>

namespace korvel::spectra_detail {

// Splits text at CR LF, LF or a lone CR (old spectrometer software writes
// CR only); a final line without a line end is kept.
std::vector<std::string_view> SplitAnyLineEnds(std::string_view text);

// Blank- or tab-separated tokens of one line.
std::vector<std::string_view> Tokens(std::string_view line);

// A finite floating-point number in free format ("-1.5", "+2", "3e-4",
// ".5"); the whole token must be the number. Throws SpectrumError
// "<path>: line <n>: ..." otherwise.
double ParseNumber(std::string_view token, const std::string& path, std::size_t line);

// An error message with the file and, when line > 0, the line.
std::string Where(const std::string& path, std::size_t line = 0);

}  // namespace korvel::spectra_detail
