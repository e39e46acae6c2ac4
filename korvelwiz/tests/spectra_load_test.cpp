// LoadSpectrum: a data file into the engine's buffers and the slot's record.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/sim_buffers.h"
#include "spectra/load_spectrum.h"
#include "spectra/spectrum_writer.h"

namespace fs = std::filesystem;
using namespace korvel;

namespace {

// First derivative of a Lorentzian absorption of half width w at c.
double LorentzDerivative(double x, double c, double w) {
  const double u = (x - c) / w;
  return -2 * u / ((1 + u * u) * (1 + u * u));
}

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("korvel_load_" + std::string(info->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    work_.exp.SpectrumCount = 1;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Dir() const { return dir_.string() + "/"; }

  // A single line at field `centre` over n points from 3300 G, 0.1 G apart.
  void WriteLine(const std::string& name, int n, double centre = 3350, double scale = 1000,
                 double level = 0) {
    std::vector<double> v, axis;
    for (int k = 0; k < n; ++k) {
      const double b = 3300 + 100.0 * k / (n - 1);
      axis.push_back(b);
      v.push_back(scale * LorentzDerivative(b, centre, 2.0) + level);
    }
    WriteSpectrumFile(Dir() + name, v, axis);
  }

  void Use(int j, const std::string& name) {
    work_.exp.Spectra[static_cast<std::size_t>(j)].FileName = name;
    if (j > work_.exp.SpectrumCount) work_.exp.SpectrumCount = j;
  }

  fs::path dir_;
  Tvrecica work_;
  std::unique_ptr<SimBuffers> buf_ = MakeSimBuffers();
};

TEST_F(Loader, PreparesASingleLineAndFindsItsAbsorption) {
  WriteLine("line.dat", 1024, 3350);
  Use(1, "line.dat");
  LoadSpectrum(work_, 1, *buf_, Dir());
  const Tspcsf& s = work_.exp.Spectra[1];
  // The line sits at point 512.5 of the axis; its integral peaks there.
  EXPECT_NEAR(s.IntegralPeak, 512, 1);
  EXPECT_EQ(s.PeakLeft, s.IntegralPeak);
  EXPECT_EQ(s.PeakRight, s.IntegralPeak);
  EXPECT_GT(s.NoiseWeight, 0);
  EXPECT_LT(s.NoiseWeight, 1e-6);  // a noiseless line: almost no residual at the ends
  double largest = 0;
  for (double v : buf_->ExpRaw[1]) largest = std::max(largest, std::fabs(v));
  EXPECT_NEAR(largest, 1.0, 0.01);  // normalised by the largest |value|
  EXPECT_DOUBLE_EQ(buf_->ExpFieldAxis[1][1], 3300);
  EXPECT_DOUBLE_EQ(buf_->ExpFieldAxis[1][1024], 3400);
}

TEST_F(Loader, AConstantLevelInTheFileIsRemovedByTheBaseline) {
  WriteLine("plain.dat", 1024);
  WriteLine("level.dat", 1024, 3350, 1000, 125.0);
  Use(1, "plain.dat");
  Use(2, "level.dat");
  LoadSpectrum(work_, 1, *buf_, Dir());
  LoadSpectrum(work_, 2, *buf_, Dir());
  // Both are scaled by their own largest |value|; undo that and compare.
  double m1 = 0, m2 = 0;
  for (int k = 0; k < 1024; ++k) {
    const double b = 3300 + 100.0 * k / 1023;
    m1 = std::max(m1, std::fabs(1000 * LorentzDerivative(b, 3350, 2.0)));
    m2 = std::max(m2, std::fabs(1000 * LorentzDerivative(b, 3350, 2.0) + 125.0));
  }
  for (std::size_t k = 1; k <= kPoints; ++k)
    ASSERT_NEAR(buf_->ExpRaw[2][k] * m2, buf_->ExpRaw[1][k] * m1, 1e-6) << k;
  EXPECT_EQ(work_.exp.Spectra[2].IntegralPeak, work_.exp.Spectra[1].IntegralPeak);
}

TEST_F(Loader, ShortAndLongFilesAreBroughtTo1024Points) {
  for (int n : {2, 512, 2048, 4096}) {
    const std::string name = "n" + std::to_string(n) + ".dsp";
    WriteLine(name, n);
    Use(1, name);
    buf_->ExpFieldAxis[1].fill(-1);
    LoadSpectrum(work_, 1, *buf_, Dir());
    EXPECT_DOUBLE_EQ(buf_->ExpFieldAxis[1][1], 3300) << n;
    if (n <= 1024) {
      EXPECT_DOUBLE_EQ(buf_->ExpFieldAxis[1][static_cast<std::size_t>(n)], 3400) << n;
      EXPECT_EQ(buf_->ExpFieldAxis[1][1024], n == 1024 ? 3400 : 0) << n;
    } else {
      EXPECT_DOUBLE_EQ(buf_->ExpFieldAxis[1][1024], 3400) << n;
    }
    if (n >= 512) {
      EXPECT_NEAR(work_.exp.Spectra[1].IntegralPeak, 512, 2) << n;
    }
  }
}

TEST_F(Loader, WithoutNoiseAmplitudeEveryLoadIsTheSame) {
  std::vector<double> values;
  for (int k = 0; k < 1024; ++k) values.push_back(1000 * LorentzDerivative(k, 500, 20));
  WriteSpectrumFile(Dir() + "line.asc", values);
  Use(1, "line.asc");
  LoadSpectrum(work_, 1, *buf_, Dir());
  const Spectrum1024 first = buf_->ExpRaw[1];
  const Tspcsf first_slot = work_.exp.Spectra[1];
  LoadSpectrum(work_, 1, *buf_, Dir());
  EXPECT_EQ(buf_->ExpRaw[1], first);
  EXPECT_EQ(work_.exp.Spectra[1].NoiseWeight, first_slot.NoiseWeight);
}

TEST_F(Loader, NoiseAmplitudeAddsDifferentNoiseOnEveryLoadUnlessTheGeneratorIsGiven) {
  WriteLine("line.dat", 1024);
  Use(1, "line.dat");
  work_.settings.NoiseAmplitude = 0.02;
  LoadSpectrum(work_, 1, *buf_, Dir());
  const Spectrum1024 first = buf_->ExpRaw[1];
  const double first_weight = work_.exp.Spectra[1].NoiseWeight;
  LoadSpectrum(work_, 1, *buf_, Dir());
  EXPECT_NE(buf_->ExpRaw[1], first);
  // The noise dominates the end points: NoiseWeight of the order of the
  // table's mean square (about 0.5 entries of 100) times the amplitude^2.
  EXPECT_GT(first_weight, 1e-6);
  EXPECT_LT(first_weight, 1e-3);

  std::mt19937 a(42), b(42);
  LoadSpectrum(work_, 1, *buf_, Dir(), a);
  const Spectrum1024 seeded = buf_->ExpRaw[1];
  LoadSpectrum(work_, 1, *buf_, Dir(), b);
  EXPECT_EQ(buf_->ExpRaw[1], seeded);
}

TEST_F(Loader, ASpcFileFillsNoFieldAxis) {
  std::vector<double> values;
  for (int k = 0; k < 1024; ++k)
    values.push_back(std::round(16 * 500 * LorentzDerivative(k, 600, 15)) / 16);
  WriteSpectrumFile(Dir() + "old.SPC", values);
  Use(1, "old.SPC");
  buf_->ExpFieldAxis[1].fill(5.0);
  LoadSpectrum(work_, 1, *buf_, Dir());
  EXPECT_NEAR(work_.exp.Spectra[1].IntegralPeak, 601, 1);
  EXPECT_EQ(buf_->ExpFieldAxis[1][1], 5.0);
}

struct Refusal {
  const char* name;
  const char* content;  // nullptr: no file
  const char* message_part;
};

class LoaderRefuses : public Loader, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LoaderRefuses, AndLeavesTheSlotAndTheBuffersAsTheyWere) {
  WriteLine("good.dat", 1024);
  Use(1, "good.dat");
  LoadSpectrum(work_, 1, *buf_, Dir());
  const Spectrum1024 raw = buf_->ExpRaw[1], axis = buf_->ExpFieldAxis[1];
  const Tspcsf before = work_.exp.Spectra[1];

