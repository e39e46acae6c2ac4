#pragma once
// Domain type tables of the solution records. Type codes run 1..9 (iso ...
// trp), one more than the model codes of the project wizard; the parameters
// of a type are those of the wizard's parameter table, in its order, and the
// last one is always the domain's weight fraction d.
#include <string_view>

namespace velta {

inline constexpr int kTypeCount = 9;
inline constexpr int kMaxParams = 19;  // trp
inline constexpr int kMaxDomains = 5;  // room in one record

inline constexpr int kTypeMes = 5;

// "iso" ... "trp" for 1..9, "???" otherwise.
std::string_view TypeName(int type_code);

// Parameters of a type (6..19), 0 for a code outside 1..9.
int ParamCount(int type_code);

// Decimals written for parameter `param` (1..ParamCount) of a type.
int ParamDecimals(int type_code, int param);

// Case-insensitive lookup of a three-letter name; 0 when it is none of them.
int TypeCodeFromName(std::string_view name);

}  // namespace velta
