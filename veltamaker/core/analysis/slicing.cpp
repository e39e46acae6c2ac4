#include "analysis/slicing.h"

#include <cmath>

#include "common/fixed_format.h"
#include "records/quick_sort.h"
#include "report/general_format.h"

namespace velta {
namespace {

void Thresholds(AnalysisState& state) {
  const int n = state.PointCount;
  for (int s = 1; s <= kSliceCount; ++s)
    state.Slices[s].Threshold =
        state.ThresholdDensity * std::pow(state.MaxDensity / state.ThresholdDensity, (s - 1) / 5.0);
  // Each slice starts after the first position that reaches its threshold
  // and after the start of the slice below; a threshold that no later point
  // reaches leaves its slice (and those above) empty.
  for (int s = 1; s <= kSliceCount; ++s) state.Slices[s].Offset = n;
  int s = 1;
  for (int j = 1; j <= n && s <= kSliceCount; ++j) {
    if (state.Points[state.DensityOrder[j]].Density >= state.Slices[s].Threshold) {
      state.Slices[s].Offset = j;
      ++s;
    }
  }
  state.DensMaxText = GeneralFormat(state.MaxDensity, 4);
  std::string text = "(";
  for (int t = 1; t <= kSliceCount; ++t) {
    text += GeneralFormat(state.Slices[t].Threshold, 4);
    text += t < kSliceCount ? "; " : ")";
  }
  state.ThresholdText = text;
}

// Per-point factor of the clustering distance: the scaled coordinates are
// in ScaledParams (as for the densities) and PointFactor holds the product
// of the two spread factors.
void PrepareDistances(AnalysisState& state) {
  const int dims = state.DimCount();
  for (int m = 1; m <= state.PointCount; ++m) {
    const ComponentPoint& p = state.Points[m];
    for (int k = 0; k < dims; ++k)
      state.ScaledParams[m][k] = state.Coordinate(m, k) / state.AxisRange[k] / state.ActiveSigma[k];
    state.PointFactor[m] = SpreadFactor(p.Weight / state.ActiveSigma[dims]) *
                           SpreadFactor(p.Density / state.ThresholdDensity);
  }
}

double PreparedDistance(const AnalysisState& state, int a, int b) {
  const int dims = state.DimCount();
  double s = 0;
  for (int k = 0; k < dims; ++k) {
    const double d = state.ScaledParams[a][k] - state.ScaledParams[b][k];
    s += d * d;
  }
  return std::sqrt(s / dims / (state.PointFactor[a] * state.PointFactor[b]));
}

// Single linkage over the slice members, visited by density position; the
// labels are kept by position while clustering and then stored by point.
void Cluster(AnalysisState& state, Slice& slice) {
  const int n = state.PointCount;
  const int off = slice.Offset;
  const int members = n - off;
  for (int m = 1; m <= n; ++m) slice.ClusterLabel[m] = 0;
  auto& label = state.PositionLabel;
  for (int j = 1; j <= members; ++j) label[j] = 0;
  int clusters = 0;
  for (int j = 2; j <= members; ++j) {
    const int a = state.DensityOrder[j + off];
    for (int k = 1; k < j; ++k) {
      const int b = state.DensityOrder[k + off];
      if (!(PreparedDistance(state, a, b) < 1)) continue;
      if (label[j] == 0 && label[k] == 0) {
        label[j] = label[k] = ++clusters;
      } else if (label[j] == 0) {
        label[j] = label[k];
      } else if (label[k] == 0) {
        label[k] = label[j];
      } else if (label[j] != label[k]) {
        // Joining two clusters: every member of a's cluster so far lies at
        // positions up to j.
        const int from = label[j];
        for (int i = 1; i <= j; ++i)
          if (label[i] == from) label[i] = label[k];
      }
    }
  }
  for (int j = 1; j <= members; ++j) slice.ClusterLabel[state.DensityOrder[j + off]] = label[j];
}

void Unlink(Slice& slice, int g) {
  SliceGroup& group = slice.Groups[g];
  if (group.Prev != 0) {
    slice.Groups[group.Prev].Next = group.Next;
  } else {
    slice.FirstLive = group.Next;
  }
  if (group.Next != 0) slice.Groups[group.Next].Prev = group.Prev;
  if (slice.LastLive == g) slice.LastLive = group.Prev;
}

}  // namespace

void MakeGroups(AnalysisState& state, Slice& slice) {
  const int n = state.PointCount;
  for (int m = 1; m <= n; ++m) slice.Order[m] = m;
  QuickSort(slice.Order, 1, n, [&](std::int32_t m) { return slice.ClusterLabel[m]; });
  slice.GroupCount = 0;
  slice.FirstLive = 0;
  slice.LastLive = 0;
  int i = 1;
  while (i <= n && slice.ClusterLabel[slice.Order[i]] == 0) ++i;
  while (i <= n) {
    const int label = slice.ClusterLabel[slice.Order[i]];
    int last = i;
    while (last < n && slice.ClusterLabel[slice.Order[last + 1]] == label) ++last;
    if (last > i && slice.GroupCount < kMaxGroups) {
      const int g = ++slice.GroupCount;
      SliceGroup& group = slice.Groups[g];
      group = SliceGroup{};
      group.Label = label;
      group.First = i;
      group.Last = last;
      group.Size = last - i + 1;
      group.Prev = g - 1;
      group.Next = 0;
      if (g > 1) slice.Groups[g - 1].Next = g;
    }
    i = last + 1;
  }
  if (slice.GroupCount > 0) slice.FirstLive = 1;
}

void GroupStatistics(AnalysisState& state, Slice& slice) {
  const int dims = state.DimCount();
  const int groups = slice.GroupCount;
  int trash = 0;
  for (int g = 1; g <= groups; ++g) {
    SliceGroup& group = slice.Groups[g];
    double weight = 0;
    for (int i = group.First; i <= group.Last; ++i) weight += state.Points[slice.Order[i]].WeightedShare;
    group.Weight = weight;
    if (weight / state.KeptShareSum < 0.01) {
      // Under 1 % of the kept weight: trash. Its members keep their labels.
      const int last_live = slice.LastLive;
      Unlink(slice, g);
      slice.LastLive = last_live;
      ++trash;
      continue;
    }
    for (int k = 1; k <= dims; ++k) {
      double sum = 0;
      for (int i = group.First; i <= group.Last; ++i) {
        const int m = slice.Order[i];
        sum += state.Coordinate(m, k - 1) * state.Points[m].WeightedShare;
      }
      group.Mean[k] = sum / weight;
    }
    for (int k = 1; k <= dims; ++k) {
      double sum = 0;
      double covariance = 0;
      for (int i = group.First; i <= group.Last; ++i) {
        const int m = slice.Order[i];
        const double d = state.Coordinate(m, k - 1) - group.Mean[k];
        sum += d * d * state.Points[m].WeightedShare;
        covariance += d * (state.Coordinate(m, 0) - group.Mean[1]);
      }
      group.Deviation[k] = std::sqrt(sum / weight);
      if (k >= 2 && covariance < 0) group.Deviation[k] = -group.Deviation[k];
    }
    group.Weight = weight / state.KeptShareSum;
    slice.LastLive = g;
  }
  slice.GroupCount -= trash;
}

void MergeGroups(AnalysisState& state, Slice& slice) {
  const int dims = state.DimCount();
  int f = slice.FirstLive;
  while (f != 0 && f < slice.LastLive && slice.Groups[f].Next != 0) {
    SliceGroup& gf = slice.Groups[f];
    int i = gf.Next;
    while (i != 0 && i <= slice.LastLive) {
      SliceGroup& gi = slice.Groups[i];
      double chi = 0;
      for (int k = 1; k <= dims; ++k) {
        const double den = std::fabs(gf.Deviation[k]) + std::fabs(gi.Deviation[k]);
        if (den == 0) continue;
        const double t = (gf.Mean[k] - gi.Mean[k]) / den;
        chi += t * t;
      }
      if (chi < dims) {
        Unlink(slice, i);
        for (int p = gi.First; p <= gi.Last; ++p) slice.ClusterLabel[slice.Order[p]] = gf.Label;
        --slice.GroupCount;
        const double wf = gf.Weight;
        const double wi = gi.Weight;
        for (int k = 1; k <= dims; ++k) {
          gf.Mean[k] = (gf.Mean[k] * wf + gi.Mean[k] * wi) / (wf + wi);
          const double merged = std::sqrt((gf.Deviation[k] * gf.Deviation[k] * wf +
                                           gi.Deviation[k] * gi.Deviation[k] * wi) / (wf + wi));
          // The merged spread keeps the correlation sign of the group that
          // dominates it.
          if (k >= 2) {
            const double sign_of = merged < std::fabs(gi.Deviation[k]) ? gi.Deviation[k] : gf.Deviation[k];
            gf.Deviation[k] = sign_of < 0 ? -merged : merged;
          } else {
            gf.Deviation[k] = merged;
          }
        }
        gf.Weight = wf + wi;
        gf.Size += gi.Size;
      }
      i = gi.Next;
    }
    f = slice.Groups[f].Next;
  }
}


double ClusterDistance(const AnalysisState& state, int a, int b) {
  const int dims = state.DimCount();
  double s = 0;
  for (int k = 0; k < dims; ++k) {
    const double d = (state.Coordinate(a, k) - state.Coordinate(b, k)) / state.AxisRange[k] / state.ActiveSigma[k];
    s += d * d;
  }
  const auto g = [&](int m) {
    const ComponentPoint& p = state.Points[m];
    return SpreadFactor(p.Weight / state.ActiveSigma[dims]) * SpreadFactor(p.Density / state.ThresholdDensity);
  };
  return std::sqrt(s / dims / (g(a) * g(b)));
}

void Slicing(AnalysisState& state) {
  Thresholds(state);
  PrepareDistances(state);
  for (int s = 1; s <= kSliceCount; ++s) {
    Slice& slice = state.Slices[s];
    Cluster(state, slice);
    MakeGroups(state, slice);
    GroupStatistics(state, slice);
    MergeGroups(state, slice);
  }
}

std::string Chi2ReportLine(const AnalysisState& state) {
  return "Chi2: " + state.Chi2MinText + " " + common::kPlusMinus + " " + state.Chi2SigmaText;
}

std::string ThresholdReportLine(const AnalysisState& state) {
  return "Threshhold densities: " + state.ThresholdText + " (Max=" + state.DensMaxText + ")";
}

}  // namespace velta
