#include "engine/simulate.h"

#include <cfenv>
#include <cmath>

#include "engine/constants.h"
#include "engine/engine_call.h"
#include "engine/models.h"

namespace korvel {
namespace {

MessagePump g_pump = nullptr;

constexpr int kFailFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

bool ArithmeticFailed() { return std::fetestexcept(kFailFlags) != 0; }

// Visits the canonical order: active experiment parameters in index order,
// then each domain's switched palette rows (row p is value slot p, so row n
// is the conditional weight). `fn(value_ref, min, max)` for each item.
template <typename Exp, typename Settings, typename Fn>
void ForEachActive(Exp& exp, const Settings& settings, Fn&& fn) {
  for (int i = 1; i <= kExpParamCount; ++i) {
    auto& e = exp.ExpParams[static_cast<std::size_t>(i)];
    if (e.Active) fn(e.Value, e.Min, e.Max);
  }
  const int n_dom = exp.DomainCount;
  for (int k = 1; k <= n_dom && k <= kMaxDomains; ++k) {
    auto& d = exp.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    for (int p = 1; p <= n; ++p) {
      if (!d.Switches[static_cast<std::size_t>(p)]) continue;
      const double lo = settings ? (*settings).LimitMin[d.type][static_cast<std::size_t>(p - 1)] : 0.0;
      const double hi = settings ? (*settings).LimitMax[d.type][static_cast<std::size_t>(p - 1)] : 0.0;
      fn(d.Values[static_cast<std::size_t>(p)], lo, hi);
    }
  }
}

// Least-squares amplitude and linear baseline: y ~ alpha f + a u + b v with
// u = (l-1)/1023, v = (1024-l)/1023. Returns false on a singular system.
// The two baseline ramps and their constant normal-equation sums.
struct BaselineAxes {
  double u[kPoints + 1], v[kPoints + 1];
  double uu = 0, uv = 0, vv = 0;
  BaselineAxes() {
    for (int l = 1; l <= kPoints; ++l) {
      u[l] = (l - 1) / 1023.0;
      v[l] = (1024 - l) / 1023.0;
      uu += u[l] * u[l];
      uv += u[l] * v[l];
      vv += v[l] * v[l];
    }
  }
};
const BaselineAxes kAxes;

bool FitAmplitudeAndBaseline(const Spectrum1024& y, const Spectrum1024& f, double& alpha, double& a,
                             double& b) {
  double ff = 0, fu = 0, fv = 0, yf = 0, yu = 0, yv = 0;
  const double uu = kAxes.uu, uv = kAxes.uv, vv = kAxes.vv;
  for (int l = 1; l <= kPoints; ++l) {
    const double fl = f[l], yl = y[l];
    const double u = kAxes.u[l], v = kAxes.v[l];
    ff += fl * fl;
    fu += fl * u;
    fv += fl * v;
    yf += yl * fl;
    yu += yl * u;
    yv += yl * v;
  }
  // Cramer's rule on the symmetric 3 x 3 normal equations.
  const double det = ff * (uu * vv - uv * uv) - fu * (fu * vv - uv * fv) + fv * (fu * uv - uu * fv);
  if (det == 0 || !std::isfinite(det)) return false;
  alpha = (yf * (uu * vv - uv * uv) - fu * (yu * vv - uv * yv) + fv * (yu * uv - uu * yv)) / det;
  a = (ff * (yu * vv - yv * uv) - yf * (fu * vv - uv * fv) + fv * (fu * yv - yu * fv)) / det;
  b = (ff * (uu * yv - uv * yu) - fu * (fu * yv - yu * fv) + yf * (fu * uv - uu * fv)) / det;
  return true;
}

float FailureFitness(const Tspcmf& exp) {
  // 100 / NoiseWeight of slot 1; a noiseless slot 1 gives 100, not infinity.
  const double nw = exp.SpectrumCount >= 1 ? exp.Spectra[1].NoiseWeight : 0.0;
  return static_cast<float>(nw != 0 ? 100.0 / nw : 100.0);
}

}  // namespace

SpectrumScore ScoreSpectrum(const Spectrum1024& e, const Spectrum1024& f, double noise_weight) {
  int L = 151;
  for (int l = 51; l <= 150; ++l)
    if (std::fabs(e[l] - f[l]) > 0.01) {
      L = l;
      break;
    }
  int U = 873;
  for (int l = 973; l >= 874; --l)
    if (std::fabs(e[l] - f[l]) > 0.01) {
      U = l;
      break;
    }
  double sigma = f[L] > e[L] ? 1.0 : -1.0;
  int start = L;
  double R = 0;
  SpectrumScore t;
  t.L = L;
  t.U = U;
  for (int m = L; m <= U; ++m) {
    const double r = f[m] - e[m];
    if (sigma * e[m] >= sigma * f[m]) {
      t.F0 += R;
      t.F1 += (m - start) * R;
      start = m;
      R = r * r;
      sigma = -sigma;
    } else {
      R += r * r;
    }
  }
  t.F0 += R;
  t.F1 += (U + 1 - start) * R;
  if (noise_weight != 0) {
    t.F0 = t.F0 / noise_weight / (U - L);
    t.F1 = t.F1 / noise_weight / (U - L);
  } else {
    t.F0 = 1;
    t.F1 = 1;
  }
  return t;
}

void SetMessagePump(MessagePump pump) { g_pump = pump; }

std::unique_ptr<SimBuffers> MakeSimBuffers() { return std::make_unique<SimBuffers>(); }

int ActiveParamCount(const Tspcmf& exp) {
  int count = 0;
  const ProjectSettings* none = nullptr;
  ForEachActive(exp, none, [&](const double&, double, double) { ++count; });
  return count;
}

int CollectParamVector(const Tspcmf& exp, ParamVec& out) {
  int count = 0;
  const ProjectSettings* none = nullptr;
  ForEachActive(exp, none, [&](const double& v, double, double) {
    if (count < kParamVectorSize) out[static_cast<std::size_t>(++count)] = v;
  });
  return count;
}

float SimulateExperiment(Tvrecica& work, const ParamVec& vector, SimBuffers& buf) {
  Tspcmf& exp = work.exp;
  const ProjectSettings& settings = work.settings;
  std::feclearexcept(FE_ALL_EXCEPT);
  BeginEngineCall(buf.scratch);

  // 1. Write the vector back, clamping to the limits (upper first).
  int used = 0;
  const ProjectSettings* limits = &settings;
  ForEachActive(exp, limits, [&](double& v, double lo, double hi) {
    if (used >= kParamVectorSize) return;
    v = vector[static_cast<std::size_t>(++used)];
    if (v > hi) v = hi;
    if (v < lo) v = lo;
  });

  // 2. Absolute weights from the conditional ones.
  const int n_dom = exp.DomainCount;
  if (n_dom < 2) {
    exp.Domains[1].Values[0] = 1.0;
  } else {
    double A = 1.0;
    for (int k = 1; k <= n_dom - 1; ++k) {
      Domain& d = exp.Domains[static_cast<std::size_t>(k)];
      const double r = d.Values[static_cast<std::size_t>(ParamCount(d.type))];
      d.Values[0] = r * A;
      A *= 1.0 - r;
    }
    exp.Domains[static_cast<std::size_t>(n_dom)].Values[0] = A;
  }

  bool failed = false;
  double tot0 = 0, tot1 = 0;
  const CallConstants call = MakeCallConstants(settings);
  const int n_spec = exp.SpectrumCount;

  for (int s = 1; s <= n_spec && !failed; ++s) {
    const SpectrumConstants sc = MakeSpectrumConstants(exp, s);
    Spectrum1024& total = buf.SimTotal[static_cast<std::size_t>(s)];
    auto& domains = buf.SimDomains[static_cast<std::size_t>(s)];
    for (int k = 1; k <= n_dom; ++k) domains[static_cast<std::size_t>(k)].fill(0.0);

    const ModelContext ctx{settings, call, sc, buf.scratch};
    double integral[kMaxDomains + 1] = {};
    for (int k = 1; k <= n_dom && !failed; ++k) {
      const Domain& d = exp.Domains[static_cast<std::size_t>(k)];
      Spectrum1024& target = domains[static_cast<std::size_t>(k)];
      if (ModelRoutine model = ModelOf(d.type)) model(d, ctx, target);
      // Double integral; the running first integral is kept in single
      // precision. Its sign follows the model's, so dividing by it makes
      // every domain's absorption positive.
      float R = 0;
      double I = 0;
      for (int l = 1; l <= kPoints; ++l) {
        R = static_cast<float>(static_cast<double>(R) + target[l]);
        I += R;
      }
      integral[k] = I;
      if (I == 0 || ArithmeticFailed()) failed = true;
    }
    if (failed) {
      total.fill(0.0);  // the sum had not been formed yet
      break;
    }

    // Combine the weighted domains and scale to a maximum of 1.
    for (int k = 1; k <= n_dom; ++k) {
      Spectrum1024& target = domains[static_cast<std::size_t>(k)];
      const double scale = exp.Domains[static_cast<std::size_t>(k)].Values[0] / integral[k];
      if (k == 1) {
        for (int l = 1; l <= kPoints; ++l) total[l] = (target[l] *= scale);
      } else {
        for (int l = 1; l <= kPoints; ++l) total[l] += (target[l] *= scale);
      }
    }
    double M = 0;
    for (int l = 1; l <= kPoints; ++l) {
      const double m = std::fabs(total[l]);
      if (m > M) M = m;
    }
    if (M != 0) {
      const double inv = 1.0 / M;
      for (int l = 1; l <= kPoints; ++l) total[l] *= inv;
      for (int k = 1; k <= n_dom; ++k)
        for (int l = 1; l <= kPoints; ++l) domains[static_cast<std::size_t>(k)][l] *= inv;
    }

    // Amplitude and linear baseline against the experiment.
    const Spectrum1024& y = buf.ExpRaw[static_cast<std::size_t>(s)];
    Spectrum1024& corrected = buf.ExpCorrected[static_cast<std::size_t>(s)];
    double alpha = 0, a = 0, b = 0;
    if (!FitAmplitudeAndBaseline(y, total, alpha, a, b)) {
      failed = true;
      break;
    }
    for (int l = 1; l <= kPoints; ++l) {
      corrected[l] = y[l] - a * kAxes.u[l] - b * kAxes.v[l];
      total[l] *= alpha;
    }
    for (int k = 1; k <= n_dom; ++k)
      for (int l = 1; l <= kPoints; ++l) domains[static_cast<std::size_t>(k)][l] *= alpha;

    const SpectrumScore t = ScoreSpectrum(corrected, total, exp.Spectra[static_cast<std::size_t>(s)].NoiseWeight);
    tot0 += t.F0;
    tot1 += t.F1;
    if (ArithmeticFailed()) failed = true;
  }

  float fitness;
  if (!failed) {
    tot0 /= n_spec;
    tot1 /= n_spec;
    if (exp.FitnessType > 1) exp.FitnessType = 1;
    fitness = static_cast<float>(exp.FitnessType == 0 ? tot0 : tot1);
    if (ArithmeticFailed()) failed = true;
  }
  if (failed) fitness = FailureFitness(exp);
  exp.Fitness = fitness;
  std::feclearexcept(FE_ALL_EXCEPT);
  if (g_pump) g_pump();
  return fitness;
}

}  // namespace korvel
