#pragma once
// Pieces of the ordering-potential models (oms, obs): the order quantities
// from the ordering table, the averaged principal values, the widths, and
// the U x V grid of orientation cells whose field positions are evaluated
// in about one cell of nine and interpolated in the others.
#include "engine/constants.h"
#include "engine/line_shape.h"
#include "engine/restricted_tensors.h"
#include "engine/scratch_ordering.h"

namespace korvel {

struct OrderQuantities {
  double a = 0.5, b = 1.0 / 3.0, c = 0.5, d = 1.0 / 3.0;
};

// a = F(tc, PoB), b = G(tc, PoA), c = F(tc, PoC) from OrderLookup, and
// d = (1 - b) c. Zero potentials at tc = 0 give a = c = 1/2, b = d = 1/3.
OrderQuantities MakeOrderQuantities(double tc, double PoA, double PoB, double PoC);

// The averaged principal values (X, Y, Z) of a triple (q1, q2, q3), q3 on the
// potential's symmetry axis, times the factor k (pg for g, pa for A). For
// every q_i the three coefficients sum to 1.
Principal3 OrderAveraged(const Principal3& q, const OrderQuantities& o, double k);

// The principal triples of a tensor in the cyclic axis order of GroupCode gc:
// ((gc+1) mod 3, (gc+2) mod 3, gc mod 3) of (xx, yy, zz).
Principal3 AxisOrdered(double xx, double yy, double zz, int gc);

// Widths [points]: the fast-motion widths at tc (uncapped, with pa and pg)
// fade with E = exp(-tc/3) into the floor R = (1.4, 1.2, 1.7) G, plus W [G]:
// w = (E w0 + (1 - E) R + W) / delta.
LineWidths OrderingWidths(double tc, double W, double pa, double pg, const CallConstants& call,
                          const SpectrumConstants& consts);

struct OrderingGridSize {
  int U = 6;   // rows (polar steps over 0..pi/2), a multiple of 6
  int V = 24;  // columns (azimuth steps over 0..2 pi), a multiple of 6
};

// Largest multiple of 6 that fits the 350 x 350 cells.
inline constexpr int kMaxOrderGrid = kMaxOrderCells - kMaxOrderCells % 6;

// U = 6 + 6 floor((max(N1, 6) - 6)/6), V = 24 + 6 floor((max(N2, 24) - 24)/6),
// each capped at kMaxOrderGrid. N1 = 13, N2 = 31 give 12 x 30.
OrderingGridSize SizeOrderingGrid(double N1, double N2);

// Averaged g and A principal values and the molecular tilt (th, fi) [rad]:
// sizes the grid from the field spreads, fills scratch.cells[i][j] with the
// histogram positions of the three lines at cell (i, j) and returns the size.
OrderingGridSize FillOrderingCells(const Principal3& g, const Principal3& A, double th, double fi,
                                   const SpectrumConstants& consts, OrderingScratch& scratch);

}  // namespace korvel
