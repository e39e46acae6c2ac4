// BES3T datasets: a descriptor text (".DSC", lines "KEY value") and the
// binary data (".DTA") beside it, and for a tabulated axis a ".XGF".
#include <cmath>
#include <map>
#include <string>

#include "spectra/binary_values.h"
#include "spectra/spectral_values.h"
#include "spectra/spectrum_io.h"
#include "spectra/text_numbers.h"

namespace korvel {
namespace {

using spectra_detail::BinaryType;
using spectra_detail::Where;

struct Descriptor {
  std::string path;
  std::map<std::string, std::string> keys;  // first occurrence of each key
  std::map<std::string, std::size_t> lines;

  bool Has(const std::string& key) const { return keys.count(key) != 0; }

  // The value without the quotes that text values carry ('G').
  std::string Text(const std::string& key, const std::string& fallback = "") const {
    const auto it = keys.find(key);
    if (it == keys.end()) return fallback;
    std::string v = it->second;
    if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') v = v.substr(1, v.size() - 2);
    return v;
  }

  std::string Required(const std::string& key) const {
    if (!Has(key)) throw SpectrumError(Where(path) + "the descriptor has no " + key);
    return Text(key);
  }

  double Number(const std::string& key) const {
    const std::string v = Required(key);
    return spectra_detail::ParseNumber(v, path, lines.at(key));
  }

