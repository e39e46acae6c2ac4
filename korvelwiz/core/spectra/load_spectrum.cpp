#include "spectra/load_spectrum.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "spectra/spectrum_steps.h"

namespace korvel {
namespace {

std::mt19937 ClockSeededGenerator() {
  // The clock alone may repeat between two quick loads; a counter keeps
  // every load's noise different.
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  std::seed_seq seq{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32), ++counter};
  return std::mt19937(seq);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir + name;
  return dir + "/" + name;
}

}  // namespace

void PrepareSpectrum(const SpectralValues& file, const std::string& path, double noise_amplitude,
                     std::mt19937& rng, Spectrum1024& raw, Spectrum1024& field, Tspcsf& spectrum) {
  const std::size_t n = file.values.size();
  if (n < 2)
    throw SpectrumError(path + ": " + std::to_string(n) + (n == 1 ? " value" : " values") +
                        "; a spectrum needs at least 2");
  double largest = 0;
  for (double v : file.values) largest = std::max(largest, std::fabs(v));
  if (largest == 0)
    throw SpectrumError(path + ": all values are 0; the spectrum cannot be normalised");

  Spectrum1024 y;
  ResampleTo1024(file.values, y);
  for (double& v : y) v /= largest;
  if (noise_amplitude != 0) AddSyntheticNoise(y, noise_amplitude, rng);
  const double noise_weight = NoiseLevel(y);
  Spectrum1024 integral;
  IntegralBaseline(y, integral);
  const AbsorptionPoints points = AbsorptionPosition(integral, noise_weight);

  raw = y;
  if (!file.field_axis.empty()) FieldAxisTo1024(file.field_axis, field);
  spectrum.NoiseWeight = noise_weight;
  spectrum.IntegralPeak = points.integral_peak;
  spectrum.PeakLeft = points.peak_left;
  spectrum.PeakRight = points.peak_right;
}

void LoadSpectrum(Tvrecica& work, int j, SimBuffers& buf, const std::string& project_dir,
                  std::mt19937& rng) {
  const auto slot = static_cast<std::size_t>(j);
  Tspcsf& spectrum = work.exp.Spectra[slot];
  const std::string path = JoinPath(project_dir, spectrum.FileName);
  if (spectrum.FileName.empty())
    throw SpectrumError("spectrum " + std::to_string(j) + ": no spectral file name is given");
  const SpectralValues file = ReadSpectralValues(path);
  PrepareSpectrum(file, path, work.settings.NoiseAmplitude, rng, buf.ExpRaw[slot],
                  buf.ExpFieldAxis[slot], spectrum);
}

void LoadSpectrum(Tvrecica& work, int j, SimBuffers& buf, const std::string& project_dir) {
  std::mt19937 rng = ClockSeededGenerator();
  LoadSpectrum(work, j, buf, project_dir, rng);
}

}  // namespace korvel
