#pragma once
// The one sort of veltamaker: an in-place quicksort of an array of 1-based
// indices by a key, with the middle entry as pivot and Hoare's crossing
// scans. The order in which it leaves equal keys follows from exactly these
// steps, and stored best files and reports depend on that order, so every
// ordering of records, points and solutions goes through it.
#include <functional>
#include <utility>

namespace velta {

// Sorts entries l..r of `order` (anything indexable by int) so that
// key(order[l]) .. key(order[r]) ascend under `less`.
template <typename Order, typename KeyOf, typename Less = std::less<>>
void QuickSort(Order& order, int l, int r, const KeyOf& key, const Less& less = Less{}) {
  while (l < r) {
    const auto pivot = key(order[(l + r) / 2]);
    int i = l;
    int j = r;
    do {
      while (less(key(order[i]), pivot)) ++i;
      while (less(pivot, key(order[j]))) --j;
      if (i <= j) {
        std::swap(order[i], order[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    // Recursing into both halves in the written order gives the same result
    // as any other order (the halves are disjoint); the right half runs as a
    // loop so that the stack stays shallow.
    if (l < j) QuickSort(order, l, j, key, less);
    l = i;
  }
}

}  // namespace velta
