#include <gtest/gtest.h>

#include <string>

#include "mex_test_support.h"

namespace korvel::mex_host {
namespace {

TEST(MexVersion, NamesTheLinuxBuildMarker) { EXPECT_EQ(std::string(mexVersion()), "MATLAB R12 native"); }

}  // namespace
}  // namespace korvel::mex_host
