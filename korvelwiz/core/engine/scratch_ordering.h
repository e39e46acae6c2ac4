#pragma once
// Scratch of the ordering-potential models (oms, obs).

namespace korvel {

struct OrderingScratch {};

}  // namespace korvel
