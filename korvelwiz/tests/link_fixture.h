#pragma once
// A small project for the optimization-link tests, built in code: three
// experiments with distinct settings, spectra and domains, and a stand-in
// for "show experiment" that fills ExpRaw with known values instead of
// loading files.
#include <cstdio>
#include <memory>
#include <string>

#include "link/link_messages.h"
#include "project/weights.h"
#include "session/session.h"

namespace korvel::link_test {

// ExpRaw point l of spectrum j after showing experiment i: exact in the
// 4 decimals of a spectra message.
inline double KnownPoint(int i, int j, int l) { return i + 0.2 * (j - 1) + 1e-4 * l; }

inline void FakeShow(Session& s, int i) {
  s.project.CurrentExperiment = i;
  const Tspcmf& e = s.project.Experiment(i);
  for (int j = 1; j <= e.SpectrumCount; ++j)
    for (int l = 1; l <= kPoints; ++l)
      s.buffers->ExpRaw[static_cast<std::size_t>(j)][static_cast<std::size_t>(l)] = KnownPoint(i, j, l);
}

inline void FillSettings(ProjectSettings& s) {
  s.gxx = 2.0088;
  s.gyy = 2.0061;
  s.gzz = 2.0027;
  s.Axx = 6.2;
  s.Ayy = 5.9;
  s.Azz = 33.5;
  s.AC13iso = 5;
  s.AbundanceC13 = 0.011;
  s.NoiseAmplitude = 0.125;
  s.AsymDist1 = 1;
  s.AsymDist2 = 0.25;
  for (int t = 0; t < kDomainTypeCount; ++t)
    for (int p = 0; p < kMaxParams; ++p) {
      s.LimitMin[t][p] = -(t + 1) - p / 100.0;
      s.LimitMax[t][p] = (t + 1) + p / 100.0;
      s.Grid[t][p] = 0.01 * (p + 1);
    }
  s.OptimizerKind = 1;
  s.DsoInitialStep = 0.1f;
  s.DsoMaxGenPerParam = 40;
  s.HeoPopulation = 100;
  s.HeoMutation = 0.01f;
  s.HeoAutoTune = true;
  s.HeoElitism = true;
  s.HeoEliteSize = 0.1f;
  s.HeoCrossProb = 0.8f;
  s.HeoCrossKind = 0;
  s.HeoCrossArgUniform = 0.5f;
  s.HeoCrossArgPoints = 3;
  s.HeoDsoDuring = false;
  s.HeoDsoDuringProb = 0.01f;
  s.HeoDsoAfter = true;
  s.HeoDsoAfterPart = 0.1f;
  s.HeoKboTcD = true;
  s.HeoKboTcDProb = 0.1f;
  s.HeoKboWD = true;
  s.HeoKboWDProb = 0.2f;
  s.HeoKboPolarity = false;
  s.HeoKboPolarityProb = 0.3f;
  s.MultipleFlag1 = false;
  s.MultipleFlag2 = true;
  s.ErrorMethod = 1;
  s.ErrorFlag1 = true;
  s.ErrorFlag2 = false;
}

inline Domain MakeDomain(DomainType type, double first_value, double weight) {
  Domain d;
  d.type = type;
  const int n = ParamCount(type);
  for (int slot = 1; slot < n; ++slot) d.Values[static_cast<std::size_t>(slot)] = first_value + 0.5 * (slot - 1);
  d.Values[0] = weight;
  for (int p = 1; p <= n; ++p) d.Switches[static_cast<std::size_t>(p)] = p % 2 == 1;
  return d;
}

inline Tspcsf MakeSpectrum(const std::string& name, double center) {
  Tspcsf s;
  s.FileName = name;
  s.CenterField = center;
  s.Sweep = 100;
  s.Frequency = 9.5;
  s.Angle = 0;
  s.NoiseWeight = 1e-4;
  return s;
}

// experiment 1: one spectrum, one iso domain; 2: two spectra, iso + trp;
// 3: one spectrum, one mes domain. `count` experiments in all (at least 3);
// those above 3 repeat experiment 1 with their index as its first value.
inline std::unique_ptr<Session> MakeLinkSession(int count = 3) {
  auto s = MakeSession();
  Project& p = s->project;
  FillSettings(p.vreca.settings);
  p.ExperimentCount = count;
  p.DomainTypeCount = kDomainTypeCount;
  for (int i = 1; i <= count; ++i) {
    Tspcmf& e = p.Experiment(i);
    e = Tspcmf{};
    e.GroupNumber = i;
    e.FitnessType = 0;
    if (i == 2) {
      e.SpectrumCount = 2;
      e.Spectra[1] = MakeSpectrum("two_a.dat", 3380);
      e.Spectra[2] = MakeSpectrum("two_b.spc", 3390.5);
      e.DomainCount = 2;
      e.Domains[1] = MakeDomain(kIso, 1.25, 0.75);
      e.Domains[2] = MakeDomain(kTrp, 0.5, 0.25);
    } else if (i == 3) {
      e.SpectrumCount = 1;
      e.Spectra[1] = MakeSpectrum("three.asc", 3400);
      e.DomainCount = 1;
      e.Domains[1] = MakeDomain(kMes, 0.25, 1);
    } else {
      e.SpectrumCount = 1;
      e.Spectra[1] = MakeSpectrum(i == 1 ? "one.dat" : "rep" + std::to_string(i) + ".dat", 3384);
      e.DomainCount = 1;
      e.Domains[1] = MakeDomain(kIso, i == 1 ? 0.75 : i, 1);
    }
    AbsoluteToConditional(e);
    ForceLastWeightSwitchOff(e);
  }
  return s;
}

// An optimized-parameters message as a remote optimizer sends it back: the
// 3-digit index, items 1..10 of the parameters message of `work`, one
// skipped field and the GroupNumber.
inline std::string OptimizedMessage(const Tvrecica& work, int index, int group_number) {
  std::string msg = ParametersMessage(work, index, 999, kDomainTypeCount);
  // Drop the tag and the trailing "GroupNumber;FitnessType".
  msg.erase(0, 7);
  msg.erase(msg.rfind(';'));
  msg.erase(msg.rfind(';') + 1);
  char head[8];
  std::snprintf(head, sizeof head, "%03d", index);
  return head + msg + "0.5;" + std::to_string(group_number);
}

// The same for experiment `index` of a project with domain 1's slot 2 (tc
// for iso) set to `tc`.
inline std::string OptimizedMessage(const Project& p, int index, double tc, int group_number) {
  Tvrecica w = WorkingCopy(p, index);
  w.exp.Domains[1].Values[2] = tc;
  return OptimizedMessage(w, index, group_number);
}

}  // namespace korvel::link_test
