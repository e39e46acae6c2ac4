#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "analysis/analysis_settings.h"
#include "analysis/chi_square.h"
#include "analysis/density.h"
#include "analysis/domain_solutions.h"
#include "analysis/plot_slots.h"
#include "analysis/slicing.h"
#include "analysis_fixture.h"
#include "velta_error.h"

namespace velta {
namespace {

using velta::testing::MemPoint;
using velta::testing::MemState;

// Nine points close together and one far away carrying 13 % of the weight.
std::unique_ptr<AnalysisState> ClusterAndOutlier() {
  std::vector<MemPoint> points{{0.8, 2.5, 3.5, 1.1, 0.13}};
  for (int m = 0; m < 9; ++m) points.push_back({0.3 + 0.001 * m, 1.0, 1.5, 1.0, 0.87 / 9});
  auto state = MemState(points);
  ChiSquareStatistics(*state);
  state->Settings.MinDensity = 0;
  return state;
}

TEST(DensityFiltering, GivesTwoCoincidentPointsTheOthersWeight) {
  auto state = MemState({{0.5, 1.5, 2, 1, 1}, {0.5, 1.5, 2, 1, 1}});
  ChiSquareStatistics(*state);
  DensityFiltering(*state);
  EXPECT_EQ(state->Points[1].Density, 1.0f);
  EXPECT_EQ(state->Points[2].Density, 1.0f);
}

TEST(DensityFiltering, LeavesAnIsolatedPointBelowTheThresholdAndCorrectsTheLevel) {
  auto state = ClusterAndOutlier();
  DensityFiltering(*state);
  EXPECT_LT(state->Points[1].Density, 1e-3f);
  EXPECT_EQ(state->DensityOrder[1], 1);
  EXPECT_EQ(state->ThresholdPosition, 2);
  // 13 % of the weight lies below the threshold instead of 10 %.
  EXPECT_EQ(state->Settings.LevelPosition, 87);
  EXPECT_EQ(state->Settings.DensityLevel, 0.87);
  EXPECT_EQ(DensityLevelLabel(state->Settings), "87 %");
  EXPECT_LT(state->Points[1].Membership, 1e-6f);
  EXPECT_GE(state->Points[state->DensityOrder[10]].Membership, static_cast<float>(std::exp(-0.5)));
  double kept = 0;
  for (int i = 2; i <= 10; ++i) kept += state->Points[state->DensityOrder[i]].WeightedShare;
  EXPECT_NEAR(state->KeptShareSum, kept, 1e-9);
}

TEST(DensityFiltering, AtFullLevelTakesTheFirstPointAboveTheMinimumDensity) {
  auto state = ClusterAndOutlier();
  SetDensityLevelPosition(*state, 100);
  state->Settings.MinDensity = 5;
  DensityFiltering(*state);
  EXPECT_EQ(state->ThresholdPosition, 2);
  EXPECT_GT(state->ThresholdDensity, 5);
}

TEST(DensityFiltering, RefusesZeroKernelWidths) {
  auto state = ClusterAndOutlier();
  state->ActiveSigma[2] = 0;
  EXPECT_THROW(DensityFiltering(*state), VeltaError);
}

// Points on a diagonal, too far apart to cluster, with densities 1..n.
std::unique_ptr<AnalysisState> SpreadPoints(const std::vector<float>& densities, double threshold) {
  std::vector<MemPoint> points;
  for (std::size_t m = 0; m < densities.size(); ++m)
    points.push_back({0.1 * static_cast<double>(m), 0.3 * static_cast<double>(m), 0.4 * static_cast<double>(m), 1.0, 1.0});
  auto state = MemState(points);
  for (int m = 1; m <= state->PointCount; ++m) {
    state->Points[m].Density = densities[static_cast<std::size_t>(m - 1)];
    state->Points[m].WeightedShare = 0.1f;
    state->DensityOrder[m] = m;
  }
  state->ThresholdDensity = threshold;
  state->MaxDensity = densities.back();
  state->KeptShareSum = 1;
  return state;
}

TEST(Slicing, OffsetsFollowTheGeometricThresholds) {
  auto state = SpreadPoints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2);
  Slicing(*state);
  const int offsets[] = {2, 3, 4, 6, 8};
  for (int s = 1; s <= 5; ++s) EXPECT_EQ(state->Slices[s].Offset, offsets[s - 1]) << s;
  EXPECT_EQ(ThresholdReportLine(*state), "Threshhold densities: (2; 2.759; 3.807; 5.253; 7.248) (Max=10)");
  for (int s = 1; s <= 5; ++s) {
    EXPECT_EQ(state->Slices[s].GroupCount, 0);
    EXPECT_EQ(state->Slices[s].FirstLive, 0);
  }
}

TEST(Slicing, ThresholdsThatNoLaterPointReachesLeaveTheirSlicesEmpty) {
  auto state = SpreadPoints({1, 2, 10}, 1);
  Slicing(*state);
  const int offsets[] = {1, 2, 3, 3, 3};
  for (int s = 1; s <= 5; ++s) EXPECT_EQ(state->Slices[s].Offset, offsets[s - 1]) << s;
}

TEST(Slicing, ClustersNearbyPointsIntoOneGroupWithItsWeightShare) {
  std::vector<MemPoint> points;
  for (int m = 0; m < 6; ++m) points.push_back({0.3 + 0.002 * m, 1.0, 1.5, 1.0, 1.0});
  auto state = MemState(points);
  ChiSquareStatistics(*state);
  DensityFiltering(*state);
  Slicing(*state);
  const Slice& slice = state->Slices[1];
  ASSERT_EQ(slice.GroupCount, 1);
  const SliceGroup& group = slice.Groups[slice.FirstLive];
  double share = 0;
  for (int i = group.First; i <= group.Last; ++i) share += state->Points[slice.Order[i]].WeightedShare;
  EXPECT_NEAR(group.Weight, share / state->KeptShareSum, 1e-12);
  EXPECT_GT(ClusterDistance(*state, 1, 2), 0.0);
  EXPECT_LT(ClusterDistance(*state, 1, 2), 1.0);
}

// A slice with two linked groups over points 1..4 (labels 1, 1, 2, 2).
std::unique_ptr<AnalysisState> TwoGroups(const std::array<double, 4>& mean_f, const std::array<double, 4>& dev_f,
                                         const std::array<double, 4>& mean_i, const std::array<double, 4>& dev_i) {
  auto state = MemState({{0.3, 1, 2, 1, 1}, {0.3, 1, 2, 1, 1}, {0.3, 1, 2, 1, 1}, {0.3, 1, 2, 1, 1}});
  Slice& slice = state->Slices[1];
  for (int m = 1; m <= 4; ++m) {
    slice.Order[m] = m;
    slice.ClusterLabel[m] = m <= 2 ? 1 : 2;
  }
  SliceGroup f, i;
  f.Label = 1, f.First = 1, f.Last = 2, f.Size = 2, f.Prev = 0, f.Next = 2, f.Weight = 0.6;
  i.Label = 2, i.First = 3, i.Last = 4, i.Size = 2, i.Prev = 1, i.Next = 0, i.Weight = 0.4;
  for (int k = 1; k <= 4; ++k) {
    f.Mean[k] = mean_f[k - 1], f.Deviation[k] = dev_f[k - 1];
    i.Mean[k] = mean_i[k - 1], i.Deviation[k] = dev_i[k - 1];
  }
  slice.Groups[1] = f;
  slice.Groups[2] = i;
  slice.GroupCount = 2;
  slice.FirstLive = 1;
  slice.LastLive = 2;
  return state;
}

TEST(MergeGroups, JoinsTwoOverlappingGroupsIntoTheFirst) {
  auto state = TwoGroups({0.3, 1.0, 2.0, 1.0}, {0.05, -0.1, 0.1, 0.01}, {0.35, 1.05, 2.05, 1.0}, {0.05, -0.05, 0.1, 0.01});
  Slice& slice = state->Slices[1];
  MergeGroups(*state, slice);
  EXPECT_EQ(slice.GroupCount, 1);
  EXPECT_EQ(slice.LastLive, 1);
  EXPECT_EQ(slice.Groups[1].Next, 0);
  const SliceGroup& merged = slice.Groups[1];
  EXPECT_DOUBLE_EQ(merged.Weight, 1.0);
  EXPECT_EQ(merged.Size, 4);
  EXPECT_NEAR(merged.Mean[1], 0.32, 1e-12);
  EXPECT_NEAR(merged.Deviation[1], 0.05, 1e-12);
  // Both groups fall with S: the merged spread keeps the negative sign.
  EXPECT_NEAR(merged.Deviation[2], -std::sqrt(0.01 * 0.6 + 0.0025 * 0.4), 1e-12);
  EXPECT_EQ(slice.ClusterLabel[3], 1);
  EXPECT_EQ(slice.ClusterLabel[4], 1);
}

TEST(MergeGroups, KeepsGroupsApartWhenTheirMeansLieFarOutsideTheirSpreads) {
  auto state = TwoGroups({0.3, 1.0, 2.0, 1.0}, {0.01, 0.01, 0.01, 0.01}, {0.7, 2.0, 3.0, 1.1}, {0.01, 0.01, 0.01, 0.01});
  MergeGroups(*state, state->Slices[1]);
  EXPECT_EQ(state->Slices[1].GroupCount, 2);
}

TEST(GroupStatistics, DropsAGroupUnderOnePercentOfTheKeptWeightAsTrash) {
  auto state = MemState({{0.3, 1, 2, 1, 1}, {0.3, 1, 2, 1, 1}, {0.3, 1.0, 2, 1, 1}, {0.4, 0.8, 2, 1, 1}});
  Slice& slice = state->Slices[1];
  const float shares[] = {0.0045f, 0.0045f, 0.5f, 0.491f};
  for (int m = 1; m <= 4; ++m) {
    state->Points[m].WeightedShare = shares[m - 1];
    slice.ClusterLabel[m] = m <= 2 ? 1 : 2;
  }
  state->KeptShareSum = 1;
  MakeGroups(*state, slice);
  ASSERT_EQ(slice.GroupCount, 2);
  GroupStatistics(*state, slice);
  EXPECT_EQ(slice.GroupCount, 1);
  EXPECT_EQ(slice.FirstLive, 2);
  EXPECT_EQ(slice.LastLive, 2);
  EXPECT_EQ(slice.Groups[2].Prev, 0);
  const SliceGroup& kept = slice.Groups[2];
  EXPECT_NEAR(kept.Weight, 0.991, 1e-6);
  EXPECT_NEAR(kept.Mean[1], (0.3 * 0.5 + 0.4 * 0.491) / 0.991, 1e-6);
  EXPECT_LT(kept.Deviation[2], 0);  // tc falls as S rises
  EXPECT_EQ(kept.Deviation[3], 0.0);  // W is the same for both
  EXPECT_EQ(slice.ClusterLabel[1], 1);  // trash members keep their labels
}

// Sets group g of slice s with the given first mean, weight and spread.
void PutGroup(AnalysisState& state, int s, int g, double s_mean, double weight, double dev = 0.001) {
  Slice& slice = state.Slices[s];
  SliceGroup& group = slice.Groups[g];
  group = SliceGroup{};
  group.Label = 10 * s + g;
  group.Weight = weight;
  group.Prev = g - 1;
  group.Next = 0;
  if (g > 1) slice.Groups[g - 1].Next = g;
  for (int k = 1; k <= 4; ++k) {
    group.Mean[k] = k == 1 ? s_mean : 1.0;
    group.Deviation[k] = dev;
  }
  slice.GroupCount = g;
  slice.FirstLive = 1;
  slice.LastLive = g;
}

TEST(DomainSolutions, FollowAClusterDownAndTrashOneSeenOnlyInSliceFive) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  PutGroup(*state, 5, 1, 0.20, 0.3);  // followed down to slice 1
  PutGroup(*state, 5, 2, 0.60, 0.1);  // seen only in slice 5
  for (int s = 4; s >= 1; --s) PutGroup(*state, s, 1, 0.20 + 0.001 * s, 0.4);
  PutGroup(*state, 1, 2, 0.90, 0.2);  // only in slice 1
  BuildDomainSolutions(*state);
  ASSERT_EQ(state->CondensedSolutions.Count, 2);
  EXPECT_EQ(state->CondensedSolutions.Entries[1].Slice, 1);
  EXPECT_EQ(state->CondensedSolutions.Entries[1].Group, 1);
  EXPECT_EQ(state->CondensedSolutions.Entries[1].Label, 11);
  EXPECT_EQ(state->CondensedSolutions.Entries[2].Label, 12);
  ASSERT_EQ(state->Trash.Count, 1);
  EXPECT_EQ(state->Trash.Entries[1].Slice, 5);
  EXPECT_EQ(state->Trash.Entries[1].Label, 52);
}

