#pragma once
// A read position in the lines of a project file, with the reads the format
// is built from: keyword search, whole lines, single characters and numbers
// in free format. Every read that does not find what it expects throws
// FormatError naming the file and the line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class MtpCursor {
 public:
  MtpCursor(std::string file, std::vector<std::string> lines);

  // How a keyword line matches: the whole line, or only its first characters.
  enum class Match { kWhole, kPrefix };

  // Reads whole lines from the current position (the rest of the current
  // line first) until one matches `keyword`; on a match the position is the
  // start of the next line. Trailing blanks of a line are not compared.
  // Without a match the position returns to the start of the file when
  // `rewind` is set and stays at the end otherwise.
  bool FindSection(std::string_view keyword, Match match = Match::kWhole, bool rewind = true);

  // Rest of the current line; the position moves to the next line.
  std::string ReadLine(std::string_view what);
  // Moves to the start of the next line.
  void SkipLine(std::string_view what);
  // The next character of the current line; at the end of a line '\n',
  // without moving on (a read never runs into the next line).
  char ReadChar(std::string_view what);
  // Numbers in free format: blanks and line ends before them are skipped;
  // a number ends at the next blank or line end.
  double ReadReal(std::string_view what);
  std::int32_t ReadInt(std::string_view what);
  // "TRUE"/"true"/"True" (blanks around ignored) is true, anything else false.
  bool ReadBoolLine(std::string_view what);

  // Only blanks remain on the current line.
  bool RestOfLineBlank() const;
  bool AtEnd() const { return line_ >= lines_.size(); }

  // 1-based number of the current line (the last line at the end of file).
  int LineNumber() const;
  // 1-based number of the line the last number was read from.
  int TokenLine() const { return token_line_; }
  // 1-based number of the line the last FindSection matched.
  int SectionLine() const { return section_line_; }

  // Moves to the start of 0-based line `index`.
  void SeekLine(std::size_t index) {
    line_ = index;
    col_ = 0;
  }
  std::size_t LineIndex() const { return line_; }

  [[noreturn]] void Fail(int line, const std::string& what) const;
  [[noreturn]] void FailHere(const std::string& what) const { Fail(LineNumber(), what); }

 private:
  [[noreturn]] void FailAtEnd(std::string_view what) const;
  std::string_view NextToken(std::string_view what);

  std::string file_;
  std::vector<std::string> lines_;
  std::size_t line_ = 0;
  std::size_t col_ = 0;
  int token_line_ = 0;
  int section_line_ = 0;
};

}  // namespace korvel
