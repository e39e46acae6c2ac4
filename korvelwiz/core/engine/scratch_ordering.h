#pragma once
// Scratch of the ordering-potential models (oms, obs).
#include "common/one_based.h"
#include "engine/scratch_restricted.h"

namespace korvel {

// Rows and columns of the U x V orientation cells (some 2.9 MB of positions).
inline constexpr int kMaxOrderCells = 350;

struct OrderingScratch {
  common::OneBased<common::OneBased<PointPositions, kMaxOrderCells>, kMaxOrderCells> cells{};
  common::OneBased<double, kMaxOrderCells> cos_phi{}, sin_phi{};  // per column
  LineHistograms hist{};
  std::array<LineTable, 3> lines{};
};

}  // namespace korvel
