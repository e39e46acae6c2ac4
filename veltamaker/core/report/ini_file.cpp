#include "report/ini_file.h"

#include <algorithm>
#include <cctype>

#include "common/text_file.h"

namespace velta {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  Section* current = nullptr;
  for (const std::string& raw : common::SplitLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      current = nullptr;
      for (Section& s : ini.sections_)
        if (SameName(s.name, name)) current = &s;
      if (!current) current = &ini.sections_.emplace_back(Section{std::string(name), {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    bool replaced = false;
    for (auto& [k, v] : current->entries)
      if (SameName(k, key)) {
        v = std::string(Trim(line.substr(eq + 1)));
        replaced = true;
      }
    if (!replaced) current->entries.emplace_back(std::string(key), std::string(Trim(line.substr(eq + 1))));
  }
  return ini;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  for (const Section& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& [k, v] : s.entries)
      if (SameName(k, key)) return v;
  }
  return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string value) {
  Section* target = nullptr;
  for (Section& s : sections_)
    if (SameName(s.name, section)) target = &s;
  if (!target) target = &sections_.emplace_back(Section{std::string(section), {}});
  for (auto& [k, v] : target->entries)
    if (SameName(k, key)) {
      v = std::move(value);
      return;
    }
  target->entries.emplace_back(std::string(key), std::move(value));
}

std::string IniFile::Text() const {
  common::CrLfText out;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) out.Line("");
    out.Line("[" + sections_[i].name + "]");
    for (const auto& [k, v] : sections_[i].entries) out.Line(k + "=" + v);
  }
  return out.str();
}

}  // namespace velta
