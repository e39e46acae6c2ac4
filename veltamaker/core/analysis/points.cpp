#include "analysis/points.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "common/rounding.h"
#include "velta_error.h"

namespace velta {
namespace {

std::string TypeList(const std::set<int>& codes) {
  std::string text;
  for (int code : codes) {
    if (!text.empty()) text += ", ";
    text += TypeName(code);
  }
  return text;
}

}  // namespace

double SpreadFactor(double x) { return 1.0 + x * std::exp(-x * x / 2.0); }

std::uint32_t BrightColour(const ComponentPoint& point, ModelClass model_class) {
  if (model_class == 0) return 0x808080u;
  const ClassTable& table = ClassTables(model_class);
  std::uint32_t colour = 0;
  for (int c = 0; c < 3; ++c) {
    const double p = point.Params[table.RgbParams[c]];
    const double lo = table.AxisMin[c + 1];
    const double hi = table.AxisMax[c + 1];
    const double v = std::clamp(255.0 * (p - lo) / (hi - lo), 0.0, 255.0);
    const double q = (255.0 - v) / 16.0;
    const auto component = static_cast<std::uint32_t>(common::RoundToInt(255.0 - q * q));
    colour |= component << (8 * c);
  }
  return colour;
}

void BuildPoints(AnalysisState& state, const RecordBatch& batch, Notes& notes, int solution_count) {
  const int n = std::min(solution_count, batch.RecordCount());
  if (n < 1) throw VeltaError("The run set holds no solutions to analyse");
  std::set<int> types;
  std::set<int> classes;
  int count = 0;
  ModelClass last_class = 0;
  for (int i = 1; i <= n; ++i) {
    const SolutionRecord& record = batch.SortedRecord(i);
    for (int j = 1; j <= record.DomainCount; ++j) {
      if (count == kMaxPoints)
        throw VeltaError("The " + std::to_string(n) + " best solutions hold more than " +
                         std::to_string(kMaxPoints) + " domains; at most " +
                         std::to_string(kMaxPoints) + " points can be analysed");
      const RecordDomain& domain = record.Domains[j];
      ComponentPoint& point = state.Points[++count];
      point = ComponentPoint{};
      point.Chi2 = record.Fitness;
      const int params = ParamCount(domain.TypeCode);
      for (int k = 1; k <= std::min(params, kMaxPointParams); ++k) point.Params[k] = domain.Params[k];
      point.Weight = static_cast<float>(domain.Params[params]);
      point.TypeCode = domain.TypeCode;
      point.DomainNumber = static_cast<std::uint8_t>(j);
      last_class = ClassOfType(domain.TypeCode);
      point.BrightColour = BrightColour(point, last_class);
      types.insert(domain.TypeCode);
      classes.insert(last_class);
    }
  }
  if (last_class == 0)
    throw VeltaError("The solutions cannot be analysed: their last domain is of type " +
                     std::string(TypeName(state.Points[count].TypeCode)) + " (types found: " +
                     TypeList(types) + "); only mem, lle and mes domains are condensed");
  if (classes.size() > 1)
    notes.push_back("The solutions mix domain types (" + TypeList(types) + "); all are analysed on the axes of " +
                    std::string(TypeName(ClassTables(last_class).ClassTypeCode)) +
                    ", the type of the last domain");
  state.PointCount = count;
  state.Class = last_class;
}

void ComputeBubbleScale(AnalysisState& state) {
  constexpr double kBubbleRatio = 7;
  for (int k = 1; k <= 5; ++k)
    state.BubbleScale[k] = k <= state.DimCount() ? 0.0025 * state.AxisRange[k] * kBubbleRatio : 0.0;
}

}  // namespace velta