TEST(SolutionTable, PrintsTheColumnsOfTheClassInTheirWidths) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  PutGroup(*state, 1, 1, 0.301, 0.714);
  SliceGroup& g = state->Slices[1].Groups[1];
  g.Mean[2] = 0.995, g.Mean[3] = 1.49, g.Mean[4] = 1.0;
  g.Deviation[1] = 0.00719, g.Deviation[2] = -0.0273, g.Deviation[3] = -0.0377, g.Deviation[4] = 0.00428;
  state->CondensedSolutions.Count = 1;
  state->CondensedSolutions.Entries[1] = {1, 1, 11};
  const auto lines = SolutionTable(*state, false);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Solutions within domains:");
  EXPECT_EQ(lines[1], "Slice Weight Pavg:     S(1)   tc(ns)     W(G)    Pa(1) Deviations");
  EXPECT_EQ(lines[2], "    1  0.714          0.301    0.995     1.49        1     0.00719  -0.0273  -0.0377  0.00428");
  EXPECT_EQ(lines[3], "Trash:");
  g.CorrectedWeight = 0.5;
  EXPECT_EQ(SolutionTable(*state, true)[2].substr(0, 12), "    1    0.5");
}

// Chosen solutions of slice 1 with the given weights and first deviations.
std::unique_ptr<AnalysisState> Chosen(const std::vector<std::pair<double, double>>& weight_dev) {
  auto state = MemState({{0.3, 1, 2, 1, 1}});
  int g = 0;
  for (const auto& [weight, dev] : weight_dev) {
    ++g;
    PutGroup(*state, 1, g, 0.1 * g, weight, 0.001);
    state->Slices[1].Groups[g].Deviation[1] = dev;
    state->CondensedSolutions.Entries[g] = {1, g, g};
  }
  state->CondensedSolutions.Count = g;
  return state;
}

