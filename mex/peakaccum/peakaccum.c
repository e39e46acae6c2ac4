/* peakaccum: spectrum as the sum of many lines of one tabulated shape.
 *
 *   spectrum = peakaccum(G, c0, rho, Pos, Amp, Wid, X)
 *
 * G:   Ng >= 2 samples of the running integral of the line shape.
 * c0:  1-based (possibly fractional) table index of the line centre.
 * rho: table samples per unit of line width (positive, finite).
 * Pos, Amp, Wid: Nl doubles each, position, amplitude and width of every
 *      line in axis units. Lines with a NaN are skipped; lines with an
 *      infinity are skipped and reported once; a negative width counts as
 *      zero and is reported once; a zero width is drawn as dx / 100.
 * X:   the equally spaced, ascending axis; only X(1), X(2) - X(1) and its
 *      length Nx are used.
 * spectrum: 1 x Nx row.
 *
 * Axis point k receives the line's integral over [x_k - dx/2, x_k + dx/2],
 * the difference of two readings of the running integral, so a line narrower
 * than one step still keeps its whole area.
 */
#include <math.h>
#include <stddef.h>
#include <stdio.h>

#include "mex.h"

/* Linear interpolation in the running integral at table position s. Beyond
 * either end the integral stays at its end value: the first and last sample
 * are returned there, so the reading never leaves g[0..ng-1]. Between -1
 * and 0 the truncation toward zero gives q = 0 and a negative f, a linear
 * extrapolation below g[0]. */
static double TableReading(const double *g, ptrdiff_t ng, double s)
{
  ptrdiff_t q;
  double f;
  if (!(s > -1.0)) return g[0];
  if (!(s < (double)(ng - 1))) return g[ng - 1];
  q = (ptrdiff_t)s;
  f = s - (double)q;
  return (1.0 - f) * g[q] + f * g[q + 1];
}

/* trunc(s) >= k, truncating toward zero: for k = 0 that holds from s > -1. */
static int TruncAtLeast(double s, ptrdiff_t k)
{
  return k > 0 ? s >= (double)k : s > (double)(k - 1);
}

static void RequireFullDouble(const mxArray *array, const char *message)
{
  if (!mxIsDouble(array) || mxIsSparse(array)) mexErrMsgTxt(message);
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
  const double *g, *pos, *amp, *wid, *x;
  double c0, rho, x0, dx;
  double *spectrum;
  ptrdiff_t ng, nx;
  size_t nl, i;
  int inf_met = 0, negative_met = 0;

  if (nrhs != 7) mexErrMsgTxt("Wrong number of input parameters!");
  if (nlhs != 1) mexErrMsgTxt("Wrong number of output parameters!");
  nl = mxGetNumberOfElements(prhs[3]);
  if (mxGetNumberOfElements(prhs[4]) != nl || mxGetNumberOfElements(prhs[5]) != nl)
    mexErrMsgTxt("Pos, Amp, Wid must have the same number of elements!");

  /* Arrays read as doubles must be full double arrays: another class or a
   * sparse matrix would be read past its data. */
  RequireFullDouble(prhs[0], "Line shape table G must be a full double array!");
  RequireFullDouble(prhs[3], "Pos must be a full double array!");
  RequireFullDouble(prhs[4], "Amp must be a full double array!");
  RequireFullDouble(prhs[5], "Wid must be a full double array!");
  RequireFullDouble(prhs[6], "Axis X must be a full double array!");
  if (mxGetNumberOfElements(prhs[0]) < 2) mexErrMsgTxt("Line shape table G must have at least 2 elements!");
  if (mxGetNumberOfElements(prhs[6]) < 2) mexErrMsgTxt("Axis X must have at least 2 elements!");

  g = mxGetPr(prhs[0]);
  ng = (ptrdiff_t)mxGetNumberOfElements(prhs[0]);
  c0 = mxGetScalar(prhs[1]);
  rho = mxGetScalar(prhs[2]);
  pos = mxGetPr(prhs[3]);
  amp = mxGetPr(prhs[4]);
  wid = mxGetPr(prhs[5]);
  x = mxGetPr(prhs[6]);
  nx = (ptrdiff_t)mxGetNumberOfElements(prhs[6]);
  x0 = x[0];
  dx = x[1] - x[0];
  if (!(rho > 0.0) || mxIsInf(rho)) mexErrMsgTxt("Table density rho must be a positive finite number!");
  if (!(dx > 0.0) || mxIsInf(dx) || mxIsInf(x0))
    mexErrMsgTxt("Axis X must be ascending with a finite step X(2) - X(1) > 0!");

  plhs[0] = mxCreateDoubleMatrix(1, (mwSize)nx, mxREAL);
  spectrum = mxGetPr(plhs[0]);

  for (i = 0; i < nl; ++i) {
    double w, m, o, e, A, s, prev, cur;
    ptrdiff_t j, n;

    if (mxIsNaN(pos[i]) || mxIsNaN(amp[i]) || mxIsNaN(wid[i])) continue;
    if (mxIsInf(pos[i]) || mxIsInf(amp[i]) || mxIsInf(wid[i])) {
      inf_met = 1;
      continue;
    }
    w = wid[i];
    if (w < 0.0) {
      w = 0.0;
      negative_met = 1;
    }
    if (w == 0.0) w = dx / 100.0;

    m = rho / w * dx; /* table steps per axis step */
    if (!(m > 0.0) || mxIsInf(m)) {
      char message[160];
      snprintf(message, sizeof message,
               "Wid(%lu) = %g gives a table scale rho/Wid*dx that is not a positive finite number!",
               (unsigned long)(i + 1), wid[i]);
      mexErrMsgTxt(message);
    }

    /* Where the table starts and ends, in axis steps, shifted by half a
     * step so that point k integrates from k - 1/2 to k + 1/2. */
    o = (pos[i] - x0) / dx - (c0 - 1.0) / m - 0.5;
    e = o + (double)(ng - 1) / m;
    if (!(o < (double)(nx - 1) && e > 0.0)) continue;

    j = o < 0.0 ? 0 : (ptrdiff_t)ceil(o);
    n = e <= (double)(nx - 1) ? (ptrdiff_t)ceil(e) : nx - 1;
    A = amp[i] / dx;

    s = m * ((double)j - o);
    prev = TableReading(g, ng, s - m);
    for (; j < n; ++j, s += m) {
      cur = TableReading(g, ng, s);
      spectrum[j] += A * (cur - prev);
      prev = cur;
    }
    /* The last point takes the rest of the table once s reaches its last
     * interval (trunc(s) >= ng - 2), whatever the rounding of s left over. */
    cur = TruncAtLeast(s, ng - 2) ? g[ng - 1] : TableReading(g, ng, s);
    spectrum[n] += A * (cur - prev);
  }

  if (inf_met) mexPrintf("********** peakaccum: Inf encountered!! Please report! **************\n");
  if (negative_met) mexPrintf("********** peakaccum: Negative width encountered!! Please report! **************\n");
}
