#pragma once
// What a spectral data file holds, for a user who fills a project's
// spectrum lines from it (and for making a project from files).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "spectra/spectrum_error.h"

namespace korvel {

struct SpectrumInfo {
  std::string path;
  std::string format;  // "asc", "dat", "dsp", "fls", "spc", "WinEPR", "BES3T"
  std::size_t points = 0;
  // The field axis [G], when the file has one: first and last point and the
  // mean step (last - first)/(points - 1).
  std::optional<double> field_first, field_last, field_step;
  // Recorded conditions, where the file carries them.
  std::optional<double> center_field;  // [G]
  std::optional<double> sweep;         // [G]
  std::optional<double> frequency;     // [GHz]
  std::vector<std::string> notes;      // the reader's notes, then what loading will do
};

// Reads the file as the loader does (any supported format) and describes
// it. Throws SpectrumError as ReadSpectralValues does. A file that the
// loader would refuse (fewer than two values, all values 0) is described
// with a note saying so.
SpectrumInfo DescribeSpectralFile(const std::string& path);

// The description as text lines ending with "\n", for a terminal:
//   <path>: <format>, <points> points
//     field axis: <first> .. <last> G, step <step> G
//     center field: <Bc> G, sweep: <Sw> G, frequency: <nu> GHz
//     note: <note>
// Lines without content are left out; fields with 3 decimals, the step
// with 6, the frequency with 6.
std::string SpectrumInfoText(const SpectrumInfo& info);

}  // namespace korvel
