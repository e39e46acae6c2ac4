#include "spectra/spectrum_writer.h"

#include <cmath>
#include <cstdint>

#include "common/fixed_format.h"
#include "common/rounding.h"
#include "common/text_file.h"
#include "spectra/spectral_values.h"

namespace korvel {
namespace {

constexpr int kFieldDecimals = 4;
constexpr int kValueDecimals = 8;

std::string SpcBytes(const std::string& path, std::span<const double> values) {
  std::string bytes;
  bytes.reserve(values.size() * 4);
  for (double v : values) {
    const double scaled = common::RoundHalfEven(v * 16.0);
    if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0))
      throw SpectrumError(path + ": value " + common::FormatFixed(v, 0, 4) +
                          " does not fit a 32-bit record of sixteenths");
    const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
    bytes.push_back(static_cast<char>(u >> 24));
    bytes.push_back(static_cast<char>(u >> 16));
    bytes.push_back(static_cast<char>(u >> 8));
    bytes.push_back(static_cast<char>(u));
  }
  return bytes;
}

}  // namespace

void WriteSpectrumFile(const std::string& path, std::span<const double> values,
                       std::span<const double> field_axis) {
  const std::string ext = SpectralExtension(path);
  const bool two_column = ext == "dat" || ext == "dsp" || ext == "fls";
  if (!two_column && ext != "asc" && ext != "spc")
    throw SpectrumError(path + ": cannot write spectral file type \"" + ext +
                        "\" (asc, dat, dsp, fls, spc)");
  if (values.empty()) throw SpectrumError(path + ": no values to write");
  if (two_column && field_axis.size() != values.size())
    throw SpectrumError(path + ": " + std::to_string(values.size()) + " values but " +
                        std::to_string(field_axis.size()) + " field axis points");
  for (std::size_t k = 0; k < values.size(); ++k)
    if (!std::isfinite(values[k]) || (two_column && !std::isfinite(field_axis[k])))
      throw SpectrumError(path + ": point " + std::to_string(k + 1) + " is not a finite number");

  if (ext == "spc") {
    common::WriteFileAtomically(path, SpcBytes(path, values));
    return;
  }
  common::CrLfText text;
  if (ext == "fls") {
    // The format's five header lines carry nothing the loader reads.
    text.Line("Spectrum");
    text.Line("Points " + std::to_string(values.size()));
    text.Line("Field [G], value");
    text.Line("");
    text.Line("");
  }
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (two_column)
      text.Line(common::FormatFixed(field_axis[k], 0, kFieldDecimals) + " " +
                common::FormatFixed(values[k], 0, kValueDecimals));
    else
      text.Line(common::FormatFixed(values[k], 0, kValueDecimals));
  }
  common::WriteFileAtomically(path, text.str());
}

}  // namespace korvel
