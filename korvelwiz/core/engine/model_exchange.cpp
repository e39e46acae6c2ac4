#include "engine/models.h"

namespace korvel {

// Not built yet: draw nothing, so the frame's failure rule applies.
void DrawLle(const Domain&, const ModelContext&, Spectrum1024&) {}
void DrawLbe(const Domain&, const ModelContext&, Spectrum1024&) {}

}  // namespace korvel
