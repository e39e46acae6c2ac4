#pragma once
// Numbers stored in binary spectrometer files, in either byte order.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace korvel::spectra_detail {

// The number types of binary data files, by their byte size and kind.
enum class BinaryType { kInt8, kInt16, kInt32, kFloat32, kFloat64 };

constexpr std::size_t ByteSize(BinaryType t) {
  switch (t) {
    case BinaryType::kInt8:
      return 1;
    case BinaryType::kInt16:
      return 2;
    case BinaryType::kInt32:
    case BinaryType::kFloat32:
      return 4;
    case BinaryType::kFloat64:
      return 8;
  }
  return 0;
}

// The value of the number of type `t` at `bytes` (ByteSize(t) bytes there),
// stored big-endian when `big_endian`, else little-endian.
inline double DecodeBinary(const char* bytes, BinaryType t, bool big_endian) {
  const std::size_t n = ByteSize(t);
  unsigned char b[8];
  std::memcpy(b, bytes, n);
  if (big_endian != (std::endian::native == std::endian::big))
    for (std::size_t i = 0; i < n / 2; ++i) std::swap(b[i], b[n - 1 - i]);
  switch (t) {
    case BinaryType::kInt8:
      return static_cast<std::int8_t>(b[0]);
    case BinaryType::kInt16: {
      std::int16_t v;
      std::memcpy(&v, b, 2);
      return v;
    }
    case BinaryType::kInt32: {
      std::int32_t v;
      std::memcpy(&v, b, 4);
      return v;
    }
    case BinaryType::kFloat32: {
      float v;
      std::memcpy(&v, b, 4);
      return v;
    }
    case BinaryType::kFloat64: {
      double v;
      std::memcpy(&v, b, 8);
      return v;
    }
  }
  return 0;
}

}  // namespace korvel::spectra_detail