  const Refusal& c = GetParam();
  if (c.content) std::ofstream(Dir() + c.name, std::ios::binary) << c.content;
  Use(1, c.name);
  try {
    LoadSpectrum(work_, 1, *buf_, Dir());
    FAIL() << "loaded " << c.name;
  } catch (const SpectrumError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(c.name), std::string::npos) << message;
    EXPECT_NE(message.find(c.message_part), std::string::npos) << message;
  }
  EXPECT_EQ(buf_->ExpRaw[1], raw);
  EXPECT_EQ(buf_->ExpFieldAxis[1], axis);
  EXPECT_EQ(work_.exp.Spectra[1].NoiseWeight, before.NoiseWeight);
  EXPECT_EQ(work_.exp.Spectra[1].IntegralPeak, before.IntegralPeak);
  EXPECT_EQ(work_.exp.Spectra[1].PeakLeft, before.PeakLeft);
  EXPECT_EQ(work_.exp.Spectra[1].PeakRight, before.PeakRight);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoaderRefuses,
    ::testing::Values(Refusal{"missing.dat", nullptr, "cannot open"},
                      Refusal{"bad.dat", "3300 1\r\n3301 2\r\n3302 x\r\n3303 0\r\n", "line 3"},
                      Refusal{"one.asc", "5\r\n", "1 value"},
                      Refusal{"empty.fls", "a\r\nb\r\nc\r\nd\r\ne\r\n", "0 values"},
                      Refusal{"zeros.asc", "0\n0\n0\n-0\n", "all values are 0"},
                      Refusal{"data.xyz", "1\n2\n", "unknown spectral file type"}),
    [](const auto& param_info) {
      std::string n = param_info.param.name;
      for (char& ch : n)
        if (ch == '.') ch = '_';
      return n;
    });

}  // namespace
