// Shared helpers of the extension function tests: the four entry points as
// the host build names them, and short ways to call them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

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

template <typename... Arrays>
std::vector<ArrayPtr> Args(Arrays... arrays) {
  std::vector<ArrayPtr> owned;
  (owned.push_back(std::move(arrays)), ...);
  return owned;
}

inline std::vector<const mxArray*> Views(const std::vector<ArrayPtr>& owned) {
  std::vector<const mxArray*> views;
  for (const ArrayPtr& a : owned) views.push_back(a.get());
  return views;
}

// One row of an argument-error table: the call and the message it raises.
struct ArgumentCase {
  const char* name;
  int nlhs;
  std::function<std::vector<ArrayPtr>()> inputs;
  const char* message;
};

inline std::string CaseName(const testing::TestParamInfo<ArgumentCase>& p) { return p.param.name; }

inline double Sum(const std::vector<double>& values) {
  double total = 0.0;
  for (double v : values) total += v;
  return total;
}

}  // namespace korvel::mex_host
