#pragma once
// Scratch of the restricted-motion models (mes, psd), and the stick
// histograms every orientation-grid model (mes, psd, oms, obs) fills.
#include <array>

#include "common/one_based.h"
#include "engine/scratch_isotropic.h"

namespace korvel {

// Points of one grid row, the closing point (azimuth 2 pi) included.
inline constexpr int kMaxRowPoints = 120;

// Stick weights on points 1..1024 of one nitrogen line.
using Histogram1024 = common::OneBased<double, 1024>;

struct LineHistograms {
  std::array<Histogram1024, 3> line{};  // m = +1, 0, -1
};

// Fractional histogram positions of the three lines at one direction.
using PointPositions = std::array<double, 3>;
using GridRow = common::OneBased<PointPositions, kMaxRowPoints>;

struct RestrictedScratch {
  // The grid is walked one pair of rows at a time: rows i and i + 1, and
  // row i + 1 resampled at the azimuths of row i when it has more points.
  GridRow row_a{}, row_b{}, resampled{};
  LineHistograms hist{};
  std::array<LineTable, 3> lines{};
};

}  // namespace korvel
