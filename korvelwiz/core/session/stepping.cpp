#include "session/stepping.h"

#include "project/weights.h"

namespace korvel {

int PaletteHeaderRow(const Tspcmf& exp, int k) {
  int row = 0;
  for (int j = 1; j < k && j <= kMaxDomains; ++j)
    row += ParamCount(exp.Domains[static_cast<std::size_t>(j)].type) + 1;
  return row;
}

int PaletteParamRow(const Tspcmf& exp, int k, int p) { return PaletteHeaderRow(exp, k) + p; }

PaletteRow MapPaletteRow(const Tspcmf& exp, int row) {
  PaletteRow out;
  if (row < 0) return out;
  int header = 0;
  for (int k = 1; k <= exp.DomainCount && k <= kMaxDomains; ++k) {
    const int n = ParamCount(exp.Domains[static_cast<std::size_t>(k)].type);
    if (row <= header + n) {
      out.domain = k;
      out.param = row - header;
      return out;
    }
    header += n + 1;
  }
  return out;
}

bool StepParameter(Tspcmf& exp, const ProjectSettings& settings, int row, int direction,
                   double multiplier) {
  const PaletteRow at = MapPaletteRow(exp, row);
  if (!at.IsParameter()) return false;
  Domain& d = exp.Domains[static_cast<std::size_t>(at.domain)];
  const int n = ParamCount(d.type);
  const auto t = static_cast<std::size_t>(d.type);
  const auto j = static_cast<std::size_t>(at.param - 1);
  double& value = d.Values[static_cast<std::size_t>(SlotOfRow(at.param, n))];
  const double step = multiplier * settings.Grid[t][j];
  if (direction > 0) {
    value += step;
    if (value > settings.LimitMax[t][j]) value = settings.LimitMax[t][j];
  } else {
    value -= step;
    if (value < settings.LimitMin[t][j]) value = settings.LimitMin[t][j];
  }
  if (at.param == n) AbsoluteToConditional(exp);
  return true;
}

}  // namespace korvel
