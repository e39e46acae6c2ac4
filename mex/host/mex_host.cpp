#include "mex_host.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

// The host's array: class, shape and data. Data sit in a buffer of doubles
// so that a pointer to it is suitably aligned for any element class. Guard
// cells filled with NaN surround the data: a function that reads past an
// input picks up NaN in its result, and one that writes past an output
// changes a guard, which the host checks after every call.
struct mxArray_tag {
  enum class Class { kDouble, kSingle, kUint32 };
  static constexpr std::size_t kGuard = 8;
  Class cls = Class::kDouble;
  std::size_t rows = 0;
  std::size_t cols = 0;
  bool sparse = false;
  bool complex = false;
  std::vector<double> real;  // kGuard + data + kGuard; element type per cls
  std::vector<double> imag;

  double* RealData() { return real.data() + kGuard; }
  double* ImagData() { return complex ? imag.data() + kGuard : nullptr; }
  bool GuardsIntact() const;
};

namespace {

bool IsGuardCell(double cell) {
  static const double kPattern = std::nan("");
  return std::memcmp(&cell, &kPattern, sizeof cell) == 0;
}

bool GuardsOf(const std::vector<double>& storage) {
  if (storage.empty()) return true;
  const std::size_t g = mxArray_tag::kGuard;
  for (std::size_t k = 0; k < g; ++k)
    if (!IsGuardCell(storage[k]) || !IsGuardCell(storage[storage.size() - 1 - k])) return false;
  return true;
}

}  // namespace

bool mxArray_tag::GuardsIntact() const { return GuardsOf(real) && GuardsOf(imag); }

namespace korvel::mex_host {
namespace {

// What the call in progress allocated; released when it ends.
struct CallArena {
  bool active = false;
  std::set<mxArray*> arrays;
  std::set<void*> blocks;
  std::string printed;
};
CallArena g_arena;

mxArray* NewArray(mxArray_tag::Class cls, std::size_t rows, std::size_t cols, bool complex) {
  auto* array = new mxArray_tag;
  array->cls = cls;
  array->rows = rows;
  array->cols = cols;
  array->complex = complex;
  const std::size_t count = rows * cols;
  const std::size_t bytes_per = cls == mxArray_tag::Class::kDouble ? sizeof(double)
                                : cls == mxArray_tag::Class::kSingle ? sizeof(float)
                                                                      : sizeof(std::uint32_t);
  const std::size_t doubles = (count * bytes_per + sizeof(double) - 1) / sizeof(double);
  const std::size_t g = mxArray_tag::kGuard;
  array->real.assign(doubles + 2 * g, std::nan(""));
  std::fill_n(array->real.begin() + static_cast<std::ptrdiff_t>(g), doubles, 0.0);
  if (complex) array->imag = array->real;
  return array;
}

}  // namespace

void ArrayDeleter::operator()(mxArray* array) const { delete array; }

ArrayPtr MakeDouble(std::size_t rows, std::size_t cols, const std::vector<double>& real,
                    const std::vector<double>& imag) {
  if (real.size() != rows * cols || (!imag.empty() && imag.size() != real.size()))
    throw std::invalid_argument("MakeDouble: data do not match the shape");
  ArrayPtr array(NewArray(mxArray_tag::Class::kDouble, rows, cols, !imag.empty()));
  std::copy(real.begin(), real.end(), array->RealData());
  std::copy(imag.begin(), imag.end(), array->ImagData());
  return array;
}

ArrayPtr MakeRow(const std::vector<double>& real, const std::vector<double>& imag) {
  return MakeDouble(1, real.size(), real, imag);
}

ArrayPtr MakeScalar(double value) { return MakeDouble(1, 1, {value}); }

ArrayPtr MakeUint32(std::size_t rows, std::size_t cols, const std::vector<std::uint32_t>& values) {
  if (values.size() != rows * cols) throw std::invalid_argument("MakeUint32: data do not match the shape");
  ArrayPtr array(NewArray(mxArray_tag::Class::kUint32, rows, cols, false));
  if (!values.empty()) std::memcpy(array->RealData(), values.data(), values.size() * sizeof(std::uint32_t));
  return array;
}

ArrayPtr MakeSingleRow(const std::vector<float>& values) {
  ArrayPtr array(NewArray(mxArray_tag::Class::kSingle, 1, values.size(), false));
  if (!values.empty()) std::memcpy(array->RealData(), values.data(), values.size() * sizeof(float));
  return array;
}

ArrayPtr MakeSparse(std::size_t rows, std::size_t cols) {
  // A sparse matrix stores only its nonzeros; this one has none, so a
  // function that reads it as full data would read past its storage.
  ArrayPtr array(NewArray(mxArray_tag::Class::kDouble, rows, cols, false));
  array->sparse = true;
  array->real.assign(2 * mxArray_tag::kGuard, std::nan(""));
  return array;
}

ArrayPtr MakeAxis(double origin, double step, std::size_t count) {
  std::vector<double> x(count);
  for (std::size_t k = 0; k < count; ++k) x[k] = origin + step * static_cast<double>(k);
  return MakeRow(x);
}

std::size_t Rows(const mxArray* array) { return array->rows; }
std::size_t Cols(const mxArray* array) { return array->cols; }
bool IsComplex(const mxArray* array) { return array->complex; }

std::vector<double> Real(const mxArray* array) {
  if (array->cls != mxArray_tag::Class::kDouble) throw std::logic_error("Real: not a double array");
  const double* data = array->real.data() + mxArray_tag::kGuard;
  return {data, data + array->rows * array->cols};
}

std::vector<double> Imag(const mxArray* array) {
  if (!array->complex) return std::vector<double>(array->rows * array->cols, 0.0);
  const double* data = array->imag.data() + mxArray_tag::kGuard;
  return {data, data + array->rows * array->cols};
}

CallResult Call(MexFunction fn, int nlhs, const std::vector<const mxArray*>& inputs) {
  if (g_arena.active) throw std::logic_error("Call: calls do not nest");
  constexpr int kGuardSlots = 4;
  mxArray* const guard = reinterpret_cast<mxArray*>(&g_arena);
  const int slots = std::max(nlhs, 1);
  std::vector<mxArray*> plhs(static_cast<std::size_t>(slots + kGuardSlots), nullptr);
  std::fill(plhs.begin() + slots, plhs.end(), guard);

  g_arena = CallArena{};
  g_arena.active = true;
  auto release_all = [] {
    for (mxArray* array : g_arena.arrays) delete array;
    for (void* block : g_arena.blocks) std::free(block);
    g_arena.arrays.clear();
    g_arena.blocks.clear();
    g_arena.active = false;
  };
  try {
    fn(nlhs, plhs.data(), static_cast<int>(inputs.size()),
       const_cast<const mxArray**>(inputs.data()));
  } catch (...) {
    release_all();
    throw;
  }

  CallResult result;
  result.printed = g_arena.printed;
  result.blocks_left = g_arena.blocks.size();
  bool guards_intact = std::all_of(plhs.begin() + slots, plhs.end(), [&](mxArray* p) { return p == guard; });
  bool outputs_known = true;
  bool arrays_intact = std::all_of(g_arena.arrays.begin(), g_arena.arrays.end(),
                                   [](const mxArray* a) { return a->GuardsIntact(); });
  for (int i = 0; i < slots; ++i) {
    mxArray* out = plhs[static_cast<std::size_t>(i)];
    if (out != nullptr && g_arena.arrays.erase(out) == 0) {
      outputs_known = false;
      out = nullptr;
    }
    if (out != nullptr && !out->GuardsIntact()) arrays_intact = false;
    result.outputs.emplace_back(out);
  }
  release_all();
  if (!guards_intact) throw std::logic_error("mexFunction wrote past the end of plhs");
  if (!arrays_intact) throw std::logic_error("mexFunction wrote outside an array it created");
  if (!outputs_known) throw std::logic_error("mexFunction returned an array it did not create");
  for (int i = 0; i < nlhs; ++i)
    if (!result.outputs[static_cast<std::size_t>(i)])
      throw std::logic_error("mexFunction left a requested output unassigned");
  return result;
}

}  // namespace korvel::mex_host

