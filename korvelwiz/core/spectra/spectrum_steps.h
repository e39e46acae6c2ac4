#pragma once
// The loader's processing of one spectrum, step by step. Spectra are the
// engine's 1024 points, indexed 1..1024 (Spectrum1024).
#include <array>
#include <random>
#include <span>

#include "engine/sim_buffers.h"

namespace korvel {

// Brings N >= 2 values to 1024 points by linear interpolation:
// x = (k - 1)(N - 1)/1023, i = trunc(x), out[k] = a[i+1] + (a[i+2] - a[i+1])(x - i)
// for k = 1..1023 and out[1024] = a[N] (a indexed from 1). N = 1024 keeps
// the values as they are; N > 1024 shrinks by the same rule.
void ResampleTo1024(std::span<const double> a, Spectrum1024& out);

// The field axis of a file in ExpFieldAxis form: point k = value k for
// N <= 1024 (not resampled; points above N are 0), resampled with the rule
// of ResampleTo1024 for N > 1024 so that every point keeps its field.
void FieldAxisTo1024(std::span<const double> axis, Spectrum1024& out);

// The synthetic noise table, indexed 0..100: symmetric, entry 100 - i =
// -entry i, entry 50 = 0, entry 100 = 200.
const std::array<int, 101>& NoiseTable();

// Adds NoiseTable[r] * amplitude / 100 to every point, r uniform in 0..100
// drawn from `rng` for each point in order.
void AddSyntheticNoise(Spectrum1024& y, double amplitude, std::mt19937& rng);

// NoiseWeight: least-squares quadratics c2 k^2 + c1 k + c0 through the
// first 100 points and through the last 100 (k = 1..100 standing for
// points 1024, 1023, ... 925); the two sums of squared residuals added and
// divided by 200.
double NoiseLevel(const Spectrum1024& y);

// The integral baseline. P = running sum of y; straight lines fitted by
// least squares to P over points 1..50 (L1) and 975..1024 (L2); Z = the
// cubic through (1, L1(1)), (50, L1(50)), (975, L2(975)), (1024, L2(1024)).
// Leaves P - Z in `integral` and y - Z' in `y`.
void IntegralBaseline(Spectrum1024& y, Spectrum1024& integral);

struct AbsorptionPoints {
  int integral_peak = 1;  // point of the largest corrected integral (first on ties)
  int peak_left = 1;      // outermost low-field feature, <= integral_peak
  int peak_right = 1;     // outermost high-field feature, >= integral_peak
};

// Where the absorption lies in the corrected integral P. With Pm = P at
// the peak and n = LevelCount(noise_weight), for t = 1..trunc(2n/3) and
// level l = 1 - t/n: from point 1 upwards the first point with |P/Pm| > l,
// then onwards while |P/Pm| >= l (up to point 1023) the point of the largest
// |P| (ties to the later point); symmetrically from point 1024 downwards
// (down to point 2, ties to the earlier point). peak_left is the smallest
// low-field result and the peak, peak_right the largest high-field result
// and the peak. A peak value Pm of 0 gives all three at the peak.
AbsorptionPoints AbsorptionPosition(const Spectrum1024& integral, double noise_weight);

}  // namespace korvel
