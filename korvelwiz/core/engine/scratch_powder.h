#pragma once
// Scratch of the powder and exchange models (mem, lle, lbe), reused on every
// call: the stick histograms and line tables of mem, the absorption curve of
// lle, the small exchange system rebuilt at every field point, and the
// record of a singular system for the one diagnostic file of an engine call.
#include <array>

#include "common/one_based.h"
#include "engine/scratch_isotropic.h"
#include "fitting/gauss_jordan.h"

namespace korvel {

// Largest exchange system: lbe's 8 unknowns (lle has 6).
inline constexpr int kExchangeMaxOrder = 8;
using ExchangeMatrix = FixedMatrix<kExchangeMaxOrder, kExchangeMaxOrder>;
using ExchangeRhs = FixedMatrix<kExchangeMaxOrder, 1>;

struct PowderScratch {
  // mem: one histogram of orientation intensities per nitrogen line
  // (index 0, 1, 2 = m +1, 0, -1), bins 1..1024, and its line table.
  std::array<common::OneBased<double, 1024>, 3> histogram{};
  std::array<LineTable, 3> lines{};
  // The line's derivative over offsets -N..N, antisymmetric, with three
  // zeros on either side (offset d at kernel[d + N + 3]).
  std::array<double, 2 * 1024 + 1 + 6> kernel{};

  // lle: absorption at every point; failed[l] marks a point whose system
  // was singular (it contributes nothing).
  common::OneBased<double, 1024> absorption{};
  common::OneBased<bool, 1024> failed{};

  // The system of the current point.
  ExchangeMatrix a{};
  ExchangeRhs b{};

  // The last singular system met since the diagnostic file was last
  // allowed (BeginEngineCall); written once at the end of the model call
  // that met it, and then not again within the same engine call.
  ExchangeMatrix singular{};
  int singular_order = 0;
  bool singular_pending = false;
  bool diagnostic_written = false;
};

}  // namespace korvel
