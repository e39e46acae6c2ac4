#include "engine/models.h"

namespace korvel {

ModelRoutine ModelOf(DomainType type) {
  static constexpr ModelRoutine kModels[kDomainTypeCount] = {
      DrawIso, DrawMem, DrawLle, DrawLbe, DrawMes, DrawPsd, DrawOms, DrawObs, DrawTrp};
  return type < kDomainTypeCount ? kModels[type] : nullptr;
}

}  // namespace korvel
