#pragma once
// The spectral data loader: reads the data file of one spectrum slot and
// prepares it for the engine.
#include <random>
#include <string>

#include "engine/sim_buffers.h"
#include "project/records.h"
#include "spectra/spectral_values.h"
#include "spectra/spectrum_error.h"

namespace korvel {

// Loads spectrum slot j (1..SpectrumCount) of work.exp from
// project_dir + Spectra[j].FileName (a separator is put between them when
// project_dir lacks one), by the file's extension (see spectral_values.h):
//  1. the N values are brought to 1024 points (ResampleTo1024),
//  2. divided by the largest |value| of the file,
//  3. given synthetic noise when settings.NoiseAmplitude is not 0,
//  4. measured for their noise (NoiseWeight = NoiseLevel),
//  5. freed of the integral baseline (IntegralBaseline),
//  6. searched for the absorption (IntegralPeak, PeakLeft, PeakRight).
// The result goes to buf.ExpRaw[j]; a file with a field axis fills
// buf.ExpFieldAxis[j] (FieldAxisTo1024), one without leaves it as it was.
// Throws SpectrumError (the message names the file, and the line for text)
// for a missing or unreadable file, a bad number, an unknown extension,
// fewer than two values, values that are all 0, more than kMaxFileValues
// values or a damaged binary file; the slot and the buffers are then
// unchanged. The noise generator is seeded from the clock on every load.
void LoadSpectrum(Tvrecica& work, int j, SimBuffers& buf, const std::string& project_dir);

// The same with the synthetic noise drawn from `rng` (tests, reproducible
// example data).
void LoadSpectrum(Tvrecica& work, int j, SimBuffers& buf, const std::string& project_dir,
                  std::mt19937& rng);

// Steps 1 to 6 on values already read from `path` (named in messages).
// Fills `raw`, `field` (when the values carry an axis) and the four fields
// of `spectrum`, or throws SpectrumError leaving all of them unchanged.
void PrepareSpectrum(const SpectralValues& file, const std::string& path, double noise_amplitude,
                     std::mt19937& rng, Spectrum1024& raw, Spectrum1024& field, Tspcsf& spectrum);

}  // namespace korvel
