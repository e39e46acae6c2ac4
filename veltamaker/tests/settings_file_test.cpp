#include <gtest/gtest.h>

#include <filesystem>

#include "report/ini_file.h"
#include "report/velta_ini.h"
#include "temp_folder.h"

namespace velta {
namespace {

TEST(VeltaIni, WritesEveryKeyButTheDefaultPathAndReadsThemBack) {
  VeltaMakerIniValues values;
  values.Top = 10;
  values.SigmaPositions = {4, 8, 7, 7, 4};
  values.PlottingAvg = 1;
  values.AutomaticWc = false;
  values.DefaultWorkingPath = "/data";
  values.EnginePath = "/opt/korvelBBW";
  const std::string text = FormatVeltaIni(values);
  EXPECT_EQ(text.substr(0, 13), "[FormVELTA]\r\n");
  EXPECT_NE(text.find("TrackBar3Position=0.035\r\n"), std::string::npos);
  EXPECT_NE(text.find("CBAutomaticWCChecked=0\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Default path="), std::string::npos);
  const VeltaMakerIni ini = ParseVeltaIni(text);
  EXPECT_EQ(ini.Top, 10);
  EXPECT_EQ(ini.TrackBars[2], 0.035);
  EXPECT_EQ(ini.PlottingAvg, 1);
  EXPECT_EQ(ini.AutomaticWc, false);
  EXPECT_EQ(ini.DefaultWorkingPath, "/data");
  EXPECT_EQ(ini.EnginePath, "/opt/korvelBBW");
  EXPECT_FALSE(ini.DefaultPath.has_value());
}

TEST(VeltaIni, ReadsTolerantlyAndIgnoresValuesItCannotRead) {
  const VeltaMakerIni ini = ParseVeltaIni(
      "; saved by hand\n[formvelta]\n  rgplottingavg = 1 \nTrackBar1Position=0,02\nFormVELTATop=abc\n"
      "Default path=/home/u/runs\n[Other]\nFormVELTALeft=5\n");
  EXPECT_EQ(ini.PlottingAvg, 1);
  EXPECT_EQ(ini.TrackBars[0], 0.02);
  EXPECT_FALSE(ini.Top.has_value());
  EXPECT_FALSE(ini.Left.has_value());
  EXPECT_EQ(ini.DefaultPath, "/home/u/runs");
}

TEST(SettingsFilePath, PrefersAFileBesideTheProgramThenTheUserConfigurationFolder) {
  velta::testing::TempFolder folder("bin");
  EXPECT_EQ(SettingsFilePath(folder.Path(), "/xdg", "/home/u"), "/xdg/veltamaker/VeltaMaker.ini");
  EXPECT_EQ(SettingsFilePath(folder.Path(), "", "/home/u"), "/home/u/.config/veltamaker/VeltaMaker.ini");
  folder.Write("VeltaMaker.ini", "[FormVELTA]\r\n");
  EXPECT_EQ(SettingsFilePath(folder.Path(), "/xdg", "/home/u"), folder.File("VeltaMaker.ini"));
  EXPECT_FALSE(ReadVeltaIniFile(folder.File("absent.ini")).has_value());
  EXPECT_TRUE(ReadVeltaIniFile(folder.File("VeltaMaker.ini")).has_value());
}

}  // namespace
}  // namespace velta
