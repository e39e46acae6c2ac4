#include "reference/reference_search.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>

#include "common/text_file.h"
#include "runset/run_set_paths.h"
#include "velta_error.h"

namespace velta {
namespace {

constexpr std::string_view kBlockKeyword = "Spectrum characteristics";

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Project files written on either platform name spectra with either
// separator.
std::string WithoutFolder(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool HasMtpExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".mtp";
}

bool OneBeforeFirstDot(const std::string& name) {
  const std::size_t dot = name.find('.');
  return dot != std::string::npos && dot > 0 && name[dot - 1] == '1';
}

}  // namespace

std::string MatchingSpectrum(const std::vector<std::string>& lines, const std::string& stem) {
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
    if (!StartsWith(lines[i], kBlockKeyword)) continue;
    const std::string name = WithoutFolder(lines[i + 2]);
    if (name.size() >= 4 && name.substr(0, name.size() - 4) == stem) return name;
  }
  return {};
}

ReferenceInfo FindReference(const std::string& project_dir, const std::string& stem,
                            std::vector<std::string>& notes) {
  namespace fs = std::filesystem;
  ReferenceInfo info;
  std::vector<std::string> names;
  std::error_code ec;
  const fs::path folder = project_dir.empty() ? fs::path("/") : fs::path(project_dir);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (it->is_regular_file(type_ec) && HasMtpExtension(name) && name.find("wc") == std::string::npos)
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  std::string chosen;
  fs::file_time_type chosen_time{};
  for (const std::string& name : names) {
    const std::string path = JoinPath(project_dir, name);
    std::vector<std::string> lines;
    try {
      lines = common::ReadTextLines(path);
    } catch (const common::FileError&) {
      continue;  // an unreadable candidate is not the reference
    }
    const std::string spectrum = MatchingSpectrum(lines, stem);
    if (spectrum.empty()) continue;
    std::error_code time_ec;
    const fs::file_time_type time = fs::last_write_time(path, time_ec);
    const bool one = OneBeforeFirstDot(name);
    if (chosen.empty() || one || time < chosen_time) {
      chosen = path;
      chosen_time = time;
      info.SpectrumFileName = spectrum;
    }
    if (one) break;
  }
  if (chosen.empty()) {
    notes.push_back(
        "Reference MTP file was not found in the current folder. Signal/Noice ratio is not loaded. "
        "Weight correction would not start");
    return info;
  }
  info.ReferenceMtp = chosen;
  info.ReferenceFound = true;
  std::error_code exists_ec;
  info.SpectrumFound = fs::is_regular_file(JoinPath(project_dir, info.SpectrumFileName), exists_ec);
  if (!info.SpectrumFound)
    notes.push_back("Spectrum data file is not found in the current folder. Weight correction would not start.");
  return info;
}

std::optional<int> ReadSignalToNoise(const std::string& reference_path, const std::string& stem,
                                     std::vector<std::string>& notes) {
  const std::vector<std::string> lines = common::ReadTextLines(reference_path);
  std::size_t i = 0;
  for (; i + 2 < lines.size(); ++i)
    if (StartsWith(lines[i], kBlockKeyword) && lines[i + 2].find(stem) != std::string::npos) break;
  if (i + 2 >= lines.size()) return std::nullopt;
  for (; i < lines.size() && !StartsWith(lines[i], "Hi2"); ++i) {
  }
  if (i + 1 >= lines.size()) return std::nullopt;
  const std::string& line = lines[i + 1];
  const std::size_t eq = line.find('=');
  const std::size_t close = line.find(')');
  const std::string inside =
      eq != std::string::npos && close != std::string::npos && close > eq ? line.substr(eq + 1, close - eq - 1)
                                                                           : std::string();
  // One value per spectrum of the block, separated by commas.
  std::vector<int> values;
  bool ok = !inside.empty();
  for (std::size_t start = 0; ok && start <= inside.size();) {
    const std::size_t comma = std::min(inside.find(',', start), inside.size());
    std::string text = inside.substr(start, comma - start);
    const std::size_t first = text.find_first_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    ok = !text.empty() && ec == std::errc() && end == text.data() + text.size();
    values.push_back(value);
    start = comma + 1;
  }
  if (!ok)
    throw VeltaError(AtLine(reference_path, static_cast<int>(i + 2),
                            "the signal-to-noise text \"" + inside + "\" is not an integer"));
  if (values.size() > 1)
    notes.push_back("The spectrum block of " + reference_path + " holds " + std::to_string(values.size()) +
                    " spectra (S/N=" + inside + "); the first value, " + std::to_string(values.front()) +
                    ", is used");
  return values.front();
}

}  // namespace velta
