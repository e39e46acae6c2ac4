#pragma once
// Drawing one domain with its model alone (no engine frame) on the X-band
// working copy of engine_fixture.h, with the floating-point flags that the
// frame treats as a failure cleared before and read after.
#include <gtest/gtest.h>

#include <cfenv>
#include <memory>

#include "engine/constants.h"
#include "engine/models.h"
#include "engine_fixture.h"

namespace korvel::testing {

inline constexpr int kFailFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

inline bool AnyFailFlag() { return std::fetestexcept(kFailFlags) != 0; }

// Sum of the running sum of a derivative spectrum: the area of its
// absorption, positive for a drawn spectrum.
inline double DoubleIntegral(const Spectrum1024& s) {
  double R = 0, I = 0;
  for (int l = 1; l <= 1024; ++l) {
    R += s[l];
    I += R;
  }
  return I;
}

class ModelTest : public ::testing::Test {
 protected:
  std::unique_ptr<SimBuffers> buf = MakeSimBuffers();
  ProjectSettings settings = NitroxideSettings();
  Tspcmf exp;

  void SetUp() override {
    exp.SpectrumCount = 1;
    exp.Spectra[1] = XBandSpectrum();
    exp.DomainCount = 1;
  }

  SpectrumConstants Constants() const { return MakeSpectrumConstants(exp, 1); }

  // Draws `d` into a fresh spectrum; `flagged` tells whether the model
  // raised a failure flag.
  Spectrum1024 DrawModel(const Domain& d, bool& flagged) {
    const CallConstants call = MakeCallConstants(settings);
    const SpectrumConstants sc = Constants();
    Spectrum1024 out{};
    std::feclearexcept(FE_ALL_EXCEPT);
    ModelOf(d.type)(d, ModelContext{settings, call, sc, buf->scratch}, out);
    flagged = AnyFailFlag();
    return out;
  }
};

}  // namespace korvel::testing
