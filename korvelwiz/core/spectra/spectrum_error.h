#pragma once
// The one error of the spectral file readers and the loader. Its message
// names the file, and the line for text formats, and says what was wrong.
#include <stdexcept>
#include <string>

namespace korvel {

class SpectrumError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace korvel
