#pragma once
// File access shared by the readers of this folder.
#include <string>

namespace korvel::spectra_detail {

// The whole file as bytes; a missing or unreadable file is a SpectrumError
// naming it.
std::string ReadBytes(const std::string& path);

// `path` with its last three characters replaced by `extension` (given in
// upper case), trying upper case, lower case and the case of `path`'s own
// extension in turn; the first name that exists, or "" when none does.
std::string FindCompanion(const std::string& path, const std::string& extension);

// True when `path` names an existing regular file.
bool FileExists(const std::string& path);

}  // namespace korvel::spectra_detail