  std::size_t Count(const std::string& key) const {
    const double v = Number(key);
    if (!(v >= 1 && v == std::floor(v) && v <= static_cast<double>(kMaxFileValues)))
      throw SpectrumError(Where(path, lines.at(key)) + key + " " + Text(key) +
                          " is not a point count of 1 to " + std::to_string(kMaxFileValues));
    return static_cast<std::size_t>(v);
  }
};

Descriptor ReadDescriptor(const std::string& path) {
  Descriptor d;
  d.path = path;
  const std::string text = spectra_detail::ReadBytes(path);
  std::size_t line_no = 0;
  for (std::string_view line : spectra_detail::SplitAnyLineEnds(text)) {
    ++line_no;
    // Comments ('*'), layer headers ('#') and device blocks ('.').
    if (line.empty() || line[0] == '*' || line[0] == '#' || line[0] == '.') continue;
    std::size_t key_end = line.find_first_of(" \t");
    const std::string key(line.substr(0, key_end));
    std::string value;
    if (key_end != std::string_view::npos) {
      const std::size_t start = line.find_first_not_of(" \t", key_end);
      const std::size_t stop = line.find_last_not_of(" \t");
      if (start != std::string_view::npos)
        value = std::string(line.substr(start, stop - start + 1));
    }
    if (!key.empty() && !d.keys.count(key)) {
      d.keys[key] = value;
      d.lines[key] = line_no;
    }
  }
  return d;
}

BinaryType NumberType(const Descriptor& d, const std::string& key, const std::string& fallback) {
  const std::string code = fallback.empty() ? d.Required(key) : d.Text(key, fallback);
  if (code == "C") return BinaryType::kInt8;
  if (code == "S") return BinaryType::kInt16;
  if (code == "I") return BinaryType::kInt32;
  if (code == "F") return BinaryType::kFloat32;
  if (code == "D") return BinaryType::kFloat64;
  if (code.find(',') != std::string::npos)
    throw SpectrumError(Where(d.path, d.lines.at(key)) + key + " " + code +
                        ": datasets of several components are not read");
  throw SpectrumError(Where(d.path, d.Has(key) ? d.lines.at(key) : 0) + "unknown number type " +
                      key + " \"" + code + "\" (C, S, I, F or D)");
}

// Reads `count` numbers, `stride` numbers apart, from a binary file that
// must hold exactly `count * stride` of them.
std::vector<double> ReadNumbers(const std::string& path, std::size_t count, BinaryType type,
                                bool big_endian, std::size_t stride, const std::string& what) {
  const std::string bytes = spectra_detail::ReadBytes(path);
  const std::size_t size = spectra_detail::ByteSize(type);
  const std::size_t expected = count * stride * size;
  if (bytes.size() != expected)
    throw SpectrumError(Where(path) + "holds " + std::to_string(bytes.size()) + " bytes, but " +
                        what + " needs " + std::to_string(expected) +
                        (bytes.size() < expected ? " (the file is truncated)" : ""));
  std::vector<double> out(count);
  for (std::size_t k = 0; k < count; ++k) {
    out[k] = spectra_detail::DecodeBinary(bytes.data() + k * stride * size, type, big_endian);
    if (!std::isfinite(out[k]))
      throw SpectrumError(Where(path) + "point " + std::to_string(k + 1) +
                          " is not a finite number");
  }
  return out;
}

}  // namespace

SpectralValues ReadBes3tFile(const std::string& path) {
  if (!spectra_detail::FileExists(path)) spectra_detail::ReadBytes(path);  // the open error
  const std::string dsc = spectra_detail::FindCompanion(path, "DSC");
  if (dsc.empty())
    throw SpectrumError(Where(path) + "the descriptor (.DSC) of the pair is missing");
  const std::string dta = spectra_detail::FindCompanion(path, "DTA");
  if (dta.empty()) throw SpectrumError(Where(path) + "the data file (.DTA) of the pair is missing");
  const Descriptor d = ReadDescriptor(dsc);

  SpectralValues out;
  out.format = "BES3T";
  const std::string order = d.Text("BSEQ", "BIG");
  if (order != "BIG" && order != "LIT")
    throw SpectrumError(Where(dsc, d.lines.at("BSEQ")) + "unknown byte order BSEQ \"" + order +
                        "\" (BIG or LIT)");
  const bool big_endian = order == "BIG";

  const std::string kind = d.Text("IKKF", "REAL");
  if (kind != "REAL" && kind != "CPLX") {
    throw SpectrumError(Where(dsc, d.lines.at("IKKF")) + "IKKF " + kind +
                        (kind.find(',') != std::string::npos
                             ? ": datasets of several components are not read"
                             : " is neither REAL nor CPLX"));
  }
  const bool complex = kind == "CPLX";
  if (complex) out.notes.push_back("complex data: the real part is used");
  const BinaryType type = NumberType(d, "IRFMT", "");

  const std::size_t xpts = d.Count("XPTS");
  for (const char* axis : {"Y", "Z"}) {
    const std::string typ = d.Text(std::string(axis) + "TYP", "NODATA");
    if (typ == "NODATA") continue;
    const std::size_t pts =
        d.Has(std::string(axis) + "PTS") ? d.Count(std::string(axis) + "PTS") : 1;
    if (pts > 1)
      throw SpectrumError(Where(dsc) + "a " + (axis[0] == 'Y' ? "2-D" : "3-D") + " dataset of " +
                          std::to_string(xpts) + " x " + std::to_string(pts) +
                          " points; only single spectra (1-D) are read");
  }

  // Field axis in G: mT files are converted, a missing unit is taken as G.
  double to_gauss = 1;
  if (!d.Has("XUNI")) {
    out.notes.push_back("no XUNI: the field axis is taken as G");
  } else {
    const std::string unit = d.Text("XUNI");
    if (unit == "mT")
      to_gauss = 10;
    else if (unit != "G")
      throw SpectrumError(Where(dsc, d.lines.at("XUNI")) + "the x axis unit '" + unit +
                          "' is not a field unit (G or mT)");
  }

  const std::string xtyp = d.Required("XTYP");
  if (xtyp == "IDX") {
    const double xmin = d.Number("XMIN") * to_gauss;
    const double xwid = d.Number("XWID") * to_gauss;
    out.field_axis.resize(xpts);
    // XWID spans first to last point.
    for (std::size_t k = 0; k < xpts; ++k)
      out.field_axis[k] =
          xpts > 1 ? xmin + xwid * static_cast<double>(k) / static_cast<double>(xpts - 1) : xmin;
    out.center_field = xmin + xwid / 2;
    out.sweep = xwid;
  } else if (xtyp == "IGD") {
    const std::string xgf = spectra_detail::FindCompanion(dsc, "XGF");
    if (xgf.empty())
      throw SpectrumError(Where(dsc) + "XTYP IGD, but the axis file (.XGF) is missing");
    out.field_axis = ReadNumbers(xgf, xpts, NumberType(d, "XFMT", "D"), big_endian, 1,
                                 "XPTS " + std::to_string(xpts) + " axis values");
    for (double& b : out.field_axis) b *= to_gauss;
    out.center_field = (out.field_axis.front() + out.field_axis.back()) / 2;
    out.sweep = out.field_axis.back() - out.field_axis.front();
  } else {
    throw SpectrumError(Where(dsc, d.lines.at("XTYP")) + "unknown x axis type XTYP " + xtyp +
                        " (IDX or IGD)");
  }

  if (d.Has("MWFQ")) out.frequency = d.Number("MWFQ") / 1e9;

  // Complex data interleave real and imaginary parts; read every second.
  std::string what = "XPTS " + std::to_string(xpts) + (complex ? " complex" : "") + " values";
  const std::size_t stride = complex ? 2 : 1;
  out.values = ReadNumbers(dta, xpts, type, big_endian, stride, what);
  return out;
}

}  // namespace korvel
