#include "project/weights.h"

namespace korvel {

void AbsoluteToConditional(Tspcmf& exp) {
  const int n_dom = exp.DomainCount;
  double used = 0;
  for (int k = 1; k <= n_dom - 1; ++k) {
    Domain& d = exp.Domains[k];
    const int n = ParamCount(d.type);
    if (n == 0) continue;
    const double rest = 1.0 - used;
    // A domain after others that already took everything keeps r = 0.
    d.Values[n] = k == 1 ? d.Values[0] : (rest != 0 ? d.Values[0] / rest : 0.0);
    used += d.Values[0];
  }
}

void ConditionalToAbsolute(Tspcmf& exp) {
  const int n_dom = exp.DomainCount;
  if (n_dom < 1) return;
  if (n_dom < 2) {
    exp.Domains[1].Values[0] = 1.0;
    return;
  }
  double a = 1.0;
  for (int k = 1; k <= n_dom - 1; ++k) {
    Domain& d = exp.Domains[k];
    const double r = d.Values[ParamCount(d.type)];
    d.Values[0] = a * r;
    a *= 1.0 - r;
  }
  exp.Domains[n_dom].Values[0] = a;
}

void ForceLastWeightSwitchOff(Tspcmf& exp) {
  if (exp.DomainCount < 1) return;
  Domain& last = exp.Domains[exp.DomainCount];
  const int n = ParamCount(last.type);
  if (n > 0) last.Switches[n] = false;
}

}  // namespace korvel
