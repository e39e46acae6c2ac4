#pragma once
// Local optimization: a bounded downhill simplex (Nelder-Mead) search over
// the switched-on parameters of one experiment, with SimulateExperiment as
// the objective (chi^2 of the working copy's spectra in buf.ExpRaw).
//
// Search space: the canonical vector (search_space.h), at most 100
// coordinates. Coordinate i starts at its current value and is bounded by
// [min, max]; the initial simplex displaces it by sqrt((max - min) * step),
// the geometric mean of its range and grid step (no displacement when that
// product is not positive, e.g. equal limits). Reflections and expansions
// are clamped to the bounds; contractions and shrinks stay inside the
// simplex. The search stops when an expansion gains less than tau relative
// to the best value (tau = mean NoiseWeight of the spectra with a positive
// one) after more than 40 steps, or when the step count exceeds
// DsoMaxGenPerParam * n. Nothing is allocated per step.
#include "engine/sim_buffers.h"
#include "fitting/search_space.h"
#include "project/records.h"

namespace korvel {

// Called after every simplex step with the step count and the best chi^2
// so far; `user` is passed through.
using FitProgressFn = void (*)(int steps, double best, void* user);

struct SimplexOutcome {
  int parameters = 0;   // n, the number of coordinates
  int steps = 0;        // the step count at the stop (starts at n + 1)
  int evaluations = 0;  // SimulateExperiment calls, the final one included
  float fitness = 0;    // chi^2 of the best point (as left in work.exp.Fitness)
};

// Optimizes the first `n` coordinates of `space` starting from `vector`
// (1..n). Leaves the best point in `vector` and, through a final engine
// call, in work.exp (values, weights, Fitness) and `buf`.
SimplexOutcome DownhillSimplex(Tvrecica& work, const SearchSpace& space, ParamVec& vector,
                               SimBuffers& buf, FitProgressFn progress = nullptr,
                               void* user = nullptr);

// Collects the search space of the working copy and runs DownhillSimplex
// from its current values. With no active parameter it only re-evaluates
// the starting point. Throws FitCapacityError beyond 100 active parameters.
SimplexOutcome LocalOptimization(Tvrecica& work, SimBuffers& buf, FitProgressFn progress = nullptr,
                                 void* user = nullptr);

// Displacement of a coordinate in the initial simplex:
// sqrt((max - min) * step), or 0 when that product is not positive.
double InitialDisplacement(const SearchItem& item);

// The noise threshold tau of the first stopping rule: the sum of the
// spectra's NoiseWeight divided by the number of positive ones (0 when none
// is positive, which leaves only the step-count rule).
double NoiseThreshold(const Tspcmf& exp);

}  // namespace korvel
