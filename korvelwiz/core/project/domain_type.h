#pragma once
// The nine spectral component models and the static table of their
// parameters (names, units and decimals as the palette and the files show).
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel {

// Stored as one byte; a value outside 0..8 is kept as read and draws nothing.
using DomainType = std::uint8_t;

inline constexpr DomainType kIso = 0, kMem = 1, kLle = 2, kLbe = 3, kMes = 4, kPsd = 5, kOms = 6,
                            kObs = 7, kTrp = 8;
inline constexpr int kDomainTypeCount = 9;
inline constexpr int kMaxParams = 19;  // the most parameters of any type (trp)

struct ParamInfo {
  std::string_view name;  // "Lw", "tc", ...
  std::string_view unit;  // "" when none
  int decimals;
};

// Parameter count n of a type (6..19), 0 for a code outside 0..8.
int ParamCount(DomainType type);

// Parameter `index` (table order, 0..n-1) of a valid type.
const ParamInfo& Param(DomainType type, int index);

// "iso" ... "trp"; "???" for an invalid code.
std::string_view TypeKeyword(DomainType type);

// Upper-case form shown on screens: "ISO" ... "TRP".
std::string_view TypeCaption(DomainType type);

// Case-insensitive keyword lookup; nullopt for an unknown keyword.
std::optional<DomainType> TypeFromKeyword(std::string_view keyword);

// Palette row p (1..n) of a domain with n parameters -> its value slot:
// p for p < n, 0 (the absolute weight) for p = n.
constexpr int SlotOfRow(int p, int n) { return p == n ? 0 : p; }

}  // namespace korvel
