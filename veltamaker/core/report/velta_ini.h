#pragma once
// VeltaMaker.ini, the settings file of the analysis window (section
// FormVELTA): window position and size, the sigma sliders (as fractions,
// position / 200), the active picture page, "Automatic WC", the plotting
// option, the last project folder, the open dialog's folder and the engine
// path.
#include <array>
#include <optional>
#include <string>

#include "analysis/analysis_settings.h"

namespace velta {

inline constexpr const char* kIniFileName = "VeltaMaker.ini";
inline constexpr const char* kIniSection = "FormVELTA";

// What a settings file holds; a key that is absent or unreadable is empty.
struct VeltaMakerIni {
  std::optional<int> Top, Left, Height, Width;
  SigmaFractions TrackBars;  // TrackBar1Position .. TrackBar5Position
  std::optional<int> PlotsPageIndex;
  std::optional<bool> AutomaticWc;
  std::optional<int> PlottingAvg;
  std::optional<std::string> DefaultWorkingPath;
  std::optional<std::string> DefaultPath;
  std::optional<std::string> EnginePath;
};

// The values the window writes when it closes.
struct VeltaMakerIniValues {
  int Top = 0, Left = 0, Height = 706, Width = 975;
  std::array<int, 5> SigmaPositions{4, 8, 7, 7, 4};
  int PlotsPageIndex = 0;
  bool AutomaticWc = true;
  int PlottingAvg = 2;
  std::string DefaultWorkingPath;
  std::string EnginePath;
};

VeltaMakerIni ParseVeltaIni(std::string_view text);

// Every key except "Default path" (which only the user sets); reals as the
// shortest text of 15 significant digits, booleans as 1 and 0.
std::string FormatVeltaIni(const VeltaMakerIniValues& values);

// Reads the file; an absent file gives an empty optional. Throws
// common::FileError when the file exists but cannot be read.
std::optional<VeltaMakerIni> ReadVeltaIniFile(const std::string& path);

// Where the settings file lives: beside the program when a VeltaMaker.ini
// is there (a portable install), otherwise under the user's configuration
// folder: $XDG_CONFIG_HOME/veltamaker/VeltaMaker.ini, or
// $HOME/.config/veltamaker/VeltaMaker.ini when XDG_CONFIG_HOME is empty.
std::string SettingsFilePath(const std::string& program_dir, const std::string& xdg_config_home,
                             const std::string& home);

}  // namespace velta
