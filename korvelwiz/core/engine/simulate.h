#pragma once
// The one entry point of the simulation engine.
#include "engine/sim_buffers.h"

namespace korvel {

// Simulates the experiment of `work` against the experimental spectra in
// buf.ExpRaw and returns the goodness of fit (chi^2, single precision, also
// stored in work.exp.Fitness). `vector` holds the active parameters in
// canonical order, element 1 first. The call writes the vector back into the
// experiment (clamped to the limits), the absolute weights (slot 0), Fitness
// and FitnessType (values above 1 become 1), and leaves SimTotal,
// ExpCorrected and SimDomains in `buf`. An arithmetic failure (division by
// zero, invalid operation, overflow, a domain that draws nothing) ends the
// call with Fitness = 100 / NoiseWeight of spectrum 1. Allocates nothing.
float SimulateExperiment(Tvrecica& work, const ParamVec& vector, SimBuffers& buf);

// Number of active parameters of an experiment (experiment-level ones whose
// Active flag is set, then every switched palette row of every domain).
int ActiveParamCount(const Tspcmf& exp);

// Fills `out` with the current values in canonical order and returns the
// count. At most 100 fit; further items are not collected and the engine
// leaves them as they are.
int CollectParamVector(const Tspcmf& exp, ParamVec& out);

// The front end's message pump, run once at the end of every engine call on
// both the normal and the failure path. No-op until a front end sets one.
using MessagePump = void (*)();
void SetMessagePump(MessagePump pump);

}  // namespace korvel
