#pragma once
// The reference project of an analysed spectrum: the .mtp file in the
// project folder whose experiment names the spectrum of the run folder. It
// gives the signal-to-noise ratio that sets the kernel widths, and (for the
// weight correction) the project header.
#include <optional>
#include <string>
#include <vector>

namespace velta {

struct ReferenceInfo {
  std::string ReferenceMtp;      // full path, empty when none was found
  std::string SpectrumFileName;  // no folder
  bool ReferenceFound = false;
  bool SpectrumFound = false;
};

// The spectrum file name of a project that names `stem`: at every line
// starting with "Spectrum characteristics", the second line after it is
// the first spectrum's file; its name without folder and without its last
// four characters must equal the stem (case-sensitive). Empty when none.
std::string MatchingSpectrum(const std::vector<std::string>& lines, const std::string& stem);

// Searches project_dir/*.mtp in name order, skipping names that contain
// "wc" (the weight-correction projects). The first matching candidate is
// taken; a later one replaces it when it is older, or when its name has "1"
// before its first "." (which also ends the search, as does such a first
// candidate). Sets SpectrumFound when the spectral file lies in the project
// folder. Notes tell when the reference or the spectrum is missing.
ReferenceInfo FindReference(const std::string& project_dir, const std::string& stem,
                            std::vector<std::string>& notes);

// The S/N of the spectrum in the reference: after the "Spectrum
// characteristics" line whose second following line contains the stem, the
// line after the first "Hi2" line holds "fitness (S/N=45)"; the text between
// its first "=" and first ")" is the integer. A block of several spectra
// writes one value per spectrum ("45, 38"): the first is taken and a note
// says so. Empty when there is no such block. Throws VeltaError naming the
// file and line when the text is not an integer (or a list of them).
std::optional<int> ReadSignalToNoise(const std::string& reference_path, const std::string& stem,
                                     std::vector<std::string>& notes);

}  // namespace velta
