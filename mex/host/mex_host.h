// Test host for the MATLAB extension functions: builds argument arrays,
// calls a mexFunction the way MATLAB does and hands back its outputs.
//
// The host owns every array. A call gets a plhs block of exactly
// max(nlhs, 1) slots (as MATLAB and Octave give it) followed by guard
// slots; a function that writes past its block, leaves a requested output
// unset, or frees memory it did not allocate makes the call throw
// std::logic_error, so such faults show up as failing tests.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mex.h"

namespace korvel::mex_host {

using MexFunction = void (*)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// The error a function raised with mexErrMsgTxt; what() is its text.
class MexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ArrayDeleter {
  void operator()(mxArray* array) const;
};
using ArrayPtr = std::unique_ptr<mxArray, ArrayDeleter>;

// Arrays in column-major order, as MATLAB stores them.
ArrayPtr MakeDouble(std::size_t rows, std::size_t cols, const std::vector<double>& real,
                    const std::vector<double>& imag = {});
ArrayPtr MakeRow(const std::vector<double>& real, const std::vector<double>& imag = {});
ArrayPtr MakeScalar(double value);
ArrayPtr MakeUint32(std::size_t rows, std::size_t cols, const std::vector<std::uint32_t>& values);
ArrayPtr MakeSingleRow(const std::vector<float>& values);
// A sparse double matrix; only its class flag and element count matter here.
ArrayPtr MakeSparse(std::size_t rows, std::size_t cols);
// 0:step:(count-1)*step shifted by origin, the usual MATLAB axis.
ArrayPtr MakeAxis(double origin, double step, std::size_t count);

std::size_t Rows(const mxArray* array);
std::size_t Cols(const mxArray* array);
bool IsComplex(const mxArray* array);
std::vector<double> Real(const mxArray* array);
std::vector<double> Imag(const mxArray* array);

struct CallResult {
  std::vector<ArrayPtr> outputs;   // max(nlhs, 1) entries; an unset optional one is null
  std::string printed;             // everything the call printed with mexPrintf
  std::size_t blocks_left = 0;     // mxMalloc blocks the call did not free itself
};

// Calls fn with nlhs outputs and the given inputs. Throws MexError when the
// function raised an error (after releasing what the call had allocated).
CallResult Call(MexFunction fn, int nlhs, const std::vector<const mxArray*>& inputs);

}  // namespace korvel::mex_host
