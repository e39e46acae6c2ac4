// WinEPR spectra: a ".spc" of little-endian float32 values described by a
// ".par" text whose "DOS  Format" line sets them apart from the older
// big-endian integer ".spc" of the same name.
#include <cmath>
#include <map>
#include <string>

#include "spectra/binary_values.h"
#include "spectra/spectral_values.h"
#include "spectra/spectrum_io.h"
#include "spectra/text_numbers.h"

namespace korvel {
namespace {

using spectra_detail::Where;

struct Parameters {
  std::string path;
  bool dos_format = false;
  std::map<std::string, std::string> keys;  // first occurrence of each key
  std::map<std::string, std::size_t> lines;

  bool Has(const std::string& key) const { return keys.count(key) != 0; }
  double Number(const std::string& key) const {
    return spectra_detail::ParseNumber(keys.at(key), path, lines.at(key));
  }
};

// The ".par" is a text of "KEY value" lines; WinEPR ends them with CR alone.
Parameters ReadParameters(const std::string& path) {
  Parameters p;
  p.path = path;
  const std::string text = spectra_detail::ReadBytes(path);
  std::size_t line_no = 0;
  for (std::string_view line : spectra_detail::SplitAnyLineEnds(text)) {
    ++line_no;
    const auto tokens = spectra_detail::Tokens(line);
    if (tokens.empty()) continue;
    if (tokens.size() == 2 && tokens[0] == "DOS" && tokens[1] == "Format") {
      p.dos_format = true;
      continue;
    }
    const std::string key(tokens[0]);
    if (p.keys.count(key)) continue;
    p.keys[key] = tokens.size() > 1 ? std::string(tokens[1]) : std::string();
    p.lines[key] = line_no;
  }
  return p;
}

}  // namespace

std::string WinEprCompanion(const std::string& spc_path) {
  const std::string par = spectra_detail::FindCompanion(spc_path, "PAR");
  if (par.empty()) return "";
  return ReadParameters(par).dos_format ? par : "";
}

SpectralValues ReadWinEprFile(const std::string& spc_path, const std::string& par_path) {
  const Parameters p = ReadParameters(par_path);
  const std::string bytes = spectra_detail::ReadBytes(spc_path);
  if (bytes.size() % 4 != 0)
    throw SpectrumError(Where(spc_path) + "size " + std::to_string(bytes.size()) +
                        " bytes is not a whole number of 4-byte values");
  const std::size_t count = bytes.size() / 4;
  // A count that disagrees with the data means a damaged or foreign pair:
  // reading fewer or more values would give a wrong spectrum silently.
  if (p.Has("ANZ")) {
    const double anz = p.Number("ANZ");
    if (anz != static_cast<double>(count))
      throw SpectrumError(Where(spc_path) + "holds " + std::to_string(count) +
                          " values, but ANZ of " + par_path + " says " + p.keys.at("ANZ") +
                          (anz > static_cast<double>(count) ? " (the file is truncated)" : ""));
  }
  if (p.Has("SSY") && p.Number("SSY") > 1)
    throw SpectrumError(Where(spc_path) + "a 2-D dataset of " +
                        (p.Has("SSX") ? p.keys.at("SSX") : std::string("?")) + " x " +
                        p.keys.at("SSY") + " points (" + par_path +
                        "); only single spectra are read");
  if (count > kMaxFileValues)
    throw SpectrumError(Where(spc_path) + std::to_string(count) +
                        " values; a spectrum holds at most " + std::to_string(kMaxFileValues));

  SpectralValues out;
  out.format = "WinEPR";
  out.values.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    out.values[k] = spectra_detail::DecodeBinary(bytes.data() + 4 * k,
                                                 spectra_detail::BinaryType::kFloat32, false);
    if (!std::isfinite(out.values[k]))
      throw SpectrumError(Where(spc_path) + "point " + std::to_string(k + 1) +
                          " is not a finite number");
  }

  // Fields are in the unit JUN (G unless it says mT).
  const double to_gauss = p.Has("JUN") && p.keys.at("JUN") == "mT" ? 10.0 : 1.0;
  double first = 0, width = 0;
  bool has_axis = true;
  if (p.Has("GST") && p.Has("GSI")) {
    first = p.Number("GST");
    width = p.Number("GSI");
  } else if (p.Has("HCF") && p.Has("HSW")) {
    first = p.Number("HCF") - p.Number("HSW") / 2;
    width = p.Number("HSW");
  } else if (p.Has("XXLB") && p.Has("XXWI")) {
    first = p.Number("XXLB");
    width = p.Number("XXWI");
  } else {
    has_axis = false;
    out.notes.push_back("no field axis in " + par_path + " (GST/GSI or HCF/HSW)");
  }
  if (has_axis && count > 0) {
    first *= to_gauss;
    width *= to_gauss;
    out.field_axis.resize(count);
    // The sweep spans the first to the last point.
    for (std::size_t k = 0; k < count; ++k)
      out.field_axis[k] =
          count > 1 ? first + width * static_cast<double>(k) / static_cast<double>(count - 1)
                    : first;
  }
  if (p.Has("HCF")) {
    out.center_field = p.Number("HCF") * to_gauss;
  } else if (has_axis) {
    out.center_field = first + width / 2;
  }
  if (p.Has("HSW")) {
    out.sweep = p.Number("HSW") * to_gauss;
  } else if (has_axis) {
    out.sweep = width;
  }
  if (p.Has("MF")) out.frequency = p.Number("MF");
  return out;
}

}  // namespace korvel
