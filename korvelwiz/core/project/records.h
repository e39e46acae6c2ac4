#pragma once
// The in-memory project: plain value records copied whole between the
// project and working copies. Capacities are fixed (200 experiments,
// 5 spectra, 5 domains, 19 parameters); indices of experiments, spectra,
// domains and palette rows start at 1.
#include <array>
#include <cstdint>
#include <string>

#include "common/one_based.h"
#include "project/domain_type.h"

namespace korvel {

using common::OneBased;

inline constexpr int kMaxExperiments = 200;
inline constexpr int kMaxSpectra = 5;
inline constexpr int kMaxDomains = 5;
inline constexpr int kExpParamCount = 20;

// Per type (code 0..8) and parameter index in table order (0..18).
using TypeParamTable = std::array<std::array<double, kMaxParams>, kDomainTypeCount>;
using TypeSwitchTable = std::array<std::array<bool, kMaxParams>, kDomainTypeCount>;

struct ProjectSettings {
  double Axx = 0, Ayy = 0, Azz = 0;  // nitrogen hyperfine tensor [G]
  double gxx = 0, gyy = 0, gzz = 0;  // g tensor
  double AC13iso = 0;                // isotropic 13C coupling [G]
  double AbundanceC13 = 0;
  double NoiseAmplitude = 0;
  double AsymDist1 = 0, AsymDist2 = 0;
  TypeParamTable LimitMin{}, LimitMax{}, Grid{};
  bool MultipleFlag1 = false, MultipleFlag2 = false;
  std::uint8_t ErrorMethod = 0;
  bool ErrorFlag1 = false, ErrorFlag2 = false;
  std::uint8_t OptimizerKind = 0;  // 0 = DSO, 1 = HEA
  float DsoInitialStep = 0;
  std::int32_t DsoMaxGenPerParam = 0;
  std::int32_t HeoMaxGenerations = 0;  // shown only; no file or message carries it
  std::int32_t HeoPopulation = 0;
  float HeoMutation = 0;
  bool HeoAutoTune = false;
  bool HeoElitism = false;
  float HeoEliteSize = 0;
  float HeoCrossProb = 0;
  std::uint8_t HeoCrossKind = 0;  // 0 = uniform (UNI), 1 = multi-point (MP)
  // UNI: the uniform probability; MP: the number of crossover points.
  float HeoCrossArgUniform = 0;
  std::int32_t HeoCrossArgPoints = 0;
  bool HeoDsoDuring = false;
  float HeoDsoDuringProb = 0;
  bool HeoDsoAfter = false;
  float HeoDsoAfterPart = 0;
  bool HeoKboTcD = false;
  float HeoKboTcDProb = 0;
  bool HeoKboWD = false;
  float HeoKboWDProb = 0;
  bool HeoKboPolarity = false;
  float HeoKboPolarityProb = 0;
};

struct Tspcsf {
  std::string FileName;  // without directory
  double CenterField = 0;  // Bc [G]
  double Frequency = 0;    // [GHz]
  double Sweep = 0;        // Sw [G]
  double Angle = 0;        // [rad]
  // Working points 1..1024 set by the loader and read by the alignment.
  std::int32_t IntegralPeak = 1, PeakLeft = 1, PeakRight = 1;
  double NoiseWeight = 0;  // 1/(S/N)^2
};

struct Domain {
  std::uint8_t GroupCode = 2;  // motional axis: 0 = x, 1 = y, 2 = z
  DomainType type = kIso;
  // Slot k (1..n-1) = parameter k-1 of the table; slot 0 = absolute weight d;
  // slot n = conditional weight.
  std::array<double, kMaxParams + 1> Values{};
  OneBased<double, kMaxParams> Errors{};   // by palette row 1..n
  OneBased<bool, kMaxParams> Switches{};   // by palette row 1..n
  OneBased<bool, kMaxParams> ErrorKept{};  // by palette row 1..n
};

struct ExpParam {
  bool Active = false;
  double Value = 0, Min = 0, Max = 0, Step = 0;
};

struct Tspcmf {
  std::int32_t SpectrumCount = 0;
  OneBased<Tspcsf, kMaxSpectra> Spectra{};
  std::int32_t DomainCount = 0;
  OneBased<Domain, kMaxDomains> Domains{};
  std::int32_t GroupNumber = 1;
  float Fitness = 0;
  std::int32_t FitnessType = 0;
  bool SaveSelected = false, SaveWritten = false;
  bool ErrorsValid = false;
  OneBased<ExpParam, kExpParamCount> ExpParams{};
};

// A working copy: the unit handed to the engine and every tool.
struct Tvrecica {
  ProjectSettings settings;
  Tspcmf exp;
};

// The project records: settings plus experiments 1..200.
struct Tvreca {
  ProjectSettings settings;
  OneBased<Tspcmf, kMaxExperiments> experiments;
};

// The project records with the module-level project state beside them.
struct Project {
  Tvreca vreca;
  int ExperimentCount = 0;
  int CurrentExperiment = 1;
  std::string MtpFileName;
  std::string ProjectDir;  // folder of the spectral files, with a trailing separator or empty
  int CopiesRead = 1;
  bool CopiesReadPresent = false;
  int CopiesPending = 1;
  bool WriteCopiesLine = false;
  std::uint8_t DomainTypeCount = kDomainTypeCount;
  TypeParamTable DefaultValues{};
  TypeSwitchTable DefaultSwitches{};
  bool DefaultsLoaded = false;

  Tspcmf& Experiment(int i) { return vreca.experiments[static_cast<std::size_t>(i)]; }
  const Tspcmf& Experiment(int i) const { return vreca.experiments[static_cast<std::size_t>(i)]; }
};

// Copies the settings and experiment i into a working copy.
inline Tvrecica WorkingCopy(const Project& p, int i) { return Tvrecica{p.vreca.settings, p.Experiment(i)}; }

}  // namespace korvel
