#pragma once
// Frequency alignment of an experiment's spectra, and the ordering of the
// project's experiments by goodness of fit.
#include "engine/sim_buffers.h"
#include "project/records.h"

namespace korvel {

// Corrects the Frequency of every spectrum of project experiment i so that
// the simulated absorption lies over the experimental one (the loader's
// IntegralPeak/PeakLeft/PeakRight), and keeps the correction only when the
// fit does not get worse. Simulates (so the buffers match the kept state)
// and copies the experiment back into the project. The spectra must be
// loaded. Returns the fitness kept.
float AlignSpectra(Project& project, int i, SimBuffers& buf);

// The level loop's count n = max(5, trunc(1/sqrt(noise_weight))), capped at
// 10 000 (a noiseless spectrum, or noise_weight 0, takes the cap).
int LevelCount(double noise_weight);

// Sorts experiments 1..count by single-precision Fitness, ascending (the
// order of equal fitness values is that of the quicksort used).
void SortExperimentsByFitness(Project& project, int count);

}  // namespace korvel
