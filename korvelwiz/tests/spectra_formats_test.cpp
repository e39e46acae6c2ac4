// Reading and writing the spectral data file formats.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "spectra/spectral_values.h"
#include "spectra/spectrum_writer.h"

namespace fs = std::filesystem;
using namespace korvel;

namespace {

// A fresh folder per test, removed afterwards.
class SpectraFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("korvel_spectra_" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }

  fs::path dir_;
};

// Values that every format carries exactly: multiples of 1/16.
std::vector<double> Sixteenths(int n) {
  std::vector<double> v;
  for (int k = 0; k < n; ++k) v.push_back((k % 7 - 3) * 1.0625 + k / 16.0);
  return v;
}

std::vector<double> Axis(int n) {
  std::vector<double> a;
  for (int k = 0; k < n; ++k) a.push_back(3300.0 + 0.25 * k);
  return a;
}

class EachFormat : public SpectraFiles, public ::testing::WithParamInterface<std::string> {};

TEST_P(EachFormat, WrittenValuesReadBackWithTheirFieldAxis) {
  const std::string ext = GetParam();
  const bool two_column = ext != "asc" && ext != "spc";
  const auto values = Sixteenths(300);
  const auto axis = Axis(300);
  const std::string path = Path("spectrum." + ext);
  WriteSpectrumFile(path, values, two_column ? axis : std::vector<double>{});

  const SpectralValues read = ReadSpectralValues(path);
  EXPECT_EQ(read.format, ext);
  EXPECT_EQ(read.values, values);
  if (two_column)
    EXPECT_EQ(read.field_axis, axis);
  else
    EXPECT_TRUE(read.field_axis.empty());
}

TEST_P(EachFormat, ExtensionIsMatchedWithoutRegardToCase) {
  const std::string ext = GetParam();
  std::string upper = ext;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto values = Sixteenths(10);
  const std::string path = Path("SPECTRUM." + upper);
  WriteSpectrumFile(path, values, Axis(10));
  EXPECT_EQ(ReadSpectralValues(path).values, values);
}

INSTANTIATE_TEST_SUITE_P(Formats, EachFormat, ::testing::Values("dat", "dsp", "asc", "fls", "spc"),
                         [](const auto& param_info) { return param_info.param; });

TEST_F(SpectraFiles, SpcRecordsAreBigEndianSixteenths) {
  const std::string bytes(
      "\xFF\xFF\xFF\xF0\x00\x00\x00\x10\x7F\xFF\xFF\xFF\x80\x00\x00\x00\x00\x00\x00\x08", 20);
  const SpectralValues read = ReadSpectralValues(Write("old.spc", bytes));
  EXPECT_EQ(read.values,
            (std::vector<double>{-1.0, 1.0, 2147483647 / 16.0, -2147483648 / 16.0, 0.5}));
}

TEST_F(SpectraFiles, SpcWithAPartialLastRecordIsRefused) {
  const std::string path = Write("odd.spc", std::string("\x00\x00\x00\x10\x00\x00", 6));
  EXPECT_THROW(
      try { ReadSpectralValues(path); } catch (const SpectrumError& e) {
        EXPECT_NE(std::string(e.what()).find("not a whole number of 4-byte records"),
                  std::string::npos);
        throw;
      },
      SpectrumError);
}

TEST_F(SpectraFiles, SpcWriterRoundsSixteenthsHalfToEven) {
  // 1/32 is half a sixteenth: it goes to 0, 3/32 to 2/16.
  WriteSpectrumFile(Path("r.spc"), std::vector<double>{1.0 / 32, 3.0 / 32, -1.0 / 32});
  EXPECT_EQ(ReadSpectralValues(Path("r.spc")).values, (std::vector<double>{0.0, 0.125, 0.0}));
}

