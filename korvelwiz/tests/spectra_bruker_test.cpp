// Spectrometer files: BES3T pairs (.DSC + .DTA) and WinEPR pairs
// (.par + .spc), on real recordings and on small generated pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "spectra/load_spectrum.h"
#include "spectra/spectral_values.h"
#include "spectra/spectrum_info.h"

namespace fs = std::filesystem;
using namespace korvel;

namespace {

const std::string kBruker = std::string(KORVEL_TESTDATA) + "/spectra/bruker/";

TEST(RealSpectrometerFiles, BdpaBes3tPairGives3000ValuesOnItsAxis) {
  for (const char* name : {"BDPA-1DFieldSweep.DTA", "BDPA-1DFieldSweep.DSC"}) {
    const SpectralValues v = ReadSpectralValues(kBruker + name);
    EXPECT_EQ(v.format, "BES3T");
    ASSERT_EQ(v.values.size(), 3000u);
    ASSERT_EQ(v.field_axis.size(), 3000u);
    EXPECT_DOUBLE_EQ(v.field_axis.front(), 3501.0);
    EXPECT_DOUBLE_EQ(v.field_axis.back(), 3531.0);
    EXPECT_DOUBLE_EQ(*v.frequency, 9.852145);
    EXPECT_DOUBLE_EQ(*v.center_field, 3516.0);
    EXPECT_DOUBLE_EQ(*v.sweep, 30.0);
    // A first-derivative line: both signs present.
    EXPECT_LT(*std::min_element(v.values.begin(), v.values.end()), 0);
    EXPECT_GT(*std::max_element(v.values.begin(), v.values.end()), 0);
  }
}

TEST(RealSpectrometerFiles, WinEprPairGives1024ValuesBetweenTheRecordedMinAndMax) {
  const SpectralValues v = ReadSpectralValues(kBruker + "EMX-winEPR.spc");
  EXPECT_EQ(v.format, "WinEPR");
  ASSERT_EQ(v.values.size(), 1024u);
  // The .par's MIN and MAX are the float32 extremes, printed to 6 decimals.
  EXPECT_EQ(*std::min_element(v.values.begin(), v.values.end()),
            static_cast<double>(-6649.237305f));
  EXPECT_EQ(*std::max_element(v.values.begin(), v.values.end()), static_cast<double>(7257.762695f));
  EXPECT_DOUBLE_EQ(*v.center_field, 3510.0);
  EXPECT_DOUBLE_EQ(*v.sweep, 10.0);
  EXPECT_DOUBLE_EQ(*v.frequency, 9.775);
  EXPECT_DOUBLE_EQ(v.field_axis.front(), 3505.0);
  EXPECT_DOUBLE_EQ(v.field_axis.back(), 3515.0);
}

TEST(RealSpectrometerFiles, LoadIntoTheEngineBuffersWithTheirAxes) {
  auto buf = MakeSimBuffers();
  Tvrecica work;
  work.exp.SpectrumCount = 2;
  work.exp.Spectra[1].FileName = "BDPA-1DFieldSweep.DTA";
  work.exp.Spectra[2].FileName = "EMX-winEPR.spc";
  LoadSpectrum(work, 1, *buf, kBruker);
  LoadSpectrum(work, 2, *buf, kBruker);
  // 3000 points shrunk to 1024 keep the axis ends.
  EXPECT_DOUBLE_EQ(buf->ExpFieldAxis[1][1], 3501.0);
  EXPECT_DOUBLE_EQ(buf->ExpFieldAxis[1][1024], 3531.0);
  EXPECT_DOUBLE_EQ(buf->ExpFieldAxis[2][1], 3505.0);
  EXPECT_DOUBLE_EQ(buf->ExpFieldAxis[2][1024], 3515.0);
  for (int j = 1; j <= 2; ++j) {
    const Tspcsf& s = work.exp.Spectra[static_cast<std::size_t>(j)];
    EXPECT_GT(s.NoiseWeight, 0) << j;
    EXPECT_LE(s.PeakLeft, s.IntegralPeak) << j;
    EXPECT_GE(s.PeakRight, s.IntegralPeak) << j;
    // The absorption lies inside the sweep, away from its ends.
    EXPECT_GT(s.IntegralPeak, 100) << j;
    EXPECT_LT(s.IntegralPeak, 924) << j;
  }
}

TEST(RealSpectrometerFiles, SimulateWithTheirRecordedConditions) {
  for (const char* name : {"BDPA-1DFieldSweep.DTA", "EMX-winEPR.spc"}) {
    const SpectrumInfo info = DescribeSpectralFile(kBruker + name);
    Tvrecica work = korvel::testing::OneIsoExperiment();
    Tspcsf& sp = work.exp.Spectra[1];
    sp.FileName = name;
    sp.CenterField = *info.center_field;
    sp.Sweep = *info.sweep;
    sp.Frequency = *info.frequency;
    // An isotropic radical with its line at the center field: g such that
    // the free-electron field 356.82423 nu (g = 2.0023) moves there.
    const double g = 356.82423 * sp.Frequency * 2.0023 / sp.CenterField;
    work.settings.gxx = work.settings.gyy = work.settings.gzz = g;
    work.settings.Axx = work.settings.Ayy = work.settings.Azz = 0.3;
    auto buf = MakeSimBuffers();
    LoadSpectrum(work, 1, *buf, kBruker);
    ParamVec v{};
    CollectParamVector(work.exp, v);
    const float fitness = SimulateExperiment(work, v, *buf);
    const float failure = static_cast<float>(100 / work.exp.Spectra[1].NoiseWeight);
    EXPECT_TRUE(std::isfinite(fitness)) << name;
    EXPECT_LT(fitness, failure) << name;
  }
}

TEST(RealSpectrometerFiles, AreDescribedForTheSpectrumLines) {
  const SpectrumInfo bdpa = DescribeSpectralFile(kBruker + "BDPA-1DFieldSweep.DSC");
  EXPECT_EQ(SpectrumInfoText(bdpa), kBruker +
                                        "BDPA-1DFieldSweep.DSC: BES3T, 3000 points\n"
                                        "  field axis: 3501.000 .. 3531.000 G, step 0.010003 G\n"
                                        "  center field: 3516.000 G, sweep: 30.000 G, frequency: "
                                        "9.852145 GHz\n"
                                        "  note: brought to 1024 points when loaded\n");
  const SpectrumInfo winepr = DescribeSpectralFile(kBruker + "EMX-winEPR.spc");
  EXPECT_EQ(winepr.points, 1024u);
  EXPECT_TRUE(winepr.notes.empty());
  EXPECT_DOUBLE_EQ(*winepr.field_step, 10.0 / 1023);
}

// Small generated pairs.
class GeneratedPairs : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("korvel_bruker_" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  fs::path dir_;
};

// Bytes of `values` as numbers of type `code` (C S I F D) in the given order.
std::string Encode(const std::vector<double>& values, char code, bool big_endian) {
  std::string out;
  for (double v : values) {
    unsigned char b[8];
    std::size_t n = 0;
    switch (code) {
      case 'C': {
        const auto x = static_cast<std::int8_t>(v);
        std::memcpy(b, &x, n = 1);
        break;
      }
      case 'S': {
        const auto x = static_cast<std::int16_t>(v);
        std::memcpy(b, &x, n = 2);
        break;
      }
      case 'I': {
        const auto x = static_cast<std::int32_t>(v);
        std::memcpy(b, &x, n = 4);
        break;
      }
      case 'F': {
        const auto x = static_cast<float>(v);
        std::memcpy(b, &x, n = 4);
        break;
      }
      default:
        std::memcpy(b, &v, n = 8);
        break;
    }
    if (big_endian != (std::endian::native == std::endian::big)) std::reverse(b, b + n);
    out.append(reinterpret_cast<const char*>(b), n);
  }
  return out;
}

std::string Descriptor(const std::string& order, char code, std::size_t points,
                       const std::string& extra = "") {
  return "#DESC\t1.2 * DESCRIPTOR INFORMATION\r\n*\r\nDSRC\tEXP\r\nBSEQ\t" + order +
         "\r\nIKKF\tREAL\r\nXTYP\tIDX\r\nYTYP\tNODATA\r\nIRFMT\t" + std::string(1, code) +
         "\r\nXPTS\t" + std::to_string(points) + "\r\nXMIN\t3300.0\r\nXWID\t50.0\r\nXUNI\t'G'\r\n" +
         extra + "#SPL\t1.2 * STANDARD PARAMETER LAYER\r\nMWFQ\t9.5e+09\r\n";
}

std::vector<double> SmallValues() { return {-100, -3, 0, 7, 120, 1, -1, 64, -128, 127, 5}; }

struct PairCase {
  std::string order;
  char code;
};

class EachBes3tLayout : public GeneratedPairs, public ::testing::WithParamInterface<PairCase> {};

TEST_P(EachBes3tLayout, ReadsTheValuesInTheirByteOrderAndType) {
  const auto [order, code] = GetParam();
  const auto values = SmallValues();
  Write("g.DSC", Descriptor(order, code, values.size()));
  Write("g.DTA", Encode(values, code, order == "BIG"));
  const SpectralValues v = ReadSpectralValues(Path("g.DTA"));
  EXPECT_EQ(v.values, values);
  ASSERT_EQ(v.field_axis.size(), values.size());
  EXPECT_DOUBLE_EQ(v.field_axis.front(), 3300.0);
  EXPECT_DOUBLE_EQ(v.field_axis[1], 3305.0);
  EXPECT_DOUBLE_EQ(v.field_axis.back(), 3350.0);
  EXPECT_DOUBLE_EQ(*v.frequency, 9.5);
}

std::vector<PairCase> AllLayouts() {
  std::vector<PairCase> cases;
  for (const char* order : {"BIG", "LIT"})
    for (char code : {'C', 'S', 'I', 'F', 'D'}) cases.push_back({order, code});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Layouts, EachBes3tLayout, ::testing::ValuesIn(AllLayouts()),
                         [](const auto& param_info) {
                           return param_info.param.order + "_" +
                                  std::string(1, param_info.param.code);
                         });

TEST_F(GeneratedPairs, ComplexDataGiveTheRealPartWithANote) {
  std::string dsc = Descriptor("LIT", 'F', 3);
  dsc.replace(dsc.find("REAL"), 4, "CPLX");
  Write("c.dsc", dsc);
  Write("c.dta", Encode({1, 10, -2, 20, 3, 30}, 'F', false));
  const SpectralValues v = ReadSpectralValues(Path("c.dsc"));
  EXPECT_EQ(v.values, (std::vector<double>{1, -2, 3}));
  ASSERT_EQ(v.notes.size(), 1u);
  EXPECT_NE(v.notes[0].find("real part"), std::string::npos);
}

TEST_F(GeneratedPairs, AMilliteslaAxisIsConvertedToGauss) {
  std::string dsc = Descriptor("BIG", 'D', 3);
  dsc.replace(dsc.find("'G'"), 3, "'mT'");
  dsc.replace(dsc.find("3300.0"), 6, "330.0");
  dsc.replace(dsc.find("50.0"), 4, "5.0");
  Write("m.DSC", dsc);
  Write("m.DTA", Encode({1, 2, 3}, 'D', true));
  const SpectralValues v = ReadSpectralValues(Path("m.DTA"));
  EXPECT_EQ(v.field_axis, (std::vector<double>{3300, 3325, 3350}));
  EXPECT_DOUBLE_EQ(*v.sweep, 50.0);
}

TEST_F(GeneratedPairs, ATabulatedAxisComesFromTheXgfFile) {
  std::string dsc = Descriptor("BIG", 'D', 3);
  dsc.replace(dsc.find("XTYP\tIDX"), 8, "XTYP\tIGD");
  Write("t.DSC", dsc);
  Write("t.DTA", Encode({1, 2, 3}, 'D', true));
  Write("t.XGF", Encode({3400, 3401.5, 3404}, 'D', true));
  const SpectralValues v = ReadSpectralValues(Path("t.DTA"));
  EXPECT_EQ(v.field_axis, (std::vector<double>{3400, 3401.5, 3404}));
  EXPECT_DOUBLE_EQ(*v.center_field, 3402.0);
  EXPECT_DOUBLE_EQ(*v.sweep, 4.0);
}

TEST_F(GeneratedPairs, AnSpcWhoseParLacksTheDosFormatLineIsTheOldIntegerLayout) {
  Write("o.spc", std::string("\xFF\xFF\xFF\xF0\x00\x00\x00\x20", 8));
  Write("o.par", "ANZ 2\r\nHCF 3400\r\n");
  EXPECT_EQ(ReadSpectralValues(Path("o.spc")).values, (std::vector<double>{-1, 2}));
  Write("o.par", "DOS  Format\rANZ 2\rHCF 3400\rHSW 20\rMF 9.4\r");
  const SpectralValues v = ReadSpectralValues(Path("o.spc"));
  EXPECT_EQ(v.format, "WinEPR");
  EXPECT_EQ(v.values.size(), 2u);
  EXPECT_EQ(v.field_axis, (std::vector<double>{3390, 3410}));
}

struct BadPair {
  const char* name;
  std::string dsc;  // empty: no descriptor
  std::string dta;  // empty: no data file
  const char* read;
  const char* message_part;
};

class BadBes3tPairs : public GeneratedPairs, public ::testing::WithParamInterface<BadPair> {};

TEST_P(BadBes3tPairs, AreRefusedNamingTheFileAndTheFault) {
  const BadPair& c = GetParam();
  if (!c.dsc.empty()) Write(std::string(c.name) + ".DSC", c.dsc);
  if (!c.dta.empty()) Write(std::string(c.name) + ".DTA", c.dta);
  try {
    ReadSpectralValues(Path(c.read));
    FAIL() << c.name;
  } catch (const SpectrumError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(c.name), std::string::npos) << message;
    EXPECT_NE(message.find(c.message_part), std::string::npos) << message;
  }
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  s.replace(s.find(from), from.size(), to);
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadBes3tPairs,
    ::testing::Values(
        BadPair{"truncated", Descriptor("BIG", 'D', 4), Encode({1, 2, 3}, 'D', true),
                "truncated.DTA", "truncated"},
        BadPair{"longer", Descriptor("BIG", 'S', 2), Encode({1, 2, 3}, 'S', true), "longer.DTA",
                "needs 4"},
        BadPair{"irfmt", Replace(Descriptor("BIG", 'D', 1), "IRFMT\tD", "IRFMT\tQ"),
                Encode({1}, 'D', true), "irfmt.DTA", "unknown number type IRFMT \"Q\""},
        BadPair{"twod", Replace(Descriptor("BIG", 'D', 2), "YTYP\tNODATA", "YTYP\tIDX\r\nYPTS\t3"),
                Encode({1, 2, 3, 4, 5, 6}, 'D', true), "twod.DTA", "2-D dataset of 2 x 3 points"},
        BadPair{"unit", Replace(Descriptor("BIG", 'D', 1), "'G'", "'s'"), Encode({1}, 'D', true),
                "unit.DTA", "'s' is not a field unit"},
        BadPair{"nodsc", "", Encode({1}, 'D', true), "nodsc.DTA", "descriptor (.DSC)"},
        BadPair{"nodta", Descriptor("BIG", 'D', 1), "", "nodta.DSC", "data file (.DTA)"},
        BadPair{"noxpts", Replace(Descriptor("BIG", 'D', 1), "XPTS\t1", "XPTS\t0"),
                Encode({1}, 'D', true), "noxpts.DTA", "XPTS 0 is not a point count"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(GeneratedPairs, ATruncatedWinEprFileIsRefused) {
  Write("w.spc", Encode({1, 2, 3}, 'F', false));
  Write("w.par", "DOS  Format\r\nANZ 4\r\n");
  try {
    ReadSpectralValues(Path("w.spc"));
    FAIL();
  } catch (const SpectrumError& e) {
    EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("w.spc"), std::string::npos) << e.what();
  }
}

TEST_F(GeneratedPairs, ARefusedPairLeavesTheLoadedSlotAsItWas) {
  auto buf = MakeSimBuffers();
  Tvrecica work;
  work.exp.SpectrumCount = 1;
  work.exp.Spectra[1].FileName = "EMX-winEPR.spc";
  LoadSpectrum(work, 1, *buf, kBruker);
  const Spectrum1024 raw = buf->ExpRaw[1], axis = buf->ExpFieldAxis[1];
  const double weight = work.exp.Spectra[1].NoiseWeight;
  Write("cut.DSC", Descriptor("LIT", 'I', 2000));
  Write("cut.DTA", Encode(std::vector<double>(1999, 5.0), 'I', false));
  work.exp.Spectra[1].FileName = "cut.DTA";
  EXPECT_THROW(LoadSpectrum(work, 1, *buf, dir_.string()), SpectrumError);
  EXPECT_EQ(buf->ExpRaw[1], raw);
  EXPECT_EQ(buf->ExpFieldAxis[1], axis);
  EXPECT_EQ(work.exp.Spectra[1].NoiseWeight, weight);
}

}  // namespace