void ExpectEverySlotOnce(const PlotSolutions& plot) {
  std::multiset<int> used;
  for (int i = 1; i <= plot.ChosenCount; ++i)
    for (int x = 1; x <= plot.SplitCount[i]; ++x) used.insert(plot.SlotsOf[i][x]);
  EXPECT_EQ(used, (std::multiset<int>{1, 2, 3, 4, 5}));
}

TEST(PlotSlots, SplitOneChosenSolutionIntoFiveAlongItsDeviation) {
  auto state = Chosen({{0.8, 0.1}});
  ChooseAndSplit(*state);
  const PlotSolutions& plot = state->Plot;
  ASSERT_EQ(plot.ChosenCount, 1);
  EXPECT_EQ(plot.SplitCount[1], 5);
  const double offsets[] = {0, 0.5, -0.5, 1, -1};
  for (int x = 1; x <= 5; ++x) {
    const SliceGroup& slot = plot.Slots[plot.SlotsOf[1][x]];
    EXPECT_NEAR(slot.Mean[1], 0.1 + offsets[x - 1] * 0.1, 1e-12);
    EXPECT_NEAR(slot.Weight, 0.16, 1e-12);
  }
  ExpectEverySlotOnce(plot);
}

TEST(PlotSlots, SplitTwoOfEqualSpreadIntoThreeForTheHeavierAndTwoForTheLighter) {
  auto state = Chosen({{0.3, 0.01}, {0.6, 0.01}});
  ChooseAndSplit(*state);
  const PlotSolutions& plot = state->Plot;
  ASSERT_EQ(plot.ChosenCount, 2);
  EXPECT_NEAR(GroupOf(*state, state->CondensedSolutions.Entries[plot.ChosenEntry[1]]).Weight, 0.6, 1e-12);
  EXPECT_EQ(plot.SplitCount[1], 3);
  EXPECT_EQ(plot.SplitCount[2], 2);
  EXPECT_EQ(plot.SlotsOf[2][2], 3);
  EXPECT_NEAR(plot.Slots[1].Weight, 0.2, 1e-12);
  EXPECT_NEAR(plot.Slots[2].Weight, 0.15, 1e-12);
  ExpectEverySlotOnce(plot);
}

TEST(PlotSlots, CapALightBroadSolutionToTheFreeSlots) {
  // n = 1, 1 and 10: the lightest would ask for 3 extra slots with 2 free.
  auto state = Chosen({{0.5, 0.001}, {0.3, 0.001}, {0.2, 9.5 * 0.02 * 1.7}});
  ChooseAndSplit(*state);
  const PlotSolutions& plot = state->Plot;
  ASSERT_EQ(plot.ChosenCount, 3);
  EXPECT_EQ(plot.SplitCount[3], 3);
  EXPECT_EQ(plot.SplitCount[2], 1);
  EXPECT_EQ(plot.SplitCount[1], 1);
  EXPECT_EQ(plot.FilledSlots, 5);
  ExpectEverySlotOnce(plot);
}

TEST(PlotSlots, StayEmptyWithoutASolutionInSliceOne) {
  auto state = Chosen({{0.5, 0.001}});
  state->CondensedSolutions.Entries[1].Slice = 2;
  state->Slices[2] = state->Slices[1];
  ChooseAndSplit(*state);
  EXPECT_EQ(state->Plot.ChosenCount, 0);
  EXPECT_EQ(state->Plot.FilledSlots, 0);
}

}  // namespace
}  // namespace velta
