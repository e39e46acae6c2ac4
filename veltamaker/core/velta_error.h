#pragma once
// The one error type of the veltamaker core: input that cannot be taken (a
// malformed population or project file, named with its line), a capacity
// that would be exceeded, or an analysis that is not defined for the data.
// Front ends catch it at the command boundary and show its message.
#include <stdexcept>
#include <string>

namespace velta {

class VeltaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "path, line n: what" (line 0 leaves the line out).
std::string AtLine(const std::string& path, int line, const std::string& what);

}  // namespace velta
