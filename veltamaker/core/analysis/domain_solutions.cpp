#include "analysis/domain_solutions.h"

#include "records/quick_sort.h"
#include "report/general_format.h"
#include "velta_error.h"

namespace velta {
namespace {

void Append(SolutionList& list, const SolutionEntry& entry, const char* name) {
  if (list.Count == kMaxListEntries)
    throw VeltaError(std::string("The analysis finds more than ") + std::to_string(kMaxListEntries) + " " +
                     name + "; narrow the kernel widths or raise the density level");
  list.Entries[++list.Count] = entry;
}

bool Matches(const AnalysisState& state, const SliceGroup& a, const SliceGroup& b) {
  double chi = 0;
  for (int k = 1; k <= state.DimCount(); ++k) {
    const double t = (a.Mean[k] - b.Mean[k]) / (state.AxisRange[k - 1] * state.ActiveSigma[k - 1]);
    chi += t * t;
  }
  return chi < 1;
}

template <typename Visit>
void ForEachLiveGroup(const Slice& slice, const Visit& visit) {
  for (int g = slice.FirstLive; g != 0 && g <= slice.LastLive; g = slice.Groups[g].Next) visit(g);
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

const SliceGroup& GroupOf(const AnalysisState& state, const SolutionEntry& entry) {
  return state.Slices[entry.Slice].Groups[entry.Group];
}

void BuildDomainSolutions(AnalysisState& state) {
  SolutionList& candidates = state.Candidates;
  SolutionList& solutions = state.CondensedSolutions;
  SolutionList& trash = state.Trash;
  candidates.Count = solutions.Count = trash.Count = 0;

  ForEachLiveGroup(state.Slices[5], [&](int g) { Append(candidates, {5, g, 0}, "candidates"); });
  for (int s = 4; s >= 1; --s) {
    ForEachLiveGroup(state.Slices[s], [&](int g) {
      const SliceGroup& group = state.Slices[s].Groups[g];
      for (int e = 1; e <= solutions.Count; ++e) {
        if (Matches(state, group, GroupOf(state, solutions.Entries[e]))) {
          solutions.Entries[e] = {s, g, 0};
          return;
        }
      }
      for (int c = 1; c <= candidates.Count; ++c) {
        SolutionEntry& candidate = candidates.Entries[c];
        if (candidate.Slice == 0 || candidate.Slice == s) continue;
        if (Matches(state, group, GroupOf(state, candidate))) {
          Append(solutions, {s, g, 0}, "domain solutions");
          candidate.Slice = 0;
          return;
        }
      }
      Append(candidates, {s, g, 0}, "candidates");
    });
    // Candidates of the slices above that found no match here are dropped;
    // the emptied entries are squeezed out, keeping the order of the rest.
    int kept = 0;
    for (int c = 1; c <= candidates.Count; ++c) {
      const SolutionEntry candidate = candidates.Entries[c];
      if (candidate.Slice == 0) continue;
      if (candidate.Slice != s) {
        Append(trash, candidate, "trash entries");
        continue;
      }
      candidates.Entries[++kept] = candidate;
    }
    candidates.Count = kept;
  }
  for (int c = 1; c <= candidates.Count; ++c) Append(solutions, candidates.Entries[c], "domain solutions");
  candidates.Count = 0;

  for (SolutionList* list : {&solutions, &trash})
    for (int e = 1; e <= list->Count; ++e) list->Entries[e].Label = GroupOf(state, list->Entries[e]).Label;
}

std::vector<std::string> SolutionTable(AnalysisState& state, bool after_wc) {
  const ClassTable& table = state.Table();
  const int dims = table.DimCount;
  std::vector<std::string> lines;
  lines.push_back(after_wc ? "Solution after weight correction:" : "Solutions within domains:");
  std::string header = "Slice Weight Pavg:";
  for (int c = 0; c < dims; ++c) header += PadLeft(std::string(table.Titles[c]), 9);
  lines.push_back(header + " Deviations");

  SolutionList& solutions = state.CondensedSolutions;
  if (solutions.Count > 1)
    QuickSort(solutions.Entries, 1, solutions.Count,
              [&](const SolutionEntry& e) { return GroupOf(state, e).Mean[1]; });
  const auto means = [&](const SliceGroup& group) {
    std::string text;
    for (int c = 0; c < dims; ++c) text += PadLeft(GeneralFormat(group.Mean[table.Column[c]], 3), 9);
    return text;
  };
  for (int e = 1; e <= solutions.Count; ++e) {
    const SolutionEntry& entry = solutions.Entries[e];
    if (after_wc && entry.Slice != 1) continue;
    const SliceGroup& group = GroupOf(state, entry);
    std::string line = PadLeft(std::to_string(entry.Slice), 5) +
                       PadLeft(GeneralFormat(after_wc ? group.CorrectedWeight : group.Weight, 3), 7) +
                       "      " + means(group) + "   ";
    for (int c = 0; c < dims; ++c) line += PadLeft(GeneralFormat(group.Deviation[table.Column[c]], 3), 9);
    lines.push_back(line);
  }
  if (!after_wc) {
    lines.push_back("Trash:");
    for (int e = 1; e <= state.Trash.Count; ++e) {
      const SolutionEntry& entry = state.Trash.Entries[e];
      const SliceGroup& group = GroupOf(state, entry);
      lines.push_back(PadLeft(std::to_string(entry.Slice), 5) + PadLeft(GeneralFormat(group.Weight, 3), 7) +
                      "      " + means(group));
    }
  }
  return lines;
}

}  // namespace velta
