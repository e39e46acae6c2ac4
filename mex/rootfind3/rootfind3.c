/* rootfind3: the real roots of one cubic inside [0, 1], the parameter range
 * of one cubic spline segment, with the first and second derivative there.
 *
 *   [t, d1, d2] = rootfind3(coeffs)
 *   [t, d1, d2] = rootfind3(coeffs, LoopFields)
 *
 * coeffs: 4 real doubles (any shape), highest power first:
 *         p(t) = A t^3 + B t^2 + C t + D.
 * LoopFields: optional scalar, true unless it is 0 (NaN counts as true).
 *         When false, a cubic that is strictly monotone on [0, 1] is solved
 *         by Newton's method before the closed-form solver is tried.
 * t, d1, d2: 1 x n rows (n = 0..3), the roots in ascending order and
 *         p'(t), p''(t) at each of them.
 *
 * The function keeps no state between calls; all arithmetic is double.
 */
#include <math.h>
#include <stddef.h>

#include "mex.h"

enum { kMaxRoots = 3, kNewtonSteps = 11 };
static const double kNewtonTolerance = 1e-11;
static const double kPi = 3.14159265358979323846;

/* Keeps a candidate root that lies in the closed interval [0, 1]; the
 * comparisons are false for a NaN, so a NaN is never kept. */
static void KeepRoot(double r, double *roots, int *n)
{
  if (r >= 0.0 && r <= 1.0) roots[(*n)++] = r;
}

/* Closed-form real roots of A t^3 + B t^2 + C t + D, kept in [0, 1] in the
 * order of the candidates; returns how many were kept (at most 3). */
static int exactSolver(double A, double B, double C, double D, double *roots)
{
  int n = 0;
  if (A != 0.0) {
    const double a = B / A, b = C / A, e = D / A;
    const double Q = (a * a - 3.0 * b) / 9.0;
    const double R = (2.0 * a * a * a - 9.0 * a * b + 27.0 * e) / 54.0;
    const double Q3 = Q * Q * Q, R2 = R * R;
    if (Q3 > R2) {
      /* Three distinct real roots (trigonometric form). Q3 > R2 >= 0 keeps
       * the acos argument within [-1, 1] even after rounding. */
      const double theta = acos(R / sqrt(Q3));
      const double scale = -2.0 * sqrt(Q);
      KeepRoot(scale * cos(theta / 3.0) - a / 3.0, roots, &n);
      KeepRoot(scale * cos((theta + 2.0 * kPi) / 3.0) - a / 3.0, roots, &n);
      KeepRoot(scale * cos((theta - 2.0 * kPi) / 3.0) - a / 3.0, roots, &n);
    } else {
      /* One real root (Cardano); a double root falls in here as well and
       * only the root of this formula is reported. */
      const double S = pow(fabs(R) + sqrt(R2 - Q3), 1.0 / 3.0);
      const double U = R >= 0.0 ? -S : S;
      const double V = U != 0.0 ? Q / U : 0.0;
      KeepRoot(U + V - a / 3.0, roots, &n);
    }
  } else if (B != 0.0) {
    /* Quadratic: the sign choice avoids cancellation between C and s. */
    const double disc = C * C - 4.0 * B * D;
    double s, q;
    if (disc < 0.0) return 0;
    s = sqrt(disc);
    if (C < 0.0) s = -s;
    q = -(C + s) / 2.0;
    KeepRoot(q / B, roots, &n);
    KeepRoot(D / q, roots, &n);
  } else if (C != 0.0) {
    KeepRoot(-D / C, roots, &n);
  } else if (D == 0.0) {
    mexErrMsgTxt("All coefficients of the cubic spline are zero!");
  }
  return n;
}

/* Roots in [0, 1] with the fast paths: the Newton iteration for a strictly
 * monotone cubic (only when loop_fields is false) and the rejection of a
 * strictly monotone cubic whose ends have the same sign; the closed form
 * decides otherwise.
 *
 * The cubic counts as strictly monotone on [0, 1] when p'(0) p'(1) > 0 and
 * A C < 0: the roots of p' then have the product C / (3A) < 0, so at most one
 * of them lies in (0, 1), and since p' has the same sign at both ends, none
 * does. A rejection needs such a proof: a cubic that turns inside [0, 1]
 * can cross zero twice there although p(0) and p(1) have the same sign. */
