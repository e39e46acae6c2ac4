/* The MATLAB array and MEX calls used by the four extension functions, as
 * the host layer of the GoogleTest build and the benchmarks provides them.
 *
 * The extension sources include "mex.h" and compile unchanged against this
 * header and against Octave's (mkoctfile --mex).  Only the calls the
 * functions use are declared; their behaviour follows MATLAB's:
 *   - mxCreateDoubleMatrix returns a zero-filled array; mxGetPr/mxGetPi point
 *     at the real/imaginary data (for a uint32 array, at its uint32 elements);
 *   - mxGetScalar returns the first element as a double (0 for an empty one);
 *   - mexErrMsgTxt raises the text as an error: the call of mexFunction ends
 *     there and control never comes back to the caller of mexErrMsgTxt;
 *   - memory from mxMalloc and arrays not handed back in plhs are released
 *     by the host when the call ends, normally or by an error.
 */
#ifndef KORVEL_MEX_HOST_MEX_H
#define KORVEL_MEX_HOST_MEX_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#define KORVEL_MEX_NORETURN [[noreturn]]
#else
#include <stdbool.h>
#define KORVEL_MEX_NORETURN _Noreturn
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

/* The entry point every extension function defines, and the build marker. */
void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);
const char *mexVersion(void);

size_t mxGetM(const mxArray *array);
size_t mxGetN(const mxArray *array);
size_t mxGetNumberOfElements(const mxArray *array);
bool mxIsComplex(const mxArray *array);
bool mxIsDouble(const mxArray *array);
bool mxIsSparse(const mxArray *array);
bool mxIsUint32(const mxArray *array);
double *mxGetPr(const mxArray *array);
double *mxGetPi(const mxArray *array);
double mxGetScalar(const mxArray *array);
bool mxIsNaN(double value);
bool mxIsInf(double value);

void *mxMalloc(size_t bytes);
void mxFree(void *block);
mxArray *mxCreateDoubleMatrix(mwSize rows, mwSize cols, mxComplexity complexity);

KORVEL_MEX_NORETURN void mexErrMsgTxt(const char *message);
int mexPrintf(const char *format, ...);

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_MEX_HOST_MEX_H */
