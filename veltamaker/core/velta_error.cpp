#include "velta_error.h"

namespace velta {

std::string AtLine(const std::string& path, int line, const std::string& what) {
  if (line <= 0) return path + ": " + what;
  return path + ", line " + std::to_string(line) + ": " + what;
}

}  // namespace velta
