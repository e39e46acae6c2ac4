#include "analysis/class_tables.h"

#include <cassert>

namespace velta {
namespace {

// 1.5708f is the single-precision value of pi/2 that the axis tables hold.
constexpr std::array<ClassTable, 3> kTables{{
    {4, 3, 2, {1, 2, 3, 4, 0, 0}, 6,
     {0, 0, 0, 0.8f, 0, 0, 0}, {1, 3, 4, 1.2f, 1, 0, 0}, {2, 3, 4},
     {0.02f, 0.04f, 0.035f, 0.035f, 0.02f, 0, 0},
     {"S (1)", "tc (ns)", "W (G)", "Pa (1)", "Pg", "d"},
     {1, 2, 3, 4, 0, 0}, {"S(1)", "tc(ns)", "W(G)", "Pa(1)", "", ""}},
    {4, 3, 3, {3, 1, 2, 4, 0, 0}, 6,
     {0, 0, 0, 0.8f, 0, 0, 0}, {12, 3, 4, 1.2f, 1, 0, 0}, {1, 2, 4},
     {0.02f, 0.04f, 0.035f, 0.035f, 0.02f, 0, 0},
     {"tc (ns)", "W", "Wex", "Pa", "pg", "d"},
     {1, 2, 3, 4, 0, 0}, {"Wex", "tc(ns)", "W", "Pa", "", ""}},
    {6, 5, 5, {5, 7, 8, 9, 6, 10}, 11,
     {0, 0, 0, 0.8f, 0, -0.2f, 0}, {1.5708f, 3, 4, 1.2f, 1.5708f, 0.2f, 1}, {7, 8, 9},
     {0.015f, 0.035f, 0.035f, 0.035f, 0.05f, 0.06f, 0.015f},
     {"G1", "G2", "th", "fi", "th0 (rad)", "fi0 (rad)", "tc (ns)", "W (G)", "Pa (1)", "Prot (1)", "d"},
     {1, 5, 2, 3, 4, 6}, {"th0(rad)", "fi0(rad)", "tc(ns)", "W(G)", "Pa(1)", "Prot(1)"}},
}};

}  // namespace

ModelClass ClassOfType(int type_code) {
  switch (type_code) {
    case 2: return 1;
    case 3: return 2;
    case 5: return 3;
    default: return 0;
  }
}

const ClassTable& ClassTables(ModelClass model_class) {
  assert(model_class >= 1 && model_class <= 3);
  return kTables[model_class - 1];
}

}  // namespace velta