static int unitRootSolve(double A, double B, double C, double D, int loop_fields, double *roots)
{
  const double p0 = D, p1 = A + B + C + D;
  const double dp0 = C, dp1 = 3.0 * A + 2.0 * B + C;
  const int monotone = dp0 * dp1 > 0.0 && A * C < 0.0;

  if (monotone && p0 * p1 > 0.0) return 0;
  if (monotone && !loop_fields) {
    double t = -D / (A + B + C); /* secant through (0, p(0)) and (1, p(1)) */
    int step;
    for (step = 0; step < kNewtonSteps; ++step) {
      const double delta = (((A * t + B) * t + C) * t + D) / ((3.0 * A * t + 2.0 * B) * t + C);
      t -= delta;
      if (t < 0.0 || t > 1.0) break;
      if (fabs(delta) < kNewtonTolerance) {
        roots[0] = t;
        return 1;
      }
    }
  }
  return exactSolver(A, B, C, D, roots);
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
  const double *coeffs;
  double A, B, C, D;
  int loop_fields = 1;
  double *scratch, *roots, *first, *second;
  double *out;
  int n, i, j, outputs;

  if (nlhs > 3) mexErrMsgTxt("Wrong number of output parameters!");
  if (nrhs != 1 && nrhs != 2) mexErrMsgTxt("Wrong number of input parameters!");
  if (mxGetNumberOfElements(prhs[0]) != 4 || mxIsComplex(prhs[0]))
    mexErrMsgTxt("Coefficient vector must contain 4 real elements!");
  if (nrhs == 2 && mxGetNumberOfElements(prhs[1]) != 1) mexErrMsgTxt("LoopFields must be a scalar (boolean)!");
  /* The coefficients are read as doubles: another class or a sparse matrix
   * would be read past its data. */
  if (!mxIsDouble(prhs[0]) || mxIsSparse(prhs[0])) mexErrMsgTxt("Coefficient vector must be a full double array!");

  if (nrhs == 2) loop_fields = mxGetScalar(prhs[1]) != 0.0; /* NaN != 0 */
  coeffs = mxGetPr(prhs[0]);
  A = coeffs[0];
  B = coeffs[1];
  C = coeffs[2];
  D = coeffs[3];

  scratch = (double *)mxMalloc(3 * kMaxRoots * sizeof(double));
  roots = scratch;
  first = scratch + kMaxRoots;
  second = scratch + 2 * kMaxRoots;

  n = unitRootSolve(A, B, C, D, loop_fields, roots);
  for (i = 0; i < n; ++i) {
    const double r = roots[i];
    first[i] = (3.0 * A * r + 2.0 * B) * r + C;
    second[i] = 6.0 * A * r + 2.0 * B;
  }

  /* Insertion sort: equal roots keep their order, and every root carries
   * its own derivatives along. */
  for (i = 1; i < n; ++i) {
    const double r = roots[i], d1 = first[i], d2 = second[i];
    for (j = i; j > 0 && roots[j - 1] > r; --j) {
      roots[j] = roots[j - 1];
      first[j] = first[j - 1];
      second[j] = second[j - 1];
    }
    roots[j] = r;
    first[j] = d1;
    second[j] = d2;
  }

  /* plhs holds max(nlhs, 1) slots: only the rows asked for are created. */
  outputs = nlhs > 1 ? nlhs : 1;
  for (j = 0; j < outputs; ++j) {
    const double *row = scratch + j * kMaxRoots;
    plhs[j] = mxCreateDoubleMatrix(1, (mwSize)n, mxREAL);
    out = mxGetPr(plhs[j]);
    for (i = 0; i < n; ++i) out[i] = row[i];
  }
  mxFree(scratch);
}
