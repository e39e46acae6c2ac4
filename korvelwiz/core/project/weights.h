#pragma once
// Stick-breaking conversion between the absolute weights d (slot 0) that the
// files and the palette show and the conditional weights r (slot n) that the
// optimizers and the engine vector use.
#include "project/records.h"

namespace korvel {

// Absolute -> conditional: r1 = d1, rk = dk / (1 - d1 - ... - dk-1) for
// k = 2..N-1. The last domain gets none of its own.
void AbsoluteToConditional(Tspcmf& exp);

// Conditional -> absolute: dk = Ak rk with Ak+1 = Ak (1 - rk), dN = AN; a
// single domain gets weight 1.
void ConditionalToAbsolute(Tspcmf& exp);

// The last domain's weight switch is always off.
void ForceLastWeightSwitchOff(Tspcmf& exp);

}  // namespace korvel
