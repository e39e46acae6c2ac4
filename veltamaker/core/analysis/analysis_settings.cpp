#include "analysis/analysis_settings.h"

#include <algorithm>

#include "common/fixed_format.h"
#include "common/rounding.h"
#include "report/general_format.h"

namespace velta {
namespace {

constexpr int kSigmaSliderMax = 20;
constexpr int kFactorSliderMax = 20;
constexpr int kLevelSliderMax = 100;
constexpr double kSmallestFactor = 0.1;  // one step of the factor slider

int SliderPosition(double value, int max) {
  return static_cast<int>(std::clamp<std::int64_t>(common::RoundToInt(value), 0, max));
}

void SigmasFromSliders(AnalysisState& state) {
  const AnalysisSettings& s = state.Settings;
  const int dims = state.DimCount();
  for (int k = 0; k < 4; ++k) state.ActiveSigma[k] = s.SigmaPositions[k] * s.SigmaFactor / 200.0;
  state.ActiveSigma[dims] = s.SigmaPositions[4] * s.SigmaFactor / 200.0;
}

}  // namespace

std::string DensityLevelLabel(const AnalysisSettings& settings) {
  return std::to_string(settings.LevelPosition) + " %";
}

std::string FactorLabel(const AnalysisSettings& settings) {
  return common::FormatFixed(settings.FactorPosition / 10.0, 0, 1);
}

std::string SigmaLabel(int position) { return GeneralFormat(position / 2.0, 15) + " %"; }

void ApplyLoadTimeSettings(AnalysisState& state, const std::optional<SigmaFractions>& ini_sigmas,
                           Notes& notes) {
  AnalysisSettings& s = state.Settings;
  s.SettingsReady = false;
  const double sn = s.SignalToNoise;
  s.MinDensity = 1 + 0.02 * sn;
  s.MinDensityText = std::to_string(common::RoundToInt(s.MinDensity));

  s.SigmaFactor = static_cast<double>(common::RoundToInt((1.7 - 0.00175 * sn) * 10)) * 0.1;
  if (s.SigmaFactor < kSmallestFactor - 1e-12) {
    notes.push_back("The signal-to-noise ratio " + std::to_string(s.SignalToNoise) +
                    " would make the sigma multiplication factor " + GeneralFormat(s.SigmaFactor, 4) +
                    "; the factor is set to its smallest step, 0.1");
    s.SigmaFactor = kSmallestFactor;
  }
  s.FactorPosition = SliderPosition(s.SigmaFactor * 10, kFactorSliderMax);

  s.DensityLevel = 0.9;
  s.LevelPosition = 90;

  const ClassTable& table = state.Table();
  const int dims = table.DimCount;
  if (ini_sigmas) {
    for (int k = 0; k < 5; ++k)
      if ((*ini_sigmas)[k]) s.SigmaPositions[k] = SliderPosition(*(*ini_sigmas)[k] * 200, kSigmaSliderMax);
    SigmasFromSliders(state);
    for (int k = 4; k < dims; ++k) state.ActiveSigma[k] = table.DefaultSigma[k] * s.SigmaFactor;
  } else {
    for (int k = 0; k <= dims; ++k) state.ActiveSigma[k] = table.DefaultSigma[k] * s.SigmaFactor;
    for (int k = 0; k < 4; ++k) s.SigmaPositions[k] = SliderPosition(200.0 * table.DefaultSigma[k], kSigmaSliderMax);
    s.SigmaPositions[4] = SliderPosition(200.0 * table.DefaultSigma[dims], kSigmaSliderMax);
  }
  s.SettingsReady = true;
}

void UpdateSigmaFactor(AnalysisState& state, int position) {
  if (!state.Settings.SettingsReady) return;
  state.Settings.FactorPosition = std::clamp(position, 0, kFactorSliderMax);
  state.Settings.SigmaFactor = state.Settings.FactorPosition / 10.0;
  if (state.Class != 0) SigmasFromSliders(state);
}

void SetDensityLevelPosition(AnalysisState& state, int position) {
  state.Settings.LevelPosition = std::clamp(position, 0, kLevelSliderMax);
  state.Settings.DensityLevel = state.Settings.LevelPosition / 100.0;
}

}  // namespace velta
