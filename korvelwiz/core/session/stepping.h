#pragma once
// The parameter palette's row layout and the stepping of one parameter by
// its grid value, as the increase/decrease buttons do.
//
// Palette layout (rows from 0): for each domain k in order a header row,
// then one row per parameter p = 1..n in table order. The header of domain
// k is at row sum over j < k of (n_j + 1); parameter p is that row + p.
// Row p < n shows value slot p, row n the absolute weight (slot 0).
#include "project/records.h"

namespace korvel {

// A palette row mapped back to its domain and parameter. domain == 0: the
// row lies below the last domain (an empty row); param == 0: a header row.
struct PaletteRow {
  int domain = 0;
  int param = 0;
  bool IsParameter() const { return domain > 0 && param > 0; }
};

// Row (0-based) of the header of domain k (1..DomainCount).
int PaletteHeaderRow(const Tspcmf& exp, int k);

// Row of palette parameter p (1..n) of domain k.
int PaletteParamRow(const Tspcmf& exp, int k, int p);

// Maps a row back: the domain whose header is the last at or above it, the
// parameter as the distance from that header. Rows below the last domain's
// last parameter, and negative rows, map to no domain.
PaletteRow MapPaletteRow(const Tspcmf& exp, int row);

// Step multipliers of the buttons: a click, SHIFT-click (ten grid steps),
// CTRL-click (far enough to reach the limit in one click; CTRL wins).
inline constexpr double kStepOne = 1.0;
inline constexpr double kStepTen = 10.0;
inline constexpr double kStepToLimit = 1'000'000.0;

// The multiplier of a click with the given modifiers.
constexpr double StepMultiplier(bool shift, bool ctrl) { return ctrl ? kStepToLimit : shift ? kStepTen : kStepOne; }

// Steps parameter `row` of the experiment up (direction +1) or down (-1) by
// multiplier * Grid of its type and table index, limited to LimitMax going
// up and LimitMin going down. The weight row steps the absolute weight
// (slot 0), then the conditional weights are recomputed from the absolute
// ones (the last domain takes what remains at the next simulation).
// Returns false, changing nothing, on a header row or an empty row.
bool StepParameter(Tspcmf& exp, const ProjectSettings& settings, int row, int direction,
                   double multiplier);

}  // namespace korvel
