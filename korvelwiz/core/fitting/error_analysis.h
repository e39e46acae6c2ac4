#pragma once
// Error analysis of one experiment: the uncertainty of every switched-on
// domain parameter from the curvature of chi^2 around the current values,
// and of each domain's absolute weight from those of the conditional
// weights.
//
// For the np switched domain parameters (canonical order; experiment-level
// parameters stay in the vector unchanged and get no error) with steps
// h_i = Grid of (type, row - 1):
//   D_i(s, l) = (SimTotal(s, l) at x + h_i e_i - SimTotal(s, l) at x) / h_i,
//               an exact 0 replaced by 0.0001 / h_i,
//   alpha_ij  = sum over spectra s and points l of D_i D_j / NoiseWeight(s),
//   Cov       = alpha^-1 * Q(np), or h_i h_j Q(np) when alpha is singular,
//   Errors    = sqrt(Cov_ii), correlations Cov_ij / sqrt(Cov_ii Cov_jj),
// Q(np) being the 95 % point of chi^2 with np degrees of freedom for
// ErrorMethod 1 and about the 70 % point otherwise. With ErrorFlag1 a
// second pass keeps only the parameters whose doubled error fits inside
// their range and recomputes their errors from the reduced matrix.
#include <array>
#include <memory>

#include "engine/sim_buffers.h"
#include "fitting/gauss_jordan.h"
#include "fitting/local_optimization.h"
#include "fitting/search_space.h"
#include "project/records.h"

namespace korvel {

// A parameter of the analysis: domain 1..DomainCount and palette row 1..n.
struct ErrorParam {
  int domain = 0;
  int row = 0;
};

// Correlations between the conditional weights of domains 1..5.
using WeightCorrelation = FixedMatrix<kMaxDomains, kMaxDomains>;

// Scratch and results of one analysis; some 4.6 MB, so make it once
// (MakeErrorWorkspace) and reuse it: the analysis itself allocates nothing.
struct ErrorWorkspace {
  // Derivatives D_i(s, l), parameter-major: [(i-1)][(s-1)][(l-1)].
  std::array<double, static_cast<std::size_t>(kMaxFitParams) * kMaxSpectra * kPoints> derivatives{};
  OneBased<Spectrum1024, kMaxSpectra> base{};
  FixedMatrix<kMaxFitParams, kMaxFitParams> alpha{}, alpha_copy{}, scratch{};
  FixedMatrix<kMaxFitParams, 1> rhs{};
  ParamVec vector{};

  // Results of the last analysis.
  int np = 0;                                    // switched domain parameters
  std::array<ErrorParam, kMaxFitParams> params{};  // 0-based storage; param(i) takes 1..np
  FixedMatrix<kMaxFitParams, kMaxFitParams> correlation{};  // by parameter 1..np, 0 on the diagonal
  bool second_pass = false;  // the range test ran
  int kept = 0;              // parameters that passed it
  bool success = false;      // the last inversion succeeded

  const ErrorParam& param(int i) const { return params[static_cast<std::size_t>(i - 1)]; }
};

std::unique_ptr<ErrorWorkspace> MakeErrorWorkspace();

// Runs the analysis on the working copy: clears Errors and ErrorKept of
// every domain, fills Errors (palette rows 1..n) and, in the second pass,
// ErrorKept, and simulates once more at the unchanged parameters so that
// the buffers and Fitness match them. Returns true when the last matrix
// inversion succeeded (and when there was nothing to invert); on a singular
// matrix the errors come from the steps, the solver's diagnostic file is
// written beside GaussJProjectFile() and false is returned. A matrix that
// is singular but for rounding counts as singular: its inverse must
// reproduce the identity to 1e-6 (max |alpha alpha^-1 - I|). `progress`
// receives the simulations done so far and the base chi^2.
// Throws FitCapacityError beyond 100 active parameters.
bool ErrorAnalysis(Tvrecica& work, SimBuffers& buf, ErrorWorkspace& ws,
                   FitProgressFn progress = nullptr, void* user = nullptr);

// The same with a workspace of its own (one allocation per call).
bool ErrorAnalysis(Tvrecica& work, SimBuffers& buf);

// Q: the confidence table entry for np parameters (1-based). ErrorMethod 1
// takes the 95 % points of chi^2, any other value the 70 % table. Beyond
// the 31 tabulated entries the Wilson-Hilferty approximation of the same
// quantile continues the table; np < 1 gives 0.
double ConfidenceQuantile(int error_method, int np);

// Step 9: the errors of the absolute weights. On entry Errors[n_k] of every
// domain holds the error s_k of its conditional weight r_k (0 when not
// switched) and rho(k, j) the correlation of r_k and r_j. Replaces
// Errors[n_k] by the error of d_k: s_1 for domain 1 (0 with one domain), and
// for k >= 2 the propagated error of d_k = [r_k, k < N] * prod_{j<k}(1 - r_j)
// in which every pair of terms contributes its product times the
// correlation once. Written through the gradient of d_k, so a conditional
// weight of 0 or 1 gives a finite error.
void PropagateWeightErrors(Tspcmf& exp, const WeightCorrelation& rho);

}  // namespace korvel
