#include "engine/align.h"

#include <cmath>
#include <utility>

#include "engine/simulate.h"

namespace korvel {
namespace {

constexpr int kMaxLevelCount = 10000;

struct FeaturePoints {
  int m = 1, left = 1, right = 1;
};

// Positions of the simulated absorption: the largest |I| of the running sum
// and, over the levels 1 - t/n, the outermost local maxima of |I| above the
// level seen from each end of the axis.
FeaturePoints SimulatedFeatures(const Spectrum1024& sim, double noise_weight, Spectrum1024& I) {
  I[1] = sim[1];
  for (int k = 2; k <= kPoints; ++k) I[k] = I[k - 1] + sim[k];
  FeaturePoints f;
  double best = std::fabs(I[1]);
  for (int k = 2; k <= kPoints; ++k)
    if (std::fabs(I[k]) > best) {
      best = std::fabs(I[k]);
      f.m = k;
    }
  const double Im = I[f.m];
  f.left = f.right = f.m;
  if (Im == 0) return f;
  const int n = LevelCount(noise_weight);
  const int levels = 2 * n / 3;
  for (int t = 1; t <= levels; ++t) {
    const double lambda = 1.0 - static_cast<double>(t) / n;
    int p = 1;
    while (p < kPoints && !(std::fabs(I[p] / Im) > lambda)) ++p;
    int arg = p;
    while (std::fabs(I[p] / Im) >= lambda && p < kPoints) {
      if (std::fabs(I[p]) >= std::fabs(I[arg])) arg = p;
      ++p;
    }
    if (arg < f.left) f.left = arg;
    p = kPoints;
    while (p > 1 && !(std::fabs(I[p] / Im) > lambda)) --p;
    arg = p;
    while (std::fabs(I[p] / Im) >= lambda && p > 1) {
      if (std::fabs(I[p]) >= std::fabs(I[arg])) arg = p;
      --p;
    }
    if (arg > f.right) f.right = arg;
  }
  return f;
}

}  // namespace

int LevelCount(double noise_weight) {
  if (!(noise_weight > 0)) return kMaxLevelCount;
  const double n = std::trunc(1.0 / std::sqrt(noise_weight));
  if (n >= kMaxLevelCount) return kMaxLevelCount;
  return n < 5 ? 5 : static_cast<int>(n);
}

float AlignSpectra(Project& project, int i, SimBuffers& buf) {
  Tvrecica work = WorkingCopy(project, i);
  ParamVec& vec = buf.ParamVector;
  CollectParamVector(work.exp, vec);
  const float f_old = SimulateExperiment(work, vec, buf);

  double remembered[kMaxSpectra + 1] = {};
  Spectrum1024 running;  // 8 KB on the stack; the alignment is not an inner loop
  for (int s = 1; s <= work.exp.SpectrumCount; ++s) {
    Tspcsf& sp = work.exp.Spectra[static_cast<std::size_t>(s)];
    const FeaturePoints f =
        SimulatedFeatures(buf.SimTotal[static_cast<std::size_t>(s)], sp.NoiseWeight, running);
    const auto at = [&](int p) { return std::fabs(running[static_cast<std::size_t>(p < 1 ? 1 : (p > kPoints ? kPoints : p))]); };
    int w;
    if (at(sp.PeakLeft) > at(sp.IntegralPeak))
      w = f.left - sp.PeakLeft;
    else if (at(sp.PeakRight) > at(sp.IntegralPeak))
      w = f.right - sp.PeakRight;
    else
      w = f.m - sp.IntegralPeak;
    remembered[s] = sp.Frequency;
    sp.Frequency = sp.Frequency * (1.0 - w * sp.Sweep / (sp.CenterField * 1024.0));
  }
  float kept = SimulateExperiment(work, vec, buf);
  if (kept > f_old) {
    for (int s = 1; s <= work.exp.SpectrumCount; ++s)
      work.exp.Spectra[static_cast<std::size_t>(s)].Frequency = remembered[s];
    kept = SimulateExperiment(work, vec, buf);
  }
  project.Experiment(i) = work.exp;
  return kept;
}

void SortExperimentsByFitness(Project& project, int count) {
  if (count < 2) return;
  auto& e = project.vreca.experiments;
  // Hoare partition around the middle element, as the stored order of equal
  // fitness values depends on it.
  auto sort = [&](auto&& self, int lo, int hi) -> void {
    int i = lo, j = hi;
    const float pivot = e[static_cast<std::size_t>((lo + hi) / 2)].Fitness;
    do {
      while (e[static_cast<std::size_t>(i)].Fitness < pivot) ++i;
      while (e[static_cast<std::size_t>(j)].Fitness > pivot) --j;
      if (i <= j) {
        std::swap(e[static_cast<std::size_t>(i)], e[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) self(self, lo, j);
    if (i < hi) self(self, i, hi);
  };
  sort(sort, 1, count);
}

}  // namespace korvel
