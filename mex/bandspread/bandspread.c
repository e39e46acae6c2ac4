/* bandspread: spectrum of a chain of line positions, each segment a band of
 * uniform density.
 *
 *   spectrum = bandspread(P, Amp, Wt, X)
 *
 * P:   Np real positions; segment s joins P(s) and P(s + 1). A segment with
 *      a NaN end is skipped.
 * Amp: 1 value for all segments or Np values, one per position (a segment
 *      then uses the mean of its two ends); real or complex.
 * Wt:  Np - 1 real segment weights.
 * X:   the equally spaced, ascending axis; only X(1), X(2) - X(1) and its
 *      length Nx are used.
 * spectrum: 1 x Nx row, complex when Amp is complex.
 *
 * In bin coordinates u = (p - X(1)) / dx element k collects u from k to
 * k + 1; a segment's value Amp * Wt / dx is spread uniformly between its two
 * ends by exact integration, so a segment wholly inside the axis adds that
 * value in total.
 */
#include <math.h>
#include <stddef.h>

#include "mex.h"

/* Bin index of bin coordinate u, truncated toward zero (every u in (-1, 1)
 * gives 0). Indices beyond the axis are clamped to -1 and nx: the rules only
 * compare them with 0 and nx there, so the result is unchanged, and a huge
 * or infinite u never overflows the cast. */
static ptrdiff_t BinIndex(double u, ptrdiff_t nx)
{
  if (!(u < (double)nx)) return nx;
  if (u <= -1.0) return -1;
  return (ptrdiff_t)u;
}

static void RequireFullDouble(const mxArray *array, const char *message)
{
  if (!mxIsDouble(array) || mxIsSparse(array)) mexErrMsgTxt(message);
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
  const mxArray *P, *Amp, *Wt, *X;
  const double *pos, *amp_re, *amp_im, *wt, *x;
  double *out_re, *out_im;
  double x0, dx;
  size_t np, namp, s;
  ptrdiff_t nx;
  int complex_result;

  if (nrhs != 4) mexErrMsgTxt("Wrong number of input parameters!");
  if (nlhs != 1) mexErrMsgTxt("Wrong number of output parameters!");
  P = prhs[0];
  Amp = prhs[1];
  Wt = prhs[2];
  X = prhs[3];
  np = mxGetNumberOfElements(P);
  namp = mxGetNumberOfElements(Amp);
  /* Written as Nw + 1 = Np so that an empty P cannot wrap around. */
  if (mxGetNumberOfElements(Wt) + 1 != np) mexErrMsgTxt("Wrong number of segment weights. Should be nPeaks-1");
  if (namp != 1 && namp != np) mexErrMsgTxt("Wrong number of amplitudes! Should be 1 or nPeaks.");
  if (mxIsComplex(P)) mexErrMsgTxt("Peak positions are complex! Only real are allowed.");
  if (mxIsComplex(Wt)) mexErrMsgTxt("Segment weights are complex! Only real are allowed.");

  /* Arrays read as doubles must be full double arrays: another class or a
   * sparse matrix would be read past its data. */
  RequireFullDouble(P, "Peak positions P must be a full double array!");
  RequireFullDouble(Amp, "Amplitudes Amp must be a full double array!");
  RequireFullDouble(Wt, "Segment weights Wt must be a full double array!");
  RequireFullDouble(X, "Axis X must be a full double array!");
  if (mxGetNumberOfElements(X) < 2) mexErrMsgTxt("Axis X must have at least 2 elements!");
  x = mxGetPr(X);
  x0 = x[0];
  dx = x[1] - x[0];
  if (!(dx > 0.0) || mxIsInf(dx) || mxIsInf(x0))
    mexErrMsgTxt("Axis X must be ascending with a finite step X(2) - X(1) > 0!");
  nx = (ptrdiff_t)mxGetNumberOfElements(X);

  complex_result = mxIsComplex(Amp);
  plhs[0] = mxCreateDoubleMatrix(1, (mwSize)nx, complex_result ? mxCOMPLEX : mxREAL);
  out_re = mxGetPr(plhs[0]);
  out_im = complex_result ? mxGetPi(plhs[0]) : NULL;
  pos = mxGetPr(P);
  amp_re = mxGetPr(Amp);
  amp_im = complex_result ? mxGetPi(Amp) : NULL;
  wt = mxGetPr(Wt);

  for (s = 0; s + 1 < np; ++s) {
    double lo = pos[s], hi = pos[s + 1];
    double L, H, a_re, a_im = 0.0, v_re, v_im;
    ptrdiff_t iL, iH, j, first, last;

    if (isnan(lo) || isnan(hi)) continue; /* inline: this runs once per segment */
    if (lo > hi) {
      lo = pos[s + 1];
      hi = pos[s];
    }
    L = (lo - x0) / dx;
    H = (hi - x0) / dx;
    iL = BinIndex(L, nx);
    iH = BinIndex(H, nx);
    if (iL >= nx || iH < 0) continue;

    if (namp == 1) {
      a_re = amp_re[0] / dx;
      if (amp_im) a_im = amp_im[0] / dx;
    } else {
      a_re = (amp_re[s] + amp_re[s + 1]) / 2.0 / dx;
      if (amp_im) a_im = (amp_im[s] + amp_im[s + 1]) / 2.0 / dx;
    }
    v_re = a_re * wt[s];
    v_im = a_im * wt[s];

    if (iL == iH) {
      out_re[iH] += v_re;
      if (out_im) out_im[iH] += v_im;
      continue;
    }

    {
      /* Density per unit of bin coordinate between L and H. */
      const double d_re = v_re / (H - L), d_im = v_im / (H - L);
      first = 0;
      last = nx;
      if (iL >= 0) {
        const double part = (double)iL + 1.0 - L;
        out_re[iL] += d_re * part;
        if (out_im) out_im[iL] += d_im * part;
        first = iL + 1;
      }
      if (iH < nx) {
        const double part = H - (double)iH;
        out_re[iH] += d_re * part;
        if (out_im) out_im[iH] += d_im * part;
        last = iH;
      }
      for (j = first; j < last; ++j) out_re[j] += d_re;
      if (out_im)
        for (j = first; j < last; ++j) out_im[j] += d_im;
    }
  }
}
