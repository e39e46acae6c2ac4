#pragma once
// Scratch of the restricted-motion models (mes, psd).

namespace korvel {

struct RestrictedScratch {};

}  // namespace korvel
