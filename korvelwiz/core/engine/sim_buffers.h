#pragma once
// The engine's buffers: one set per thread that simulates. They hold the
// last call's results until the next call overwrites them. Everything is
// fixed size (some megabytes with the model scratch), so allocate one set
// once (MakeSimBuffers) and reuse it; the engine allocates nothing per call.
#include <memory>

#include "common/one_based.h"
#include "engine/scratch_isotropic.h"
#include "engine/scratch_ordering.h"
#include "engine/scratch_powder.h"
#include "engine/scratch_restricted.h"
#include "project/records.h"

namespace korvel {

inline constexpr int kPoints = 1024;
inline constexpr int kParamVectorSize = 100;

using Spectrum1024 = OneBased<double, kPoints>;
using ParamVec = OneBased<double, kParamVectorSize>;

// Scratch storage of the models, reused on every call.
struct EngineScratch {
  IsotropicScratch isotropic;
  PowderScratch powder;
  RestrictedScratch restricted;
  OrderingScratch ordering;
};

struct SimBuffers {
  ParamVec ParamVector{};                                           // built by callers
  OneBased<Spectrum1024, kMaxSpectra> SimTotal{};                   // engine
  OneBased<Spectrum1024, kMaxSpectra> ExpRaw{};                     // loader
  OneBased<Spectrum1024, kMaxSpectra> ExpCorrected{};               // engine
  OneBased<Spectrum1024, kMaxSpectra> ExpFieldAxis{};               // loader
  OneBased<OneBased<Spectrum1024, kMaxDomains>, kMaxSpectra> SimDomains{};  // engine
  EngineScratch scratch;
};

std::unique_ptr<SimBuffers> MakeSimBuffers();

}  // namespace korvel
