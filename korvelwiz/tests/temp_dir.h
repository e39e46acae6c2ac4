#pragma once
// A folder name under the system temporary folder that is private to this
// process and test: CTest runs the tests of one binary in parallel
// processes, so a fixed name would let one test remove another's files.
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace korvel::testing {

inline std::filesystem::path PrivateTempDir(const std::string& prefix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? info->name() : "none";
  for (char& c : name)
    if (c == '/') c = '_';
  return std::filesystem::temp_directory_path() /
         (prefix + "_" + std::to_string(::getpid()) + "_" + name);
}

}  // namespace korvel::testing
