#include "common/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace common {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path + ": cannot open file (" + std::strerror(errno) + ")");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw FileError(path + ": read error");
  return bytes;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  return SplitLines(ReadFileBytes(path));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temp = target;
  temp += ".tmp~";
  {
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) throw FileError(path + ": cannot create file (" + std::strerror(errno) + ")");
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) {
      std::error_code ec;
      fs::remove(temp, ec);
      throw FileError(path + ": write error");
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw FileError(path + ": cannot replace file (" + ec.message() + ")");
  }
}

}  // namespace common
