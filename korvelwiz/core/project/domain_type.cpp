#include "project/domain_type.h"

#include <cassert>
#include <cctype>

namespace korvel {
namespace {

struct TypeRow {
  std::string_view keyword;
  std::string_view caption;
  int count;
  std::array<ParamInfo, kMaxParams> params;
};

constexpr std::array<TypeRow, kDomainTypeCount> kTable{{
    {"iso", "ISO", 6,
     {{{"Lw", "", 3}, {"tc", "ns", 3}, {"W", "G", 3}, {"pa", "", 4}, {"pg", "", 6}, {"d", "", 3}}}},
    {"mem", "MEM", 6,
     {{{"S", "", 3}, {"tc", "ns", 3}, {"W", "G", 3}, {"pa", "", 4}, {"pg", "", 6}, {"d", "", 3}}}},
    {"lle", "LLE", 6,
     {{{"tc", "ns", 3}, {"W", "G", 3}, {"Wex", "G", 3}, {"pa", "", 4}, {"pg", "", 6}, {"d", "", 3}}}},
    {"lbe", "LBE", 8,
     {{{"tc", "ns", 3},
       {"WBr", "G", 3},
       {"cBr", "mM", 3},
       {"W", "G", 3},
       {"Wex", "G", 3},
       {"pa", "", 4},
       {"pg", "", 6},
       {"d", "", 3}}}},
    {"mes", "MES", 11,
     {{{"g1", "", 2},
       {"g2", "rad", 2},
       {"th", "rad", 2},
       {"fi", "rad", 2},
       {"th0", "rad", 2},
       {"fi0", "rad", 2},
       {"tc", "ns", 3},
       {"W", "G", 3},
       {"pa", "", 4},
       {"pr", "", 3},
       {"d", "", 3}}}},
    {"psd", "PSD", 8,
     {{{"pt", "", 1},
       {"th0", "rad", 2},
       {"fi0", "rad", 2},
       {"Dr", "rad2/ns", 2},
       {"W", "G", 3},
       {"pa", "", 4},
       {"pr", "", 3},
       {"d", "", 3}}}},
    {"oms", "OMS", 12,
     {{{"g1", "", 2},
       {"g2", "rad", 2},
       {"th", "rad", 2},
       {"fi", "rad", 2},
       {"PoA", "kT", 2},
       {"PoB", "kT", 2},
       {"PoC", "kT", 2},
       {"tc", "ns", 3},
       {"W", "G", 3},
       {"pa", "", 4},
       {"pg", "", 6},
       {"d", "", 3}}}},
    {"obs", "OBS", 12,
     {{{"X", "", 2},
       {"g2", "rad", 2},
       {"th", "rad", 2},
       {"fi", "rad", 2},
       {"PoA", "kT", 2},
       {"PoB", "kT", 2},
       {"PoC", "kT", 2},
       {"tc", "ns", 3},
       {"W", "G", 3},
       {"pa", "", 4},
       {"pg", "", 6},
       {"d", "", 3}}}},
    {"trp", "TRP", 19,
     {{{"Lw", "", 3},  {"W", "G", 3},  {"pg", "", 6},  {"S1", "", 2}, {"N1", "", 1},
       {"a1", "G", 4}, {"S2", "", 2},  {"N2", "", 1},  {"a2", "G", 4}, {"S3", "", 2},
       {"N3", "", 1},  {"a3", "G", 4}, {"S4", "", 2},  {"N4", "", 1},  {"a4", "G", 4},
       {"S5", "", 2},  {"N5", "", 1},  {"a5", "G", 4}, {"d", "", 3}}}},
}};

}  // namespace

int ParamCount(DomainType type) { return type < kDomainTypeCount ? kTable[type].count : 0; }

const ParamInfo& Param(DomainType type, int index) {
  assert(type < kDomainTypeCount && index >= 0 && index < kTable[type].count);
  return kTable[type].params[static_cast<std::size_t>(index)];
}

std::string_view TypeKeyword(DomainType type) {
  return type < kDomainTypeCount ? kTable[type].keyword : std::string_view("???");
}

std::string_view TypeCaption(DomainType type) {
  return type < kDomainTypeCount ? kTable[type].caption : std::string_view("???");
}

std::optional<DomainType> TypeFromKeyword(std::string_view keyword) {
  if (keyword.size() != 3) return std::nullopt;
  for (int t = 0; t < kDomainTypeCount; ++t) {
    bool same = true;
    for (std::size_t i = 0; i < 3; ++i)
      if (std::tolower(static_cast<unsigned char>(keyword[i])) != kTable[t].keyword[i]) same = false;
    if (same) return static_cast<DomainType>(t);
  }
  return std::nullopt;
}

}  // namespace korvel
