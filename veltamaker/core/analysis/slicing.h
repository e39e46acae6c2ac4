#pragma once
// Slicing: five nested density slices with thresholds rising geometrically
// from the threshold density towards the largest density; in each slice the
// points are clustered by single linkage, clusters of two or more become
// groups with weighted means and signed deviations, groups under 1 % of the
// kept weight are dropped as trash, and overlapping groups are merged.
#include <string>

#include "analysis/analysis_state.h"

namespace velta {

void Slicing(AnalysisState& state);

// The steps of Slicing for one slice after its clustering (exposed for
// tests): the groups of two or more points with equal labels, their
// statistics with the trash rule (under 1 % of KeptShareSum), and the
// merging of groups whose means lie closer than their summed deviations
// (chi of the mean differences below DimCount).
void MakeGroups(AnalysisState& state, Slice& slice);
void GroupStatistics(AnalysisState& state, Slice& slice);
void MergeGroups(AnalysisState& state, Slice& slice);

// The clustering distance of points a and b: the root mean square of their
// separation over the dimensions in units of AxisRange x ActiveSigma,
// divided by the spread factors of both (from weight and density).
double ClusterDistance(const AnalysisState& state, int a, int b);

// "Chi2: 1 ± 0.5" and "Threshhold densities: (t1; t2; t3; t4; t5) (Max=m)"
// (± is the byte 0xB1 of the 8-bit text).
std::string Chi2ReportLine(const AnalysisState& state);
std::string ThresholdReportLine(const AnalysisState& state);

}  // namespace velta
