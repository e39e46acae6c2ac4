#pragma once
// Text files exchanged between programs: lines end with CR LF when written,
// CR LF or LF are accepted when read; the text is taken as 8-bit bytes.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// An input or output failure with the file (and the line, when known).
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole file as bytes. Throws FileError naming the file.
std::string ReadFileBytes(const std::string& path);

// Splits text into lines, dropping a trailing CR of each line. A final line
// without a line end is kept; an empty file gives no lines.
std::vector<std::string> SplitLines(std::string_view text);

// ReadFileBytes + SplitLines.
std::vector<std::string> ReadTextLines(const std::string& path);

// Collects CR LF-terminated lines for one file.
class CrLfText {
 public:
  void Line(std::string_view text) {
    text_.append(text);
    text_.append("\r\n");
  }
  void Append(std::string_view text) { text_.append(text); }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// Writes bytes to `path` through a temporary file beside it and a rename, so
// that a failed write never leaves a truncated file in place of an existing
// one. Throws FileError naming the file.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace common
