#pragma once
// Shared pieces of the project-file tests: fixture paths, a scratch folder
// per test, and text edits of a fixture written back as a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "project/records.h"

namespace korvel::mtp_test {

inline std::string Fixture(const std::string& name) { return std::string(KORVEL_TESTDATA) + "/mtp/" + name; }

inline std::vector<std::string> FixtureLines(const std::string& name) {
  return common::ReadTextLines(Fixture(name));
}

// Index (0-based) of the first line equal to `text`; fails the test when none.
inline std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text) return i;
  ADD_FAILURE() << "no line \"" << text << "\"";
  return 0;
}

inline std::string Joined(const std::vector<std::string>& lines, const char* line_end = "\r\n") {
  std::string text;
  for (const std::string& l : lines) text += l + line_end;
  return text;
}

// Projects are large; tests keep them on the heap.
inline std::unique_ptr<Project> NewProject() { return std::make_unique<Project>(); }

// A fresh folder under the system temporary folder, removed afterwards.
class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = std::filesystem::temp_directory_path() /
           ("korvel_mtp_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string WriteFile(const std::string& name, const std::string& bytes) const {
    common::WriteFileAtomically(Path(name), bytes);
    return Path(name);
  }
  // ProjectDir as the reader expects it: with a trailing separator.
  std::string DirWithSlash() const { return dir_.string() + "/"; }

  std::filesystem::path dir_;
};

}  // namespace korvel::mtp_test
