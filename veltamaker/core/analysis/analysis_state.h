#pragma once
// The state of one condensation analysis: the component points of the best
// solutions, their densities, the five density slices with their groups,
// the solution lists and the plot slots. Everything is fixed-size and lives
// in one object that the front end allocates once; the pipeline steps read
// and write it and allocate nothing. Points, slices, groups, list entries,
// plot slots and chosen solutions are numbered from 1.
#include <array>
#include <cstdint>
#include <string>

#include "analysis/class_tables.h"
#include "common/one_based.h"

namespace velta {

inline constexpr int kMaxPoints = 3000;
inline constexpr int kSliceCount = 5;
inline constexpr int kMaxGroups = 1500;  // clusters of two or more among 3000 points
inline constexpr int kMaxListEntries = 200;
inline constexpr int kPlotSlots = 5;
inline constexpr int kHistogramBins = 16;

// One domain of one analysed solution.
struct ComponentPoint {
  float Chi2 = 0;        // the solution's fitness, rescaled when the best is below 1
  float Chi2Weight = 0;  // Gaussian weight of Chi2 above the minimum
  float Density = 0;     // kernel density of the other points around this one
  float Membership = 0;  // exp(-(threshold / density)^2 / 2)
  common::OneBased<double, kMaxPointParams> Params{};  // the domain's parameters 1..n (n <= 12)
  float Weight = 0;         // the domain's weight fraction d
  float WeightedShare = 0;  // Chi2Weight x Weight, divided by Density after filtering
  std::uint8_t TypeCode = 0;
  std::uint8_t DomainNumber = 0;  // position of the domain in its record, 1..5
  std::uint32_t BrightColour = 0;  // red in the low byte, then green, then blue
};

// A cluster of two or more points of one slice. Dimensions 1..DimCount.
struct SliceGroup {
  std::int32_t Label = 0;
  std::int32_t First = 0;  // first and last position of its members in the slice order
  std::int32_t Last = 0;
  std::int32_t Size = 0;
  std::int32_t Prev = 0;  // neighbouring live groups, 0 = none
  std::int32_t Next = 0;
  double Weight = 0;  // share of the kept weight
  double CorrectedWeight = 0;  // filled by the weight correction
  common::OneBased<double, kMaxDims> Mean{};
  // Weighted standard deviations; from dimension 2 on with the sign of the
  // covariance with dimension 1, so that they point along the correlation.
  common::OneBased<double, kMaxDims> Deviation{};
  common::OneBased<double, kMaxDims> SplitSteps{};
};

struct Slice {
  double Threshold = 0;
  std::int32_t Offset = 0;  // the slice holds DensityOrder positions Offset+1 .. count
  common::OneBased<std::int32_t, kMaxPoints> ClusterLabel{};  // by point number, 0 = none
  common::OneBased<std::int32_t, kMaxPoints> Order{};         // point numbers by label
  common::OneBased<SliceGroup, kMaxGroups> Groups{};
  std::int32_t GroupCount = 0;  // live groups
  std::int32_t FirstLive = 0;   // 0 = no live group
  std::int32_t LastLive = 0;
};

// An entry of a solution list: a group of a slice. Slice 0 marks an
// emptied entry.
struct SolutionEntry {
  std::int32_t Slice = 0;
  std::int32_t Group = 0;
  std::int32_t Label = 0;
};

struct SolutionList {
  common::OneBased<SolutionEntry, kMaxListEntries> Entries{};
  std::int32_t Count = 0;
};

// The five plot slots and the chosen solutions that fill them.
struct PlotSolutions {
  common::OneBased<SliceGroup, kPlotSlots> Slots{};
  std::int32_t ChosenCount = 0;  // np, 0..5
  common::OneBased<std::int32_t, kPlotSlots> ChosenEntry{};  // CondensedSolutions entry of chosen i
  common::OneBased<std::int32_t, kPlotSlots> SplitCount{};   // slots of chosen i
  common::OneBased<common::OneBased<std::int32_t, kPlotSlots>, kPlotSlots> SlotsOf{};
  std::int32_t LowestProcessed = 0;
  std::int32_t FilledSlots = 0;
};

struct Chi2Histogram {
  std::array<float, kHistogramBins> Centre{};  // 0.1, 0.3, ... 3.1 (units of Chi2Sigma)
  std::array<std::int32_t, kHistogramBins> Count{};
};

struct RunsSummary {
  common::OneBased<std::int32_t, 200> Contribution{};  // by run file
  std::int32_t RunCount = 0;
  std::int32_t Counted = 0;  // records counted (N, or fewer when the batch holds fewer)
  float Mean = 0;
  float Deviation = 0;
  std::int32_t Min = 0;
  std::int32_t Max = 0;
  std::int32_t FlatRuns = 0;
  std::int32_t Flatness = 0;  // percent
  std::int32_t AxisMax = 0;   // left axis maximum of the runs chart
};

// Window settings that the analysis reads (sliders and the "Dens Min" edit).
struct AnalysisSettings {
  // TrackBar1..5 positions p (0..20, kernel width p/200 of the axis range);
  // the form's own positions are those of the mem defaults.
  std::array<std::int32_t, 5> SigmaPositions{4, 8, 7, 7, 4};
  std::int32_t FactorPosition = 10;  // TrackBar6, factor = position / 10
  double SigmaFactor = 1.0;
  std::int32_t LevelPosition = 90;  // TrackBar7, level = position / 100
  double DensityLevel = 0.9;
  double MinDensity = 6;
  std::string MinDensityText = "6";  // LabeledEdit1
  std::int32_t SignalToNoise = 0;
  bool SettingsReady = false;
};

struct AnalysisState {
  AnalysisSettings Settings;

