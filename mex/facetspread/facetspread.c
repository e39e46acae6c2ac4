/* facetspread: spectrum of a triangulated surface whose corners carry line
 * positions.
 *
 *   spectrum = facetspread(T, S, P, Amp, X)
 *
 * T:   3 x Nt uint32, the 1-based corner indices of each triangle.
 * S:   Nt doubles, the area (weight) of each triangle.
 * P:   Nv doubles, the line position at each corner; NaN marks a corner
 *      without a position (its triangles are skipped, as are triangles with
 *      an infinite corner, whose density is zero everywhere).
 * Amp: 1 double for all triangles, or Nv doubles, one per corner (a
 *      triangle then uses the mean of its three corners).
 * X:   the equally spaced, ascending axis; only X(1), X(2) - X(1) and its
 *      length Nx are used.
 * spectrum: 1 x Nx row.
 *
 * Inside a triangle the position varies linearly, so the positions it covers
 * have a tent-shaped density from its lowest to its highest corner position,
 * peaking at the middle one. The triangle's weight Amp * S is spread over
 * the bins by exact integration of that density: in bin coordinates
 * u = (p - X(1)) / dx, element k collects u from k to k + 1, and a triangle
 * wholly inside the axis adds weight / dx in total.
 */
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "mex.h"

/* Bin index of bin coordinate u, truncated toward zero as the bin rules
 * expect (every u in (-1, 1) gives 0). Indices beyond the axis are clamped
 * to -1 and nx: the rules only compare them with 0 and nx there, so the
 * result is unchanged, and a huge or infinite u never overflows the cast. */
static ptrdiff_t BinIndex(double u, ptrdiff_t nx)
{
  if (!(u < (double)nx)) return nx;
  if (u <= -1.0) return -1;
  return (ptrdiff_t)u;
}

static void Swap(double *a, double *b)
{
  const double t = *a;
  *a = *b;
  *b = t;
}

/* Adds every triangle to spectrum[0..nx-1]; corner indices are checked
 * against 1..nv before any position is read. */
static void spreadFacets(const uint32_t *tri, size_t nt, const double *area, const double *pos, size_t nv,
                         const double *amp, size_t namp, double x0, double dx, double *spectrum, ptrdiff_t nx)
{
  size_t k;
  for (k = 0; k < nt; ++k) {
    const uint32_t *corner = tri + 3 * k;
    double lo, mid, hi, L, M, H, W, a, w;
    ptrdiff_t iL, iM, iH, j, first, last;
    int c;

    for (c = 0; c < 3; ++c) {
      if (corner[c] < 1 || corner[c] > nv) {
        char message[160];
        snprintf(message, sizeof message,
                 "Triangulation array: corner index %lu of triangle %lu is outside 1..%lu (the elements of P)!",
                 (unsigned long)corner[c], (unsigned long)(k + 1), (unsigned long)nv);
        mexErrMsgTxt(message);
      }
    }
    lo = pos[corner[0] - 1];
    mid = pos[corner[1] - 1];
    hi = pos[corner[2] - 1];
    /* NaN marks a corner without a position. An infinite corner spreads
     * the weight over an infinite range: its density, and so its share of
     * every bin, is zero; skipping it keeps the 0 * inf of the bin formulas
     * from turning bins into NaN. The inline isfinite keeps this test cheap
     * in a loop over a million triangles. */
    if (!isfinite(lo) || !isfinite(mid) || !isfinite(hi)) continue;
    if (lo > mid) Swap(&lo, &mid);
    if (mid > hi) Swap(&mid, &hi);
    if (lo > mid) Swap(&lo, &mid);

    L = (lo - x0) / dx;
    M = (mid - x0) / dx;
    H = (hi - x0) / dx;
    W = H - L;
    iL = BinIndex(L, nx);
    iM = BinIndex(M, nx);
    iH = BinIndex(H, nx);

    a = namp == 1 ? amp[0] : (amp[corner[0] - 1] + amp[corner[1] - 1] + amp[corner[2] - 1]) / 3.0;
    w = a * area[k];

    /* Rising flank L..M: the density grows linearly, s1 (u - L). */
    if (iM >= 0 && iL < nx && M - L > 0.0) {
      const double s1 = 2.0 * w / (W * (M - L) * dx);
      if (iL == iM) {
        spectrum[iM] += s1 * (M - L) * (M - L) / 2.0;
      } else {
        first = 0;
        last = nx;
        if (iL >= 0) {
          spectrum[iL] += s1 * ((double)iL + 1.0 - L) * ((double)iL + 1.0 - L) / 2.0;
          first = iL + 1;
        }
        if (iM < nx) {
          spectrum[iM] += s1 * (M - (double)iM) * (((double)iM + M) / 2.0 - L);
          last = iM;
        }
        for (j = first; j < last; ++j) spectrum[j] += s1 * ((double)j + 0.5 - L);
      }
    }

    /* Falling flank M..H: the density drops linearly, s2 (H - u). */
    if (iH >= 0 && iM < nx && H - M > 0.0) {
      const double s2 = 2.0 * w / (W * (H - M) * dx);
      if (iM == iH) {
        spectrum[iH] += s2 * (H - M) * (H - M) / 2.0;
      } else {
        first = 0;
        last = nx;
        if (iM >= 0) {
          spectrum[iM] += s2 * ((double)iM + 1.0 - M) * (H - (M + (double)iM + 1.0) / 2.0);
          first = iM + 1;
        }
        if (iH < nx) {
          spectrum[iH] += s2 * (H - (double)iH) * (H - (double)iH) / 2.0;
          last = iH;
        }
        for (j = first; j < last; ++j) spectrum[j] += s2 * (H - (double)j - 0.5);
      }
    }
  }
}

