#include "analysis/plot_slots.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "analysis/domain_solutions.h"
#include "common/rounding.h"
#include "records/quick_sort.h"

namespace velta {
namespace {

// Offsets of the split means in deviations, by split count.
constexpr double kSplitOffsets[6][5] = {
    {},
    {0},
    {1, -1},
    {0, 1, -1},
    {0.5, -0.5, 1, -1},
    {0, 0.5, -0.5, 1, -1},
};

}  // namespace

void ChooseAndSplit(AnalysisState& state) {
  PlotSolutions& plot = state.Plot;
  plot = PlotSolutions{};
  SolutionList& solutions = state.CondensedSolutions;
  if (solutions.Count > 1)
    QuickSort(solutions.Entries, 1, solutions.Count,
              [&](const SolutionEntry& e) { return GroupOf(state, e).Weight; }, std::greater<>{});
  for (int e = 1; e <= solutions.Count && plot.ChosenCount < kPlotSlots; ++e)
    if (solutions.Entries[e].Slice == 1) plot.ChosenEntry[++plot.ChosenCount] = e;
  const int np = plot.ChosenCount;
  if (np == 0) return;

  const int dims = state.DimCount();
  common::OneBased<int, kPlotSlots> asked{};
  int total = 0;
  for (int i = 1; i <= np; ++i) {
    const SolutionEntry& entry = solutions.Entries[plot.ChosenEntry[i]];
    SliceGroup& group = state.Slices[entry.Slice].Groups[entry.Group];
    double largest = 0;
    for (int k = 1; k <= dims; ++k) {
      group.SplitSteps[k] = static_cast<double>(common::TruncToInt(std::fabs(group.Deviation[k]) / state.ActiveSigma[k - 1]));
      largest = std::max(largest, group.SplitSteps[k]);
    }
    asked[i] = 1 + static_cast<int>(largest);
    total += asked[i];
  }

  int free = kPlotSlots - np;
  int next_free = np + 1;
  int used = 0;
  int cum = 0;
  for (int i = np; i >= 1 && used < kPlotSlots; --i) {
    cum += asked[i];
    int t = static_cast<int>(common::TruncToInt(static_cast<double>(cum) / total * 5)) - used;
    if (t < 1) t = 1;
    if (i == 1) t = kPlotSlots - used;
    t = std::min(t, 1 + free);  // slots 1..i-1 stay for the heavier solutions
    used += t;
    plot.SplitCount[i] = t;
    plot.SlotsOf[i][1] = i;
    for (int x = 2; x <= t; ++x) plot.SlotsOf[i][x] = next_free++;
    free -= t - 1;

    const SolutionEntry& entry = solutions.Entries[plot.ChosenEntry[i]];
    const SliceGroup& group = state.Slices[entry.Slice].Groups[entry.Group];
    for (int x = 1; x <= t; ++x) {
      SliceGroup& slot = plot.Slots[plot.SlotsOf[i][x]];
      slot = group;
      slot.Weight = group.Weight / t;
      for (int k = 1; k <= dims; ++k) slot.Mean[k] = group.Mean[k] + kSplitOffsets[t][x - 1] * group.Deviation[k];
    }
    plot.LowestProcessed = i;
  }
  plot.FilledSlots = used;
}

}  // namespace velta
