#pragma once
// The nine line-shape models. Each adds, for one domain of one spectrum
// slot, its first-derivative spectrum into `target` (zeroed by the frame),
// clipped to points 1..1024. Models do not normalise: the frame divides by
// the double integral. A model that draws nothing leaves the integral 0,
// which the frame treats as an arithmetic failure.
#include "engine/constants.h"
#include "engine/sim_buffers.h"

namespace korvel {

struct ModelContext {
  const ProjectSettings& settings;
  const CallConstants& call;
  const SpectrumConstants& spectrum;
  EngineScratch& scratch;
};

using ModelRoutine = void (*)(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);

void DrawIso(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawMem(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawLle(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawLbe(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawMes(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawPsd(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawOms(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawObs(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);
void DrawTrp(const Domain& domain, const ModelContext& ctx, Spectrum1024& target);

// The model of a type code; nullptr for a code outside 0..8 (draws nothing).
ModelRoutine ModelOf(DomainType type);

}  // namespace korvel
