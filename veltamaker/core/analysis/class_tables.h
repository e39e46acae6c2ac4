#pragma once
// The three analysis classes and their constant tables. Only mem, lle and
// mes domains can be condensed; each class fixes the dimensions of the
// analysis (parameters, axis ranges, default kernel widths) and the columns
// of the solutions table. Dimensions are numbered 0..DimCount-1, and index
// DimCount of the per-dimension tables belongs to the domain weight d.
#include <array>
#include <cstdint>
#include <string_view>

namespace velta {

inline constexpr int kMaxDims = 6;
inline constexpr int kMaxPointParams = 12;

// 0 = not analysable, 1 = mem, 2 = lle, 3 = mes.
using ModelClass = std::uint8_t;

struct ClassTable {
  int DimCount;
  int ChartCount;
  int ClassTypeCode;
  std::array<int, kMaxDims> AxisParams;  // parameter number of dimension 0..DimCount-1
  int WeightParam;                       // parameter number of d
  std::array<float, kMaxDims + 1> AxisMin;       // 0..DimCount
  std::array<float, kMaxDims + 1> AxisMax;       // 0..DimCount
  std::array<int, 3> RgbParams;                  // parameters shown as red, green, blue
  std::array<float, kMaxDims + 1> DefaultSigma;  // 0..DimCount, fractions of the axis range
  std::array<std::string_view, kMaxPointParams> ParamLabels;  // parameters 1..n
  std::array<int, kMaxDims> Column;  // table column c (0-based) prints dimension Column[c] (1-based)
  std::array<std::string_view, kMaxDims> Titles;
};

// Class of a type code 1..9: mem 1, lle 2, mes 3, every other type 0.
ModelClass ClassOfType(int type_code);

// Tables of class 1..3.
const ClassTable& ClassTables(ModelClass model_class);

}  // namespace velta
