#pragma once
// The axially averaged tensors of mem, exposed for the tests and for any
// caller that shows them.
#include <cstdint>

#include "project/records.h"

namespace korvel {

// Principal values averaged by a fast motion about one axis with order
// parameter S: P = (2S + 1)/3 is the mean square cosine of the motion,
// X_par = X3 P + (X1 + X2)/2 (1 - P), X_perp = X3 (1 - P)/2 + (X1 + X2)/2 (1 + P)/2
// for X = A [G] and g. The symmetry axis is picked by the domain's
// GroupCode gc: the values are taken in the cyclic order (gc+1, gc+2, gc)
// mod 3 of (xx, yy, zz), so gc = 2 makes z the axis (A3 = Azz), gc = 0
// makes it x (A3 = Axx) and gc = 1 makes it y.
struct AxialTensors {
  double A_par = 0, A_perp = 0;
  double g_par = 0, g_perp = 0;
};
AxialTensors PartiallyAveragedTensors(double S, std::uint8_t group_code, const ProjectSettings& settings);

}  // namespace korvel
