#pragma once
// The settings of an analysis that depend on the signal-to-noise ratio of
// the spectrum (applied at every load), the slider updates, and the texts
// of the labels that the report quotes.
#include <array>
#include <optional>

#include "analysis/analysis_state.h"
#include "analysis/points.h"

namespace velta {

// Sigma fractions of TrackBar1..5 from the settings file (absent keys are
// empty); the file itself absent is an empty optional.
using SigmaFractions = std::array<std::optional<double>, 5>;

// At every load, from Settings.SignalToNoise (SN):
//   MinDensity = 1 + 0.02 SN (the edit shows it rounded),
//   SigmaFactor = Round((1.7 - 0.00175 SN) x 10) / 10, at least 0.1 (with a
//     note when SN would take it to 0 or below),
//   DensityLevel = 0.9,
// and the kernel widths ActiveSigma: from the sliders set by the settings
// file when there is one (position = Round(fraction x 200)), otherwise from
// the class defaults (and the sliders then show the defaults).
void ApplyLoadTimeSettings(AnalysisState& state, const std::optional<SigmaFractions>& ini_sigmas,
                           Notes& notes);

// TrackBar6 moved to `position` (0..20): the factor and the slider-based
// widths follow; dimensions 4 and 5 of mes keep theirs. No effect until the
// load-time settings have been applied once.
void UpdateSigmaFactor(AnalysisState& state, int position);

// TrackBar7 set to `position` (0..100): DensityLevel = position / 100.
void SetDensityLevelPosition(AnalysisState& state, int position);

// "90 %", "1.7", "3.5 %" (a sigma slider at 7 of 200).
std::string DensityLevelLabel(const AnalysisSettings& settings);
std::string FactorLabel(const AnalysisSettings& settings);
std::string SigmaLabel(int position);

}  // namespace velta