/* Arrays read as doubles must be full double arrays: another class or a
 * sparse matrix would be read past its data. */
static void RequireFullDouble(const mxArray *array, const char *message)
{
  if (!mxIsDouble(array) || mxIsSparse(array)) mexErrMsgTxt(message);
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
  const mxArray *T, *S, *P, *Amp, *X;
  const double *x;
  double x0, dx;
  size_t nx;

  if (nrhs != 5) mexErrMsgTxt("Wrong number of input arguments!");
  if (nlhs != 1) mexErrMsgTxt("Wrong number of output arguments!");
  T = prhs[0];
  S = prhs[1];
  P = prhs[2];
  Amp = prhs[3];
  X = prhs[4];
  if (mxGetM(T) != 3) mexErrMsgTxt("Triangulation array must have 3 rows!");
  if (!mxIsUint32(T)) mexErrMsgTxt("Triangulation array must be uint32!");
  if (mxGetN(T) != mxGetNumberOfElements(S)) mexErrMsgTxt("Number of triangles and areas must match!");
  if (mxGetNumberOfElements(Amp) != 1 && mxGetNumberOfElements(Amp) != mxGetNumberOfElements(P))
    mexErrMsgTxt("Number of line positions and amplitudes must match!");

  RequireFullDouble(S, "Areas S must be a full double array!");
  RequireFullDouble(P, "Line positions P must be a full double array!");
  RequireFullDouble(Amp, "Amplitudes Amp must be a full double array!");
  RequireFullDouble(X, "Axis X must be a full double array!");
  nx = mxGetNumberOfElements(X);
  if (nx < 2) mexErrMsgTxt("Axis X must have at least 2 elements!");
  x = mxGetPr(X);
  x0 = x[0];
  dx = x[1] - x[0];
  if (!(dx > 0.0) || mxIsInf(dx) || mxIsInf(x0))
    mexErrMsgTxt("Axis X must be ascending with a finite step X(2) - X(1) > 0!");

  plhs[0] = mxCreateDoubleMatrix(1, (mwSize)nx, mxREAL);
  spreadFacets((const uint32_t *)mxGetPr(T), mxGetN(T), mxGetPr(S), mxGetPr(P), mxGetNumberOfElements(P),
               mxGetPr(Amp), mxGetNumberOfElements(Amp), x0, dx, mxGetPr(plhs[0]), (ptrdiff_t)nx);
}
