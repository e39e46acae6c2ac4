#include "spectra/spectral_values.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "common/text_file.h"
#include "spectra/spectrum_io.h"
#include "spectra/text_numbers.h"

namespace korvel {

namespace spectra_detail {

std::string ReadBytes(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec))
    throw SpectrumError(path + ": is a folder, not a spectral file");
  try {
    return common::ReadFileBytes(path);
  } catch (const common::FileError& e) {
    throw SpectrumError(e.what());
  }
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string FindCompanion(const std::string& path, const std::string& extension) {
  if (path.size() < 3) return "";
  const std::string stem = path.substr(0, path.size() - 3);
  const std::string own = path.substr(path.size() - 3);
  const bool own_lower = std::none_of(
      own.begin(), own.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); });
  const std::string lower = Lower(extension);
  for (const std::string& ext : own_lower ? std::vector<std::string>{lower, extension}
                                          : std::vector<std::string>{extension, lower}) {
    if (FileExists(stem + ext)) return stem + ext;
  }
  // Any other spelling of the name (files copied between systems keep odd
  // cases such as ".Dsc").
  namespace fs = std::filesystem;
  const fs::path wanted = fs::path(stem + extension);
  const fs::path dir = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
  const std::string wanted_name = Lower(wanted.filename().string());
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (Lower(it->path().filename().string()) == wanted_name && it->is_regular_file(ec)) {
      return wanted.has_parent_path() ? (dir / it->path().filename()).string()
                                      : it->path().filename().string();
    }
  }
  return "";
}

}  // namespace spectra_detail

std::string SpectralExtension(const std::string& file_name) {
  if (file_name.size() < 3) return "";
  return spectra_detail::Lower(file_name.substr(file_name.size() - 3));
}

SpectralValues ReadSpectralValues(const std::string& path) {
  const std::string ext = SpectralExtension(path);
  if (ext == "asc") return ReadAscFile(path);
  if (ext == "dat" || ext == "dsp") return ReadTwoColumnFile(path, 0);
  if (ext == "fls") return ReadTwoColumnFile(path, 5);
  if (ext == "spc") {
    if (!spectra_detail::FileExists(path)) spectra_detail::ReadBytes(path);  // the open error
    const std::string par = WinEprCompanion(path);
    return par.empty() ? ReadIntegerSpcFile(path) : ReadWinEprFile(path, par);
  }
  if (ext == "dta" || ext == "dsc") return ReadBes3tFile(path);
  throw SpectrumError(spectra_detail::Where(path) + "unknown spectral file type \"" + ext +
                      "\" (known: asc, dat, dsp, fls, spc, dta, dsc)");
}

}  // namespace korvel