TEST_F(SpectraFiles, TextWriterUsesCrLfAndPointDecimals) {
  WriteSpectrumFile(Path("w.dat"), std::vector<double>{0.5, -1.25},
                    std::vector<double>{3400.0, 3400.5});
  std::ifstream in(Path("w.dat"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "3400.0000 0.50000000\r\n3400.5000 -1.25000000\r\n");
}

TEST_F(SpectraFiles, TextIsReadTolerantly) {
  // LF, CR LF and CR-only line ends, tabs, blank lines, a plus sign, an
  // exponent and further columns (ignored).
  const std::string text = "3400 1.5\r\n\r\n3401\t+2e-1 99\n  3402   -.25\r3403 4.";
  const SpectralValues read = ReadSpectralValues(Write("t.dat", text));
  EXPECT_EQ(read.values, (std::vector<double>{1.5, 0.2, -0.25, 4.0}));
  EXPECT_EQ(read.field_axis, (std::vector<double>{3400, 3401, 3402, 3403}));
}

TEST_F(SpectraFiles, FlsSkipsFiveHeaderLinesWhateverTheyHold) {
  const std::string text = "1 1\r\n2 2\r\ntitle\r\n\r\n5 5\r\n3400 0.5\r\n3401 -0.5\r\n";
  const SpectralValues read = ReadSpectralValues(Write("h.fls", text));
  EXPECT_EQ(read.values, (std::vector<double>{0.5, -0.5}));
  EXPECT_EQ(read.field_axis, (std::vector<double>{3400, 3401}));
}

TEST_F(SpectraFiles, ExtensionIsTheLastThreeCharactersWithOrWithoutADot) {
  EXPECT_EQ(SpectralExtension("sampleasc"), "asc");
  EXPECT_EQ(SpectralExtension("x.DsP"), "dsp");
  EXPECT_EQ(SpectralExtension("ab"), "");
  EXPECT_EQ(ReadSpectralValues(Write("nodotasc", "1\n2\n")).values, (std::vector<double>{1, 2}));
}

struct BadFile {
  const char* name;
  const char* file;  // written as the content; nullptr: no file at all
  const char* message_part;
};

class BadSpectralFiles : public SpectraFiles, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadSpectralFiles, AreRefusedWithAMessageNamingTheFileAndWhatIsWrong) {
  const BadFile& c = GetParam();
  if (c.file) Write(c.name, c.file);
  try {
    ReadSpectralValues(Path(c.name));
    FAIL() << "no error for " << c.name;
  } catch (const SpectrumError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(Path(c.name)), std::string::npos) << message;
    EXPECT_NE(message.find(c.message_part), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadSpectralFiles,
    ::testing::Values(BadFile{"missing.dat", nullptr, "cannot open"},
                      BadFile{"comma.dat", "3400 1\r\n3401 2\r\n3402 1,5\r\n",
                              "line 3: \"1,5\" is not a number"},
                      BadFile{"field.asc", "1\nx\n", "line 2: \"x\" is not a number"},
                      BadFile{"short.dsp", "3400 1\n3401\n", "line 2: expected two numbers"},
                      BadFile{"huge.asc", "1e999\n", "line 1: \"1e999\" is not a number"},
                      BadFile{"nan.asc", "nan\n", "\"nan\" is not a number"},
                      BadFile{"spectrum.txt", "1\n2\n", "unknown spectral file type \"txt\""}),
    [](const auto& param_info) {
      std::string n = param_info.param.name;
      for (char& c : n)
        if (c == '.') c = '_';
      return n;
    });

TEST_F(SpectraFiles, MoreValuesThanTheCapacityAreRefusedNamingTheLimit) {
  std::string text;
  text.reserve(2 * (kMaxFileValues + 1));
  for (std::size_t k = 0; k <= kMaxFileValues; ++k) text += "1\n";
  try {
    ReadSpectralValues(Write("big.asc", text));
    FAIL();
  } catch (const SpectrumError& e) {
    EXPECT_NE(std::string(e.what()).find(std::to_string(kMaxFileValues)), std::string::npos)
        << e.what();
  }
}

TEST_F(SpectraFiles, WriterRefusesWhatCannotBeReadBack) {
  const std::vector<double> two{1, 2};
  EXPECT_THROW(WriteSpectrumFile(Path("a.dat"), two, std::vector<double>{1}), SpectrumError);
  EXPECT_THROW(WriteSpectrumFile(Path("a.txt"), two), SpectrumError);
  EXPECT_THROW(WriteSpectrumFile(Path("a.asc"), std::vector<double>{}), SpectrumError);
  EXPECT_THROW(WriteSpectrumFile(Path("a.asc"), std::vector<double>{NAN}), SpectrumError);
  EXPECT_THROW(WriteSpectrumFile(Path("a.spc"), std::vector<double>{2e8}), SpectrumError);
  EXPECT_FALSE(fs::exists(Path("a.spc")));
}

}  // namespace
