#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "common/text_file.h"

namespace velta::testing {

class TempFolder {
 public:
  explicit TempFolder(const std::string& name = "run") {
    static std::atomic<int> counter{0};
    root_ = std::filesystem::temp_directory_path() /
            ("velta_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    path_ = root_ / name;
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path() const { return path_.string(); }
  std::string Root() const { return root_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    common::WriteFileAtomically(File(name), bytes);
    return File(name);
  }

 private:
  std::filesystem::path root_;
  std::filesystem::path path_;
};

}  // namespace velta::testing
