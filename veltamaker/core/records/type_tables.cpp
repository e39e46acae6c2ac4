#include "records/type_tables.h"

#include <array>
#include <cassert>
#include <cctype>

namespace velta {
namespace {

struct TypeRow {
  std::string_view name;
  int count;
  std::array<int, kMaxParams> decimals;
};

constexpr std::array<TypeRow, kTypeCount> kTypes{{
    {"iso", 6, {3, 3, 3, 4, 6, 3}},
    {"mem", 6, {3, 3, 3, 4, 6, 3}},
    {"lle", 6, {3, 3, 3, 4, 6, 3}},
    {"lbe", 8, {3, 3, 3, 3, 3, 4, 6, 3}},
    {"mes", 11, {2, 2, 2, 2, 2, 2, 3, 3, 4, 3, 3}},
    {"psd", 8, {1, 2, 2, 2, 3, 4, 3, 3}},
    {"oms", 12, {2, 2, 2, 2, 2, 2, 2, 3, 3, 4, 6, 3}},
    {"obs", 12, {2, 2, 2, 2, 2, 2, 2, 3, 3, 4, 6, 3}},
    {"trp", 19, {3, 3, 6, 2, 1, 4, 2, 1, 4, 2, 1, 4, 2, 1, 4, 2, 1, 4, 3}},
}};

bool ValidCode(int type_code) { return type_code >= 1 && type_code <= kTypeCount; }

}  // namespace

std::string_view TypeName(int type_code) {
  return ValidCode(type_code) ? kTypes[type_code - 1].name : std::string_view("???");
}

int ParamCount(int type_code) { return ValidCode(type_code) ? kTypes[type_code - 1].count : 0; }

int ParamDecimals(int type_code, int param) {
  assert(ValidCode(type_code) && param >= 1 && param <= ParamCount(type_code));
  return kTypes[type_code - 1].decimals[param - 1];
}

int TypeCodeFromName(std::string_view name) {
  if (name.size() != 3) return 0;
  for (int code = 1; code <= kTypeCount; ++code) {
    const std::string_view known = kTypes[code - 1].name;
    bool same = true;
    for (std::size_t i = 0; i < 3; ++i)
      same = same && std::tolower(static_cast<unsigned char>(name[i])) == known[i];
    if (same) return code;
  }
  return 0;
}

}  // namespace velta
