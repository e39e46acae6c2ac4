#pragma once
// The coordinates the fitting tools work on, in the canonical order of the
// engine's parameter vector: every Active experiment-level parameter in
// index order, then for each domain in order every palette row whose switch
// is set (row p is value slot p, so row n is the conditional weight).
#include <array>
#include <stdexcept>

#include "engine/sim_buffers.h"
#include "project/records.h"

namespace korvel {

// The most coordinates the tools handle: the size of the engine's vector.
inline constexpr int kMaxFitParams = kParamVectorSize;

// Raised when an experiment activates more parameters than the vector holds.
class FitCapacityError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SearchItem {
  int domain = 0;  // 0 for an experiment-level parameter, else 1..DomainCount
  int index = 0;   // ExpParams index 1..20, or palette row 1..n of the domain
  double value = 0;
  double min = 0, max = 0;  // ExpParam Min/Max, or LimitMin/LimitMax of (type, row-1)
  double step = 0;          // ExpParam Step, or Grid of (type, row-1)
};

struct SearchSpace {
  int count = 0;       // all coordinates (1..count)
  int exp_count = 0;   // experiment-level ones; domain rows follow them
  std::array<SearchItem, kMaxFitParams> items{};  // 0-based storage, item(i) takes 1..count
  const SearchItem& item(int i) const { return items[static_cast<std::size_t>(i - 1)]; }
};

// Collects the coordinates of the working copy. Throws FitCapacityError when
// more than 100 parameters are active (the vector could not carry them).
void CollectSearchSpace(const Tvrecica& work, SearchSpace& out);

// The current values of the coordinates as the engine's vector.
void SearchStart(const SearchSpace& space, ParamVec& vector);

}  // namespace korvel