using korvel::mex_host::g_arena;
using korvel::mex_host::NewArray;
using korvel::mex_host::MexError;

extern "C" {

size_t mxGetM(const mxArray* array) { return array->rows; }
size_t mxGetN(const mxArray* array) { return array->cols; }
size_t mxGetNumberOfElements(const mxArray* array) { return array->rows * array->cols; }
bool mxIsComplex(const mxArray* array) { return array->complex; }
bool mxIsDouble(const mxArray* array) { return array->cls == mxArray_tag::Class::kDouble; }
bool mxIsSparse(const mxArray* array) { return array->sparse; }
bool mxIsUint32(const mxArray* array) { return array->cls == mxArray_tag::Class::kUint32; }
double* mxGetPr(const mxArray* array) { return const_cast<mxArray*>(array)->RealData(); }
double* mxGetPi(const mxArray* array) { return const_cast<mxArray*>(array)->ImagData(); }

double mxGetScalar(const mxArray* array) {
  if (array->rows * array->cols == 0) return 0.0;
  switch (array->cls) {
    case mxArray_tag::Class::kDouble: return array->real[mxArray_tag::kGuard];
    case mxArray_tag::Class::kSingle: {
      float value;
      std::memcpy(&value, array->real.data() + mxArray_tag::kGuard, sizeof value);
      return value;
    }
    case mxArray_tag::Class::kUint32: {
      std::uint32_t value;
      std::memcpy(&value, array->real.data() + mxArray_tag::kGuard, sizeof value);
      return value;
    }
  }
  return 0.0;
}

bool mxIsNaN(double value) { return std::isnan(value); }
bool mxIsInf(double value) { return std::isinf(value); }

void* mxMalloc(size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw MexError("Out of memory.");
  if (g_arena.active) g_arena.blocks.insert(block);
  return block;
}

void mxFree(void* block) {
  if (block == nullptr) return;
  if (g_arena.blocks.erase(block) == 0) throw std::logic_error("mxFree of a block mxMalloc did not return");
  std::free(block);
}

mxArray* mxCreateDoubleMatrix(mwSize rows, mwSize cols, mxComplexity complexity) {
  mxArray* array = NewArray(mxArray_tag::Class::kDouble, rows, cols, complexity == mxCOMPLEX);
  if (g_arena.active) g_arena.arrays.insert(array);
  return array;
}

void mexErrMsgTxt(const char* message) { throw MexError(message); }

int mexPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length > 0) {
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    g_arena.printed += text;
  }
  va_end(args);
  return length;
}

}  // extern "C"
