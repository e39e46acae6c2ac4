#pragma once
// Per-call state of the model scratch. The frame calls BeginEngineCall once
// at the start of every SimulateExperiment call.
#include "engine/sim_buffers.h"

namespace korvel {

// Resets what the models keep for the span of one engine call: a singular
// exchange system (lle, lbe) writes the diagnostic file at most once per
// engine call, however many field points, domains and spectra meet one.
void BeginEngineCall(EngineScratch& scratch);

}  // namespace korvel
