#pragma once
// Generated run sets with known answers: every solution holds one mem
// domain per cluster, placed near the cluster's centre with a small
// Gaussian scatter and carrying the cluster's weight (the weights of a
// record add up to 1). The condensation should find one domain solution
// per cluster with that weight.
#include <cstdint>
#include <string>
#include <vector>

#include "records/record_batch.h"

namespace velta::testing {

struct ClusterSpec {
  double S, tc, W, Pa;
  double weight;
};

struct RunSetSpec {
  int runs = 10;
  int records_per_run = 60;
  std::vector<ClusterSpec> clusters;
  double scatter = 0.01;  // standard deviation as a fraction of each axis range
  std::uint32_t seed = 1;
  std::string prefix = "res";
};

// The records of run r (1-based), fitness ascending within the run.
std::vector<SolutionRecord> GenerateRun(const RunSetSpec& plan, int run);

// Writes prefix001.pop ... into `folder`; returns the path of the first.
std::string WriteRunSet(const std::string& folder, const RunSetSpec& plan);

// Two clusters of mem domains far apart, weights 0.7 and 0.3.
RunSetSpec TwoMemClusters();

}  // namespace velta::testing
