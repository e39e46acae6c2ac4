// Shared helpers of the extension function tests: the four entry points as
// the host build names them, and short ways to call them.
#pragma once

#include <string>
#include <vector>

#include "mex_host.h"

extern "C" {
void korvel_rootfind3_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_facetspread_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_peakaccum_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_bandspread_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
}

namespace korvel::mex_host {

// The text of the error the call raises, or "" when it succeeds.
inline std::string ErrorOf(MexFunction fn, int nlhs, const std::vector<const mxArray*>& inputs) {
  try {
    Call(fn, nlhs, inputs);
  } catch (const MexError& error) {
    return error.what();
  }
  return "";
}

// The real part of the single output of a one-output call.
inline std::vector<double> SpectrumOf(MexFunction fn, const std::vector<const mxArray*>& inputs) {
  CallResult result = Call(fn, 1, inputs);
  return Real(result.outputs.at(0).get());
}

inline double Sum(const std::vector<double>& values) {
  double total = 0.0;
  for (double v : values) total += v;
  return total;
}

}  // namespace korvel::mex_host
