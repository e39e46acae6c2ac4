#include "fitting/error_analysis.h"

#include <cmath>

#include "engine/simulate.h"

namespace korvel {
namespace {

// 95 % points of chi^2 for 1..31 degrees of freedom.
constexpr std::array<double, 31> kQuantile95 = {
    3.84, 5.99, 7.81, 9.48, 11.1, 12.6, 14.1, 15.5, 16.9, 18.3, 19.7, 21.0, 22.4, 23.7, 25.0, 26.3,
    27.6, 28.9, 30.1, 31.4, 32.7, 33.9, 35.2, 36.4, 37.7, 38.9, 40.1, 41.3, 42.6, 43.8, 45.0};
// About the 70 % points.
constexpr std::array<double, 31> kQuantile70 = {
    1.07, 2.41, 3.66, 4.87, 6.06, 7.23, 8.38, 9.52, 10.6, 11.8, 12.9, 14.0, 15.1, 16.2, 17.3, 18.4,
    19.5, 20.6, 21.7, 22.8, 23.9, 24.9, 26.0, 27.1, 28.2, 29.2, 30.3, 31.4, 32.5, 33.5, 33.6};

using Matrix = FixedMatrix<kMaxFitParams, kMaxFitParams>;

std::size_t DerivIndex(int i, int s, int l) {
  return (static_cast<std::size_t>(i - 1) * kMaxSpectra + static_cast<std::size_t>(s - 1)) * kPoints +
         static_cast<std::size_t>(l - 1);
}

// Largest deviation of alpha * inverse from the identity: some cond * 1e-16
// for a matrix that can be inverted, order 1 for one that is singular but
// for rounding (whose "inverse" is rounding noise of enormous entries).
double InverseResidual(const Matrix& alpha, const Matrix& inverse, int np) {
  double worst = 0;
  for (int i = 1; i <= np; ++i)
    for (int j = 1; j <= np; ++j) {
      double sum = 0;
      for (int k = 1; k <= np; ++k) sum += alpha(i, k) * inverse(k, j);
      const double r = std::fabs(sum - (i == j ? 1.0 : 0.0));
      if (!(r <= worst)) worst = r;  // a NaN counts as the worst
    }
  return worst;
}

// Beyond this residual the inverse is rounding noise, not a covariance.
constexpr double kMaxInverseResidual = 1e-6;

// Inverts the leading np x np block of `alpha` (indices mapped through
// `index`, 1-based) into `cov` scaled by q. A zero pivot fails in the
// solver, which writes its diagnostic. A matrix that is singular but for
// rounding passes the solver with an inverse of rounding noise (errors of
// 1e8 and more); it is caught by the residual of alpha * inverse, or by a
// diagonal that is not a finite non-negative variance, and treated the
// same way, with the diagnostic of the curvature matrix written here. On
// failure `cov` takes the step products h_i h_j q.
bool Covariance(const Matrix& alpha, const int* index, int np, FixedMatrix<kMaxFitParams, 1>& rhs,
                const double* h, double q, Matrix& cov, Matrix& scratch) {
  for (int a = 1; a <= np; ++a)
    for (int b = 1; b <= np; ++b) cov(a, b) = scratch(a, b) = alpha(index[a], index[b]);
  bool ok = GaussJordan(cov, np, rhs, 0);
  if (ok) {
    for (int i = 1; i <= np; ++i)
      if (!(cov(i, i) >= 0) || !std::isfinite(cov(i, i))) ok = false;
    if (ok && !(InverseResidual(scratch, cov, np) <= kMaxInverseResidual)) ok = false;
    if (!ok) WriteGaussJDiagnostic(GaussJDiagnosticText(scratch, np));
  }
  for (int i = 1; i <= np; ++i)
    for (int j = 1; j <= np; ++j) cov(i, j) = ok ? cov(i, j) * q : h[i] * h[j] * q;
  return ok;
}

double Correlation(const Matrix& cov, int i, int j) {
  if (i == j) return 0.0;
  const double den = std::sqrt(cov(i, i) * cov(j, j));
  return den > 0 ? cov(i, j) / den : 0.0;
}

}  // namespace

std::unique_ptr<ErrorWorkspace> MakeErrorWorkspace() { return std::make_unique<ErrorWorkspace>(); }

double ConfidenceQuantile(int error_method, int np) {
  if (np < 1) return 0.0;
  const auto& table = error_method == 1 ? kQuantile95 : kQuantile70;
  if (np <= static_cast<int>(table.size())) return table[static_cast<std::size_t>(np - 1)];
  // Wilson-Hilferty: chi^2_k(p) ~ k (1 - 2/(9k) + z sqrt(2/(9k)))^3 with the
  // normal quantile z of p.
  const double z = error_method == 1 ? 1.6448536 : 0.5244005;
  const double c = 2.0 / (9.0 * np);
  const double t = 1.0 - c + z * std::sqrt(c);
  return np * t * t * t;
}

void PropagateWeightErrors(Tspcmf& exp, const WeightCorrelation& rho) {
  const int N = exp.DomainCount;
  if (N < 1) return;
  double r[kMaxDomains + 1] = {};
  double s[kMaxDomains + 1] = {};
  for (int k = 1; k <= N; ++k) {
    const Domain& d = exp.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    if (n == 0) continue;
    r[k] = d.Values[static_cast<std::size_t>(n)];
    s[k] = d.Errors[static_cast<std::size_t>(n)];
  }
  auto set = [&](int k, double e) {
    Domain& d = exp.Domains[static_cast<std::size_t>(k)];
    const int n = ParamCount(d.type);
    if (n > 0) d.Errors[static_cast<std::size_t>(n)] = e;
  };
  set(1, N == 1 ? 0.0 : s[1]);
  for (int k = 2; k <= N; ++k) {
    // d_k = [r_k] prod_{j<k} (1 - r_j). The relative terms a_k = s_k / r_k
    // and b_j = s_j / (1 - r_j) are taken times d_k, which cancels the
    // divisions: A = s_k prod (1 - r_j), B_j = s_j [r_k] prod_{i != j} (1 - r_i).
    const double rk = k < N ? r[k] : 1.0;
    double prod = 1.0;
    for (int j = 1; j < k; ++j) prod *= 1.0 - r[j];
    const double A = k < N ? s[k] * prod : 0.0;
    double B[kMaxDomains + 1] = {};
    for (int j = 1; j < k; ++j) {
      double p = rk;
      for (int i = 1; i < k; ++i)
        if (i != j) p *= 1.0 - r[i];
      B[j] = s[j] * p;
    }
    double sum = A * A;
    for (int j = 1; j < k; ++j) {
      sum += B[j] * B[j];
      if (k < N) sum -= A * B[j] * rho(k, j);
      for (int jj = j + 1; jj < k; ++jj) sum += B[j] * B[jj] * rho(j, jj);
    }
    set(k, std::sqrt(sum > 0 ? sum : 0.0));
  }
}

bool ErrorAnalysis(Tvrecica& work, SimBuffers& buf, ErrorWorkspace& ws, FitProgressFn progress,
                   void* user) {
  Tspcmf& exp = work.exp;
  const ProjectSettings& settings = work.settings;
  for (int k = 1; k <= exp.DomainCount && k <= kMaxDomains; ++k) {
    Domain& d = exp.Domains[static_cast<std::size_t>(k)];
    d.Errors.fill(0.0);
    d.ErrorKept.fill(false);
  }

  SearchSpace space;
  CollectSearchSpace(work, space);
  SearchStart(space, ws.vector);
  const int offset = space.exp_count;
  const int np = space.count - offset;
  ws.np = np;
  ws.second_pass = false;
  ws.kept = 0;
  ws.success = true;
  double h[kMaxFitParams + 1] = {};
  for (int i = 1; i <= np; ++i) {
    const SearchItem& item = space.item(offset + i);
    ws.params[static_cast<std::size_t>(i - 1)] = {item.domain, item.index};
    h[i] = item.step;
  }
  const int n_spec = exp.SpectrumCount;
  const int total_sims = np + 2;
  int sims = 0;

  const double base_fitness = SimulateExperiment(work, ws.vector, buf);
  ++sims;
  for (int s = 1; s <= n_spec; ++s) ws.base[static_cast<std::size_t>(s)] = buf.SimTotal[static_cast<std::size_t>(s)];
  if (progress) progress(sims, base_fitness, user);

  for (int i = 1; i <= np; ++i) {
    double* D = &ws.derivatives[DerivIndex(i, 1, 1)];
    const std::size_t count = static_cast<std::size_t>(n_spec) * kPoints;
    if (h[i] == 0) {
      // No step to take: the parameter contributes a zero row and column,
      // so the matrix is singular and the step errors (0 for it) apply.
      for (std::size_t q = 0; q < count; ++q) D[q] = 0.0;
      continue;
    }
    double& entry = ws.vector[static_cast<std::size_t>(offset + i)];
    const double saved = entry;
    entry = saved + h[i];
    SimulateExperiment(work, ws.vector, buf);
    entry = saved;
    ++sims;
    for (int s = 1; s <= n_spec; ++s) {
      const Spectrum1024& now = buf.SimTotal[static_cast<std::size_t>(s)];
      const Spectrum1024& base = ws.base[static_cast<std::size_t>(s)];
      double* Ds = D + static_cast<std::size_t>(s - 1) * kPoints;
      for (int l = 1; l <= kPoints; ++l) {
        const double v = (now[l] - base[l]) / h[i];
        Ds[l - 1] = v == 0 ? 0.0001 / h[i] : v;
      }
    }
    if (progress) progress(sims, base_fitness, user);
  }

  // Curvature matrix. A spectrum without a noise estimate (NoiseWeight 0)
  // has no scale for its residuals and is left out.
  for (int i = 1; i <= np; ++i)
    for (int j = i; j <= np; ++j) {
      double sum = 0;
      for (int s = 1; s <= n_spec; ++s) {
        const double nw = exp.Spectra[static_cast<std::size_t>(s)].NoiseWeight;
        if (!(nw > 0)) continue;
        const double* Di = &ws.derivatives[DerivIndex(i, s, 1)];
        const double* Dj = &ws.derivatives[DerivIndex(j, s, 1)];
        double dot = 0;
        for (int l = 0; l < kPoints; ++l) dot += Di[l] * Dj[l];
        sum += dot / nw;
      }
      ws.alpha_copy(i, j) = ws.alpha_copy(j, i) = sum;
    }

  Matrix& cov = ws.alpha;  // the inverse, then the covariance
  auto error_of = [&](int i) -> double& {
    const ErrorParam& p = ws.param(i);
    return exp.Domains[static_cast<std::size_t>(p.domain)].Errors[static_cast<std::size_t>(p.row)];
  };
  if (np > 0) {
    int all[kMaxFitParams + 1] = {};
    for (int i = 1; i <= np; ++i) all[i] = i;
    ws.success = Covariance(ws.alpha_copy, all, np, ws.rhs, h, ConfidenceQuantile(settings.ErrorMethod, np), cov,
                            ws.scratch);
    for (int i = 1; i <= np; ++i) {
      error_of(i) = std::sqrt(cov(i, i));
      for (int j = 1; j <= np; ++j) ws.correlation(i, j) = Correlation(cov, i, j);
    }

    if (settings.ErrorFlag1 && ws.success) {
      ws.second_pass = true;
      int index[kMaxFitParams + 1] = {};
      double hk[kMaxFitParams + 1] = {};
      int kept = 0;
      for (int i = 1; i <= np; ++i) {
        const ErrorParam& p = ws.param(i);
        Domain& d = exp.Domains[static_cast<std::size_t>(p.domain)];
        const auto t = static_cast<std::size_t>(d.type);
        const auto row = static_cast<std::size_t>(p.row - 1);
        const double range = settings.LimitMax[t][row] - settings.LimitMin[t][row];
        const bool pass = !(2.0 * error_of(i) > range);
        d.ErrorKept[static_cast<std::size_t>(p.row)] = pass;
        if (pass) {
          index[++kept] = i;
          hk[kept] = h[i];
        }
      }
      ws.kept = kept;
      for (int i = 1; i <= np; ++i) {
        error_of(i) = 0.0;
        for (int j = 1; j <= np; ++j) ws.correlation(i, j) = 0.0;
      }
      if (kept > 0) {
        ws.success = Covariance(ws.alpha_copy, index, kept, ws.rhs, hk,
                                ConfidenceQuantile(settings.ErrorMethod, kept), cov, ws.scratch);
        for (int a = 1; a <= kept; ++a) {
          error_of(index[a]) = std::sqrt(cov(a, a));
          for (int b = 1; b <= kept; ++b) ws.correlation(index[a], index[b]) = Correlation(cov, a, b);
        }
      }
    }
  }

  // Correlations of the conditional weights, by domain.
  WeightCorrelation rho{};
  int weight_param[kMaxDomains + 1] = {};
  for (int i = 1; i <= np; ++i) {
    const ErrorParam& p = ws.param(i);
    if (p.row == ParamCount(exp.Domains[static_cast<std::size_t>(p.domain)].type)) weight_param[p.domain] = i;
  }
  for (int k = 1; k <= exp.DomainCount && k <= kMaxDomains; ++k)
    for (int j = 1; j <= exp.DomainCount && j <= kMaxDomains; ++j)
      if (weight_param[k] && weight_param[j]) rho(k, j) = ws.correlation(weight_param[k], weight_param[j]);
  PropagateWeightErrors(exp, rho);

  SimulateExperiment(work, ws.vector, buf);
  ++sims;
  if (progress) progress(total_sims, base_fitness, user);
  return ws.success;
}

bool ErrorAnalysis(Tvrecica& work, SimBuffers& buf) {
  auto ws = MakeErrorWorkspace();
  return ErrorAnalysis(work, buf, *ws);
}

}  // namespace korvel
