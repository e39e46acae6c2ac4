#include "engine/models.h"

namespace korvel {

// Not built yet: draw nothing, so the frame's failure rule applies.
void DrawMes(const Domain&, const ModelContext&, Spectrum1024&) {}
void DrawPsd(const Domain&, const ModelContext&, Spectrum1024&) {}

}  // namespace korvel
