// The older ".spc" layout: 4-byte big-endian signed integers to the end of
// the file, each one sixteen times the value.
#include <cstdint>
#include <string>

#include "spectra/spectral_values.h"
#include "spectra/spectrum_io.h"
#include "spectra/text_numbers.h"

namespace korvel {

SpectralValues ReadIntegerSpcFile(const std::string& path) {
  const std::string bytes = spectra_detail::ReadBytes(path);
  const std::string where = spectra_detail::Where(path);
  // A partial last record means a damaged file (or another format), not a
  // value; taking the whole records only would hide that.
  if (bytes.size() % 4 != 0)
    throw SpectrumError(where + "size " + std::to_string(bytes.size()) +
                        " bytes is not a whole number of 4-byte records");
  const std::size_t count = bytes.size() / 4;
  if (count > kMaxFileValues)
    throw SpectrumError(where + std::to_string(count) + " values; a spectrum holds at most " +
                        std::to_string(kMaxFileValues));
  SpectralValues out;
  out.format = "spc";
  out.values.reserve(count);
  for (std::size_t r = 0; r < count; ++r) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + 4 * r);
    const std::uint32_t u = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                            (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
    out.values.push_back(static_cast<std::int32_t>(u) / 16.0);
  }
  return out;
}

}  // namespace korvel