  common::OneBased<ComponentPoint, kMaxPoints> Points{};
  std::int32_t PointCount = 0;
  ModelClass Class = 0;
  std::array<float, kMaxDims + 1> AxisRange{};     // 0..DimCount
  std::array<double, kMaxDims + 1> ActiveSigma{};  // 0..DimCount

  double Chi2Min = 0;
  double Chi2Sigma = 0;
  double MaxDensity = 0;
  double ThresholdDensity = 0;
  double KeptShareSum = 0;
  std::int32_t ThresholdPosition = 0;
  common::OneBased<std::int32_t, kMaxPoints> DensityOrder{};
  common::OneBased<std::int32_t, kMaxPoints> Chi2Order{};
  common::OneBased<std::int32_t, kMaxPoints> AxisOrder{};  // by the horizontal parameter

  // Texts kept for the report lines (4 significant digits).
  std::string Chi2MinText;
  std::string Chi2SigmaText;
  std::string DensMaxText;
  std::string ThresholdText;

  Chi2Histogram Histogram;
  RunsSummary Runs;

  common::OneBased<Slice, kSliceCount> Slices{};
  SolutionList Candidates;
  SolutionList CondensedSolutions;
  SolutionList Trash;
  PlotSolutions Plot;
  common::OneBased<double, 5> BubbleScale{};  // radius unit of chart 1..5

  // Work arrays of the quadratic loops, by point number or slice position.
  common::OneBased<std::array<double, kMaxDims>, kMaxPoints> ScaledParams{};
  common::OneBased<double, kMaxPoints> PointFactor{};
  common::OneBased<float, kMaxPoints> WorkDensity{};
  common::OneBased<float, kMaxPoints> WorkWeight{};
  common::OneBased<std::int32_t, kMaxPoints> PositionLabel{};

  int DimCount() const { return Class == 0 ? 0 : ClassTables(Class).DimCount; }
  const ClassTable& Table() const { return ClassTables(Class); }
  // Parameter of dimension k (0..DimCount-1) of point m.
  double Coordinate(int m, int k) const {
    return Points[static_cast<std::size_t>(m)].Params[static_cast<std::size_t>(Table().AxisParams[static_cast<std::size_t>(k)])];
  }
};

// 1 + x exp(-x^2 / 2): widens the kernel of points with a small weight or a
// density near the threshold.
double SpreadFactor(double x);

}  // namespace velta
