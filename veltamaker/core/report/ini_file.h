#pragma once
// Standard INI text: [section] lines and key=value lines. Section and key
// names compare case-insensitively; blanks around names and values are
// dropped; lines starting with ";" and lines outside a section are ignored.
// Written with CR LF, sections and keys in the order they were set.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velta {

class IniFile {
 public:
  static IniFile Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string value);
  std::string Text() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  std::vector<Section> sections_;
};

}  // namespace velta
