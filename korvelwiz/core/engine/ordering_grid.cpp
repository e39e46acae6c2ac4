#include "engine/ordering_grid.h"

#include <algorithm>
#include <cmath>

#include "common/rounding.h"
#include "engine/order_table.h"
#include "engine/resonance_fields.h"
#include "engine/stick_histogram.h"

namespace korvel {
namespace {

constexpr double kHalfPi = 1.570796327;

FieldTriple Fld(double theta, double phi, const Principal3& g, const Principal3& A, double B0) {
  return SecondOrderFields(theta, phi, g.x, g.y, g.z, A.x, A.y, A.z, B0);
}

// round(spread / step) as a real, bounded well above any grid the caps allow.
double Count(double spread, double step) {
  if (!(step > 0)) return 1.0e6;
  const double r = spread / step;
  return r < 1.0e6 ? common::RoundHalfEven(r) : 1.0e6;
}

int MultipleOfSix(double n, int min) {
  const double steps = std::floor((std::max(n, static_cast<double>(min)) - min) / 6.0);
  const double size = min + 6.0 * steps;
  return size < kMaxOrderGrid ? static_cast<int>(size) : kMaxOrderGrid;
}

}  // namespace

OrderQuantities MakeOrderQuantities(double tc, double PoA, double PoB, double PoC) {
  OrderQuantities o;
  o.a = OrderLookup(OrderColumn::kF, tc, PoB);
  o.b = OrderLookup(OrderColumn::kG, tc, PoA);
  o.c = OrderLookup(OrderColumn::kF, tc, PoC);
  o.d = (1.0 - o.b) * o.c;
  return o;
}

Principal3 OrderAveraged(const Principal3& q, const OrderQuantities& o, double k) {
  const double a = o.a, b = o.b, c = o.c, d = o.d;
  Principal3 r;
  r.x = k * (q.x * ((b - c + d) * (1.0 - a) + a * c) + q.y * ((b - c + d) * a + (1.0 - a) * c) +
             q.z * (1.0 - b - d));
  r.y = k * (q.x * ((1.0 - a) * (c - d) + a * (1.0 - c)) + q.y * (a * (c - d) + (1.0 - a) * (1.0 - c)) +
             q.z * d);
  r.z = k * (q.x * (1.0 - b) * (1.0 - a) + q.y * (1.0 - b) * a + q.z * b);
  return r;
}

Principal3 AxisOrdered(double xx, double yy, double zz, int gc) {
  const double v[3] = {xx, yy, zz};
  return Principal3{v[(gc + 1) % 3], v[(gc + 2) % 3], v[gc % 3]};
}

LineWidths OrderingWidths(double tc, double W, double pa, double pg, const CallConstants& call,
                          const SpectrumConstants& consts) {
  const LineWidths w0 = FastMotionWidths(tc, 0.0, pa, pg, call, consts);
  const double E = std::exp(-tc / 3.0);
  LineWidths w;
  w.plus = E * w0.plus + ((1.0 - E) * 1.4 + W) / consts.delta;
  w.zero = E * w0.zero + ((1.0 - E) * 1.2 + W) / consts.delta;
  w.minus = E * w0.minus + ((1.0 - E) * 1.7 + W) / consts.delta;
  return w;
}

OrderingGridSize SizeOrderingGrid(double N1, double N2) {
  return OrderingGridSize{MultipleOfSix(N1, 6), MultipleOfSix(N2, 24)};
}

OrderingGridSize FillOrderingCells(const Principal3& g, const Principal3& A, double th, double fi,
                                   const SpectrumConstants& consts, OrderingScratch& scratch) {
  const double B0 = consts.B0, step = consts.grid_step;
  const FieldTriple pole = Fld(-th, -fi, g, A, B0);
  const FieldTriple equator = Fld(kHalfPi - th, -fi, g, A, B0);
  const FieldTriple quarter = Fld(kHalfPi - th, kHalfPi - fi, g, A, B0);
  const OrderingGridSize size =
      SizeOrderingGrid(Count(FieldSpread(pole, equator), step), Count(FieldSpread(equator, quarter), step));
  const int U = size.U, V = size.V;
  const double dtheta = kHalfPi / U;
  const PositionMap map(consts);
  auto& cells = scratch.cells;
  auto cell = [&](int i, int j) -> PointPositions& {
    return cells[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
  };
  // Column c + l, wrapping past V to 1.
  auto wrap = [V](int c) { return c > V ? c - V : c; };

  // Evaluated rows 1, 2, 5, ..., U - 1, U in columns 2, 5, ..., V - 1, each
  // row then completed along the azimuth (V and 1 lie between V - 1 and 2).
  auto evaluate_row = [&](int i) {
    const double theta = (i - 0.5) * dtheta - th;
    for (int j = 2; j <= V - 1; j += 3) {
      const FieldTriple f = Fld(theta, (2 * j - 1) * kPiSingle / V - fi, g, A, B0);
      cell(i, j) = PointPositions{map(f.plus), map(f.zero), map(f.minus)};
    }
    for (int j = 2; j <= V - 1; j += 3) {
      const PointPositions& a = cell(i, j);
      const PointPositions& b = cell(i, wrap(j + 3));
      for (int l = 1; l <= 2; ++l) {
        PointPositions& c = cell(i, wrap(j + l));
        for (std::size_t m = 0; m < 3; ++m) c[m] = (1.0 - l / 3.0) * a[m] + (l / 3.0) * b[m];
      }
    }
  };
  evaluate_row(1);
  for (int i = 2; i <= U - 1; i += 3) evaluate_row(i);
  evaluate_row(U);
  // Rows between evaluated rows three apart, across the rows.
  for (int i0 = 2; i0 + 3 <= U - 1; i0 += 3)
    for (int k = 1; k <= 2; ++k)
      for (int j = 1; j <= V; ++j) {
        const PointPositions& a = cell(i0, j);
        const PointPositions& b = cell(i0 + 3, j);
        PointPositions& c = cell(i0 + k, j);
        for (std::size_t m = 0; m < 3; ++m) c[m] = (1.0 - k / 3.0) * a[m] + (k / 3.0) * b[m];
      }
  return size;
}

}  // namespace korvel
