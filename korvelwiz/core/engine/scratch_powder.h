#pragma once
// Scratch of the powder and exchange models (mem, lle, lbe).

namespace korvel {

struct PowderScratch {};

}  // namespace korvel
