#pragma once
// Writing spectral data files that the loader reads back: for example data
// and for exporting prepared spectra.
#include <span>
#include <string>

#include "spectra/spectrum_error.h"

namespace korvel {

// Writes `values` (and `field_axis` [G] for the two-column formats) to
// `path` in the format of its extension:
//   "dat", "dsp"  one line per point: field, a blank, value
//   "fls"         five header lines, then the "dat" lines
//   "asc"         one value per line
//   "spc"         4-byte big-endian integers round(16 value), halves to even
// Text lines end with CR LF, numbers are fixed point with "." (fields with
// 4 decimals, values with 8). The file is written to a temporary name and
// renamed, so a failure leaves an existing file as it was. Throws
// SpectrumError naming the file for an unknown extension, no values, a
// field axis of another length (two-column formats), a value that is not
// finite, or an "spc" value outside the 32-bit range; common::FileError
// for a failed write.
void WriteSpectrumFile(const std::string& path, std::span<const double> values,
                       std::span<const double> field_axis = {});

}  // namespace korvel
