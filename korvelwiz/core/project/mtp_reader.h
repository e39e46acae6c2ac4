#pragma once
// Reading an .mtp project file, and its special instance, the defaults file
// "def_par2.mtp".
//
// The format is keyword driven: each header section is found by searching
// forward for its keyword line, and a missing section leaves the fields it
// would set as they were. Numbers are read in free format ("." as decimal
// separator); lines may end with CR LF or LF.
#include <string>
#include <string_view>

#include "project/format_error.h"
#include "project/records.h"

namespace korvel {

// The defaults file is recognised by its exact file name.
inline constexpr std::string_view kDefaultsFileName = "def_par2.mtp";

// Reads `path` into `project` the way opening a project does.
//
// The file is parsed into a copy of `project`, so fields of sections the file
// lacks keep the values they had; the copy replaces `project` only when the
// whole file was read. On any error `project` is left exactly as it was and
// the call throws FormatError ("FILE:LINE: what was expected") or, when the
// file cannot be read at all, common::FileError.
//
// Project files (any other name): fills the settings, DomainTypeCount and
// experiments 1..ExperimentCount (at most 200; a block holds 1..5 spectra
// and 1..5 domains), converts the absolute weights of the file to
// conditional weights, and multiplies every block by a declared
// "Number of copies:" N >= 2. Spectral file names lose any directory part
// ("\" or "/"). Afterwards CurrentExperiment = 1 and CopiesPending = N
// (1 without the line); WriteCopiesLine is cleared and CopiesRead returns to
// 1, because the copies now exist in memory as separate experiments and a
// later save writes them as such (declaring them again would multiply them
// on every open-save cycle). Once the file is committed, a result folder
// "<name without its last four characters>_POP" is created in ProjectDir
// for every spectral file (failures to create one are ignored).
//
// The defaults file (base name exactly "def_par2.mtp"): fills the settings,
// the spectrum settings of spectra 1..5 of experiment 1, DefaultValues,
// DefaultSwitches, DefaultsLoaded and experiment 1's FitnessType, then
// prepares the domains of experiment 1 (their count and types set by the
// caller) from the defaults with equal weights. Copies bookkeeping is left
// to the caller.
//
// In both cases MtpFileName becomes `path`.
void ReadProject(Project& project, const std::string& path);

// The part of a path after its last "\" or "/" (and after a drive "X:").
std::string FileNameOnly(std::string_view path);

// Result folder name of a spectral file: the name without its last four
// characters (the extension) followed by "_POP".
std::string ResultFolderName(std::string_view file_name);

}  // namespace korvel
