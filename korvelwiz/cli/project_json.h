#pragma once
// Machine-readable and human-readable views of an opened project.
#include <nlohmann/json.hpp>
#include <string>

#include "project/records.h"

namespace korvel::cli {

// {"experiments":[{"index","group","fitness","fitness_type","spectra":[...],
// "domains":[{"type","group_code","weight","values":[slot 1..n-1]}]}]}.
// With `with_errors`, each domain carries "errors" (palette rows 1..n) and
// each experiment "errors_valid".
nlohmann::json ProjectJson(const Project& project, bool with_errors = false);

// The table of experiments: group, fitness type, fitness, S/N per spectrum,
// domains with type and absolute weight.
std::string ProjectTable(const Project& project);

// Rounded signal-to-noise ratio sqrt(1/NoiseWeight) of a spectrum (0 when
// the spectrum is noiseless).
long SignalToNoise(const Tspcsf& sp);

// Prints "\r<text>" on standard error when it is a terminal.
void ProgressLine(const std::string& text);
void EndProgressLine();

}  // namespace korvel::cli
