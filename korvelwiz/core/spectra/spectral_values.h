#pragma once
// Reading the values of one spectral data file, in file order, before any
// of the loader's processing. The format is chosen by the last three
// characters of the file name, compared without regard to case and whether
// or not a dot precedes them:
//   "asc"         text, one number per line
//   "dat", "dsp"  text, two numbers per line: field [G], value
//   "fls"         text, 5 header lines, then two numbers per line
//   "spc"         binary 4-byte big-endian signed integers, value = n / 16;
//                 when a companion ".par" holds the line "DOS  Format", a
//                 WinEPR file of little-endian float32 values instead
//   "dta", "dsc"  the BES3T pair stem.DSC (descriptor) + stem.DTA (data)
// Text is read tolerantly (CR LF, LF or CR line ends, blanks or tabs
// between numbers, blank lines skipped, further numbers on a line ignored).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "spectra/spectrum_error.h"

namespace korvel {

// A file may hold at most this many values; more is refused (real
// spectrometers record a few thousand points).
inline constexpr std::size_t kMaxFileValues = 1u << 20;

struct SpectralValues {
  std::string format;              // "asc", "dat", "dsp", "fls", "spc", "WinEPR", "BES3T"
  std::vector<double> values;      // in file order
  std::vector<double> field_axis;  // [G], one per value; empty when the file has none
  // Recorded conditions, where the file carries them.
  std::optional<double> center_field;  // [G]
  std::optional<double> sweep;         // [G]
  std::optional<double> frequency;     // [GHz]
  std::vector<std::string> notes;      // what a user should know (complex data, ...)
};

// The last three characters of a file name in lower case ("" when shorter).
std::string SpectralExtension(const std::string& file_name);

// Reads the file by its extension. Throws SpectrumError naming the file
// (and the line for text) for a missing or unreadable file, a bad number, an
// unknown extension, a truncated or inconsistent binary file, or more than
// kMaxFileValues values. Does not check the count or the values otherwise.
SpectralValues ReadSpectralValues(const std::string& path);

// The readers behind ReadSpectralValues, one per layout.
SpectralValues ReadAscFile(const std::string& path);
// `header_lines` lines are skipped first (0 for "dat"/"dsp", 5 for "fls").
SpectralValues ReadTwoColumnFile(const std::string& path, int header_lines);
// The big-endian integer ".spc" with no WinEPR companion.
SpectralValues ReadIntegerSpcFile(const std::string& path);
// A WinEPR ".spc" read with its ".par" companion `par_path`.
SpectralValues ReadWinEprFile(const std::string& spc_path, const std::string& par_path);
// `path` names either member of the BES3T pair.
SpectralValues ReadBes3tFile(const std::string& path);

// The companion ".par" of an ".spc" that marks it as a WinEPR file, or ""
// when there is none (or it lacks the "DOS  Format" line).
std::string WinEprCompanion(const std::string& spc_path);

}  // namespace korvel
