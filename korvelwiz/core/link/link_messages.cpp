#include "link/link_messages.h"

#include <fmt/format.h>

#include <cassert>

#include "common/fixed_format.h"
#include "link/link_numbers.h"

namespace korvel {
namespace {

// Appends ";"-terminated fields.
class FieldWriter {
 public:
  explicit FieldWriter(std::string& out) : out_(out) {}
  void Text(std::string_view s) {
    out_.append(s);
    out_ += ';';
  }
  void General(double v, int digits) { Text(FormatGeneral(v, digits)); }
  void Int(long long v) { Text(common::FormatInt(v)); }
  void Bool(bool v) { Text(common::FormatBool(v)); }
  // A value of parameter `index` (table order) of `type`: its decimals + 1
  // significant digits.
  void Param(double v, DomainType type, int index) { General(v, korvel::Param(type, index).decimals + 1); }

 private:
  std::string& out_;
};

void TypeTable(FieldWriter& w, const TypeParamTable& table, int domain_type_count) {
  for (int t = 0; t < domain_type_count && t < kDomainTypeCount; ++t) {
    const auto type = static_cast<DomainType>(t);
    for (int i = 0; i < ParamCount(type); ++i) w.Param(table[t][i], type, i);
  }
}

}  // namespace

std::string ExperimentTag(int index, int experiment_count, int spectrum_count) {
  return fmt::format("{:03d}{}0{}", index, index < experiment_count ? "pr" : "al", spectrum_count);
}

std::string ParametersMessage(const Tvrecica& work, int index, int experiment_count,
                              int domain_type_count) {
  const ProjectSettings& s = work.settings;
  const Tspcmf& e = work.exp;
  std::string out = ExperimentTag(index, experiment_count, e.SpectrumCount);
  out.reserve(8192);
  FieldWriter w(out);

  w.General(s.gxx, 5);
  w.General(s.gyy, 5);
  w.General(s.gzz, 5);
  w.General(s.Axx, 5);
  w.General(s.Ayy, 5);
  w.General(s.Azz, 5);
  w.General(s.AC13iso, 4);
  w.General(s.AbundanceC13, 5);
  w.General(s.NoiseAmplitude, 4);
  w.General(s.AsymDist1, 4);
  w.General(s.AsymDist2, 6);

  TypeTable(w, s.LimitMin, domain_type_count);
  TypeTable(w, s.LimitMax, domain_type_count);
  TypeTable(w, s.Grid, domain_type_count);

  w.Text(s.OptimizerKind == 1 ? "HEA" : "DSO");

  w.General(s.DsoInitialStep, 3);
  w.Int(s.DsoMaxGenPerParam);
  w.Int(s.HeoPopulation);
  w.General(s.HeoMutation, 3);
  w.Bool(s.HeoAutoTune);
  w.Bool(s.HeoElitism);
  w.General(s.HeoEliteSize, 4);
  w.General(s.HeoCrossProb, 3);

  if (s.HeoCrossKind == 1) {
    w.Text("MP");
    w.General(s.HeoCrossProb, 3);
    w.Int(s.HeoCrossArgPoints);
  } else {
    w.Text("UNI");
    w.General(s.HeoCrossArgUniform, 3);
  }

  w.Bool(s.HeoDsoDuring);
  w.General(s.HeoDsoDuringProb, 3);
  w.Bool(s.HeoDsoAfter);
  w.General(s.HeoDsoAfterPart, 2);
  w.Bool(s.HeoKboTcD);
  w.General(s.HeoKboTcDProb, 3);
  w.Bool(s.HeoKboWD);
  w.General(s.HeoKboWDProb, 3);
  w.Bool(s.HeoKboPolarity);
  w.General(s.HeoKboPolarityProb, 3);

  w.Bool(s.MultipleFlag1);
  w.Bool(s.MultipleFlag2);
  w.Int(s.ErrorMethod);
  w.Bool(s.ErrorFlag1);
  w.Bool(s.ErrorFlag2);

  w.Int(e.SpectrumCount);
  for (int j = 1; j <= e.SpectrumCount && j <= kMaxSpectra; ++j) {
    const Tspcsf& sp = e.Spectra[j];
    w.Text(sp.FileName);
    w.General(sp.CenterField, 7);
    w.General(sp.Sweep, 5);
    w.General(sp.Frequency, 7);
    w.General(sp.Angle, 4);
  }

  w.Int(e.DomainCount);
  for (int k = 1; k <= e.DomainCount && k <= kMaxDomains; ++k) {
    const Domain& d = e.Domains[k];
    const int n = ParamCount(d.type);
    w.Int(k);
    w.Int(d.GroupCode);
    w.Text(TypeKeyword(d.type));
    // Slots 1..n-1 are table parameters 0..n-2; slot n, the conditional
    // weight, is written like the weight d (the table's last parameter).
    for (int slot = 1; slot <= n; ++slot) w.Param(d.Values[slot], d.type, slot - 1);
  }
  for (int k = 1; k <= e.DomainCount && k <= kMaxDomains; ++k) {
    const Domain& d = e.Domains[k];
    w.Int(k);
    w.Int(d.GroupCode);
    w.Text(TypeKeyword(d.type));
    for (int p = 1; p <= ParamCount(d.type); ++p) w.Text(d.Switches[p] ? "T" : "F");
  }

  w.Int(e.GroupNumber);
  out += common::FormatInt(e.FitnessType);
  return out;
}

std::string SpectraMessage(int index, std::string_view echoed, int m, const SimBuffers& buffers) {
  assert(m >= 1 && m <= 4 * kMaxSpectra);
  const int j = (m - 1) / 4 + 1;
  const int q = (m - 1) % 4;
  std::string out = fmt::format("{:03d}{}{:02d}", index, echoed, m);
  out.reserve(out.size() + kQuarterPoints * 8);
  const Spectrum1024& raw = buffers.ExpRaw[static_cast<std::size_t>(j)];
  for (int l = kQuarterPoints * q + 1; l <= kQuarterPoints * (q + 1); ++l) {
    if (l > kQuarterPoints * q + 1) out += ';';
    out += FormatFixedSignificant(raw[static_cast<std::size_t>(l)], 5, 4);
  }
  return out;
}

}  // namespace korvel
