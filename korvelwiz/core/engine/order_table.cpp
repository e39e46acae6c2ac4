#include "engine/order_table.h"

#include <cmath>

namespace korvel {
namespace {

// Both means are ratios of power series with positive terms only, so they
// sum without cancellation. With t_n = x^n / n!:
//   planar:    integral over the circle of cos^2n phi = 2 pi c_n,
//              c_n = (2n)! / (4^n n!^2), so F = sum t_n c_{n+1} / sum t_n c_n;
//   spherical: integral over 0..1 of u^2n = 1/(2n+1), so
//              G = sum t_n / (2n+3) / sum t_n / (2n+1).
// The sums run in extended precision; the terms of x = 20 have fallen below
// 1e-30 of the sum long before n = 200.
constexpr int kSeriesTerms = 200;

constexpr OrderRow MakeRow(int k) {
  const long double x = 0.2L * k;
  long double t = 1.0L;  // x^n / n!
  long double c = 1.0L;  // c_n
  long double f_num = 0, f_den = 0, g_num = 0, g_den = 0;
  for (int n = 0; n < kSeriesTerms; ++n) {
    const long double c_next = c * (2.0L * n + 1.0L) / (2.0L * n + 2.0L);
    f_num += t * c_next;
    f_den += t * c;
    g_num += t / (2.0L * n + 3.0L);
    g_den += t / (2.0L * n + 1.0L);
    c = c_next;
    t = t * x / (n + 1.0L);
  }
  return OrderRow{static_cast<double>(kOrderStep * k), static_cast<double>(f_num / f_den),
                  static_cast<double>(g_num / g_den)};
}

constexpr std::array<OrderRow, kOrderRows> MakeTable() {
  std::array<OrderRow, kOrderRows> rows{};
  for (int k = 0; k < kOrderRows; ++k) rows[static_cast<std::size_t>(k)] = MakeRow(k);
  return rows;
}

constexpr std::array<OrderRow, kOrderRows> kTable = MakeTable();

double Column(OrderColumn column, int k) {
  const OrderRow& row = kTable[static_cast<std::size_t>(k)];
  return column == OrderColumn::kF ? row.F : row.G;
}

// Cubic through P0..P3 at t = 0, 1, 2 that closes the table at its ends.
double EndCubic(double P0, double P1, double P2, double P3, double t) {
  const double c1 = (-7.0 * P0 + 11.0 * P1 - 5.0 * P2 + P3) / 4.0;
  const double c2 = (7.0 * P0 - 17.0 * P1 + 13.0 * P2 - 3.0 * P3) / 8.0;
  const double c3 = (-P0 + 3.0 * P1 - 3.0 * P2 + P3) / 8.0;
  return P0 + c1 * t + c2 * t * t + c3 * t * t * t;
}

}  // namespace

const std::array<OrderRow, kOrderRows>& OrderTable() { return kTable; }

double OrderLookup(OrderColumn column, double tau, double Po) {
  double x = tau / 3.0 + Po;
  if (x >= 20.0) return Column(column, 100);
  if (x < -kOrderStep) x = -kOrderStep;
  // r = trunc(x / 0.2); negative x belongs to the first interval, and an x
  // just below 20 whose quotient rounds up to 100 to the last one.
  int r = x < 0 ? 0 : static_cast<int>(x / kOrderStep);
  if (r > 99) r = 99;
  if (r == 99) {
    const double t = (20.0 - x) / kOrderStep;
    return EndCubic(Column(column, 100), Column(column, 99), Column(column, 98), Column(column, 97), t);
  }
  const double t = (x - kOrderStep * r) / kOrderStep;
  if (r == 0) return EndCubic(Column(column, 0), Column(column, 1), Column(column, 2), Column(column, 3), t);
  // Cubic through rows r-1, r, r+1, r+2 at the nodes -1, 0, 1, 2.
  const double qm = Column(column, r - 1), q0 = Column(column, r), q1 = Column(column, r + 1),
               q2 = Column(column, r + 2);
  const double c1 = (-2.0 * qm - 3.0 * q0 + 6.0 * q1 - q2) / 6.0;
  const double c2 = (qm - 2.0 * q0 + q1) / 2.0;
  const double c3 = (-qm + 3.0 * q0 - 3.0 * q1 + q2) / 6.0;
  return q0 + c1 * t + c2 * t * t + c3 * t * t * t;
}

double OrderLambda(double P) {
  for (const OrderRow& row : kTable)
    if (row.G >= P) return row.x;
  return 20.0;
}

}  // namespace korvel
