#pragma once
// The one error type of the project-file readers: a value that is not what
// the format expects, reported with the file and the 1-based line
// ("FILE:LINE: what was expected"), so that the front end can show it as is.
#include <stdexcept>
#include <string>
#include <utility>

namespace korvel {

struct FormatError : std::runtime_error {
  FormatError(std::string file_name, int line_number, const std::string& what)
      : std::runtime_error(file_name + ":" + std::to_string(line_number) + ": " + what),
        file(std::move(file_name)),
        line(line_number) {}

  std::string file;
  int line;  // 1-based
};

}  // namespace korvel
