#include "fitting/search_space.h"

#include <string>

namespace korvel {

void CollectSearchSpace(const Tvrecica& work, SearchSpace& out) {
  const Tspcmf& exp = work.exp;
  const ProjectSettings& s = work.settings;
  int count = 0;
  auto push = [&](const SearchItem& item) {
    if (count >= kMaxFitParams)
      throw FitCapacityError("the experiment has more than " + std::to_string(kMaxFitParams) +
                             " active parameters; at most " + std::to_string(kMaxFitParams) +
                             " can be fitted");
    out.items[static_cast<std::size_t>(count++)] = item;
  };
  for (int i = 1; i <= kExpParamCount; ++i) {
    const ExpParam& e = exp.ExpParams[static_cast<std::size_t>(i)];
    if (e.Active) push({0, i, e.Value, e.Min, e.Max, e.Step});
  }
  out.exp_count = count;
  for (int k = 1; k <= exp.DomainCount && k <= kMaxDomains; ++k) {
    const Domain& d = exp.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    for (int p = 1; p <= n; ++p) {
      if (!d.Switches[static_cast<std::size_t>(p)]) continue;
      const auto t = static_cast<std::size_t>(d.type);
      const auto j = static_cast<std::size_t>(p - 1);
      push({k, p, d.Values[static_cast<std::size_t>(p)], s.LimitMin[t][j], s.LimitMax[t][j], s.Grid[t][j]});
    }
  }
  out.count = count;
}

void SearchStart(const SearchSpace& space, ParamVec& vector) {
  for (int i = 1; i <= space.count; ++i) vector[static_cast<std::size_t>(i)] = space.item(i).value;
}

}  // namespace korvel
