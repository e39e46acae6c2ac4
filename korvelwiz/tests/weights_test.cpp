#include <gtest/gtest.h>

#include "project/weights.h"

using namespace korvel;

TEST(Weights, ThreeDomainWeightsRoundTrip) {
  Tspcmf e;
  e.DomainCount = 3;
  for (int k = 1; k <= 3; ++k) e.Domains[k].type = kIso;
  e.Domains[1].Values[0] = 0.5;
  e.Domains[2].Values[0] = 0.3;
  e.Domains[3].Values[0] = 0.2;
  AbsoluteToConditional(e);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[6], 0.5);
  EXPECT_DOUBLE_EQ(e.Domains[2].Values[6], 0.6);
  e.Domains[1].Values[0] = e.Domains[2].Values[0] = e.Domains[3].Values[0] = 0;
  ConditionalToAbsolute(e);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[0], 0.5);
  EXPECT_NEAR(e.Domains[2].Values[0], 0.3, 1e-15);
  EXPECT_NEAR(e.Domains[3].Values[0], 0.2, 1e-15);
}

TEST(Weights, SingleDomainWeighsOneAndLastSwitchIsOff) {
  Tspcmf e;
  e.DomainCount = 1;
  e.Domains[1].type = kTrp;
  e.Domains[1].Values[19] = 0.3;
  e.Domains[1].Switches[19] = true;
  ConditionalToAbsolute(e);
  ForceLastWeightSwitchOff(e);
  EXPECT_EQ(e.Domains[1].Values[0], 1.0);
  EXPECT_FALSE(e.Domains[1].Switches[19]);
}
