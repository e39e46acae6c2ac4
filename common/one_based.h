#pragma once
// Fixed-capacity arrays indexed from 1, as the system numbers experiments,
// spectra, domains, palette rows and points. Index 0 does not exist; debug
// builds assert on every access outside 1..N.
#include <array>
#include <cassert>
#include <cstddef>

namespace common {

template <typename T, std::size_t N>
struct OneBased {
  std::array<T, N> items{};

  static constexpr std::size_t size() { return N; }

  T& operator[](std::size_t i) {
    assert(i >= 1 && i <= N);
    return items[i - 1];
  }
  const T& operator[](std::size_t i) const {
    assert(i >= 1 && i <= N);
    return items[i - 1];
  }
  T* data() { return items.data(); }
  const T* data() const { return items.data(); }
  auto begin() { return items.begin(); }
  auto end() { return items.end(); }
  auto begin() const { return items.begin(); }
  auto end() const { return items.end(); }
  void fill(const T& v) { items.fill(v); }

  friend bool operator==(const OneBased&, const OneBased&) = default;
};

}  // namespace common
