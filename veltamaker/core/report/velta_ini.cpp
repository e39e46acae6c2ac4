#include "report/velta_ini.h"

#include <charconv>
#include <filesystem>

#include "common/text_file.h"
#include "report/general_format.h"
#include "report/ini_file.h"

namespace velta {
namespace {

std::optional<int> ToInt(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  int value = 0;
  const char* begin = text->data();
  const char* end = begin + text->size();
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || stop != end || begin == end) return std::nullopt;
  return value;
}

// A comma stands for the decimal point in files written under locales that
// use one.
std::optional<double> ToReal(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string s = *text;
  if (s.find('.') == std::string::npos)
    for (char& c : s)
      if (c == ',') c = '.';
  double value = 0;
  const char* begin = s.data();
  const char* end = begin + s.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || stop != end || begin == end) return std::nullopt;
  return value;
}

}  // namespace

VeltaMakerIni ParseVeltaIni(std::string_view text) {
  const IniFile ini = IniFile::Parse(text);
  const auto get = [&](const char* key) { return ini.Get(kIniSection, key); };
  VeltaMakerIni v;
  v.Top = ToInt(get("FormVELTATop"));
  v.Left = ToInt(get("FormVELTALeft"));
  v.Height = ToInt(get("FormVELTAHeight"));
  v.Width = ToInt(get("FormVELTAWidth"));
  for (int k = 0; k < 5; ++k)
    v.TrackBars[k] = ToReal(get(("TrackBar" + std::to_string(k + 1) + "Position").c_str()));
  v.PlotsPageIndex = ToInt(get("VELTA Plots Page Index"));
  if (const auto wc = ToInt(get("CBAutomaticWCChecked"))) v.AutomaticWc = *wc != 0;
  v.PlottingAvg = ToInt(get("RGPlottingAvg"));
  v.DefaultWorkingPath = get("Default working path");
  v.DefaultPath = get("Default path");
  v.EnginePath = get("Default korvelBBW.exe path");
  return v;
}

std::string FormatVeltaIni(const VeltaMakerIniValues& values) {
  IniFile ini;
  const auto set = [&](const std::string& key, std::string value) { ini.Set(kIniSection, key, std::move(value)); };
  set("FormVELTATop", std::to_string(values.Top));
  set("FormVELTALeft", std::to_string(values.Left));
  set("FormVELTAHeight", std::to_string(values.Height));
  set("FormVELTAWidth", std::to_string(values.Width));
  for (int k = 0; k < 5; ++k)
    set("TrackBar" + std::to_string(k + 1) + "Position", GeneralFormat(values.SigmaPositions[k] / 200.0, 15));
  set("VELTA Plots Page Index", std::to_string(values.PlotsPageIndex));
  set("CBAutomaticWCChecked", values.AutomaticWc ? "1" : "0");
  set("RGPlottingAvg", std::to_string(values.PlottingAvg));
  set("Default working path", values.DefaultWorkingPath);
  set("Default korvelBBW.exe path", values.EnginePath);
  return ini.Text();
}

std::optional<VeltaMakerIni> ReadVeltaIniFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  return ParseVeltaIni(common::ReadFileBytes(path));
}

std::string SettingsFilePath(const std::string& program_dir, const std::string& xdg_config_home,
                             const std::string& home) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!program_dir.empty() && fs::exists(fs::path(program_dir) / kIniFileName, ec))
    return (fs::path(program_dir) / kIniFileName).string();
  const fs::path config = !xdg_config_home.empty() ? fs::path(xdg_config_home) : fs::path(home) / ".config";
  return (config / "veltamaker" / kIniFileName).string();
}

}  // namespace velta
