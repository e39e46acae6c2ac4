#pragma once
// The ordering table: mean square cosines of the planar and the spherical
// ordering distributions, tabulated at x = 0, 0.2, ..., 20, and the lookup
// that interpolates it.
#include <array>

namespace korvel {

inline constexpr int kOrderRows = 101;      // rows k = 0..100
inline constexpr double kOrderStep = 0.2;   // x_k = 0.2 k

struct OrderRow {
  double x;  // 0.2 k
  double F;  // <cos^2 phi>, p(phi) ~ exp(x cos^2 phi), phi over a full circle
  double G;  // <cos^2 theta>, p(theta) ~ exp(x cos^2 theta) sin theta, theta in 0..pi
};

// Rows 0..100 (index = k), to full double precision.
const std::array<OrderRow, kOrderRows>& OrderTable();

enum class OrderColumn { kF, kG };

// The chosen column at x = tau/3 + Po (tau [ns], Po [kT]): a cubic through
// the four rows around x inside the table, end cubics in the first and the
// last interval, the row-100 value from x = 20 on. The result passes
// through every tabulated value and is continuous in x. Below x = -0.2 the
// first interval's cubic is taken at x = -0.2 (nothing is read outside the
// table); between -0.2 and 0 it extrapolates.
double OrderLookup(OrderColumn column, double tau, double Po);

// The ordering strength of a cone: x_k of the first row k (in row order)
// whose spherical mean square cosine G(x_k) is not below P, without
// interpolation; 20 when no row qualifies.
double OrderLambda(double P);

}  // namespace korvel
