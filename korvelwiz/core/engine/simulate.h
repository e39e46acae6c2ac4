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

// Goodness of fit of one spectrum slot: e = baseline-corrected experiment,
// f = simulation. The fit window L..U starts at the first point of 51..150
// (ends at the last of 874..973) where |e - f| > 0.01, else 151 (873). F0 is
// the sum of squared residuals over the window, F1 the same with every run
// of same-sign residuals weighted by its length; both are divided by the
// noise weight and the window length U - L, or are 1 when noise_weight is 0.
struct SpectrumScore {
  double F0 = 0, F1 = 0;
  int L = 151, U = 873;
};
SpectrumScore ScoreSpectrum(const Spectrum1024& e, const Spectrum1024& f, double noise_weight);

// The front end's message pump, run once at the end of every engine call on
// both the normal and the failure path. No-op until a front end sets one.
using MessagePump = void (*)();
void SetMessagePump(MessagePump pump);

}  // namespace korvel
