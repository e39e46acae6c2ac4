// The loader's processing steps on spectra built from known answers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectra/spectrum_steps.h"

using namespace korvel;

namespace {

constexpr double kTight = 1e-12;

std::vector<double> Ramp(std::size_t n, double a, double b) {
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = a + b * static_cast<double>(i);
  return v;
}

class Resampling : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Resampling, KeepsTheEndsAndALinearRampStaysLinear) {
  const std::size_t n = GetParam();
  const auto a = Ramp(n, -3.0, 0.5);
  Spectrum1024 out;
  ResampleTo1024(a, out);
  EXPECT_EQ(out[1], a.front());
  EXPECT_EQ(out[kPoints], a.back());
  // Point k lies at x = (k - 1)(N - 1)/1023 of the file, counted from 0.
  for (int k = 1; k <= kPoints; ++k) {
    const double x = (k - 1) * static_cast<double>(n - 1) / 1023.0;
    EXPECT_NEAR(out[static_cast<std::size_t>(k)], -3.0 + 0.5 * x, 1e-9) << "point " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, Resampling,
                         ::testing::Values(2, 3, 512, 1000, 1024, 1025, 2048, 4096, 3000),
                         [](const auto& param_info) {
                           return "N" + std::to_string(param_info.param);
                         });

TEST(Resampling1024, LeavesA1024PointFileExactlyAsRead) {
  std::vector<double> a(kPoints);
  for (int k = 0; k < kPoints; ++k)
    a[static_cast<std::size_t>(k)] = std::sin(0.37 * k) * 1e3 + 1.0 / 3.0;
  Spectrum1024 out;
  ResampleTo1024(a, out);
  for (int k = 1; k <= kPoints; ++k)
    ASSERT_EQ(out[static_cast<std::size_t>(k)], a[static_cast<std::size_t>(k - 1)]);
}

TEST(Resampling1024, StretchesA512PointFileWithMidpointsBetweenNeighbours) {
  std::vector<double> a(512);
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = (i % 3 == 0) ? 1.0 : -2.0;
  Spectrum1024 out;
  ResampleTo1024(a, out);
  EXPECT_EQ(out[1], a[0]);
  EXPECT_EQ(out[1024], a[511]);
  // Every point lies between the two file values around it.
  for (int k = 1; k < kPoints; ++k) {
    const double x = (k - 1) * 511.0 / 1023.0;
    const auto i = static_cast<std::size_t>(x);
    const double lo = std::min(a[i], a[i + 1]), hi = std::max(a[i], a[i + 1]);
    EXPECT_GE(out[static_cast<std::size_t>(k)], lo - kTight);
    EXPECT_LE(out[static_cast<std::size_t>(k)], hi + kTight);
  }
}

TEST(FieldAxis, IsTakenLineByLineUpTo1024PointsAndResampledBeyond) {
  Spectrum1024 out;
  out.fill(7.0);
  FieldAxisTo1024(Ramp(512, 3300, 0.5), out);
  EXPECT_EQ(out[1], 3300);
  EXPECT_EQ(out[512], 3300 + 0.5 * 511);
  EXPECT_EQ(out[513], 0.0);
  EXPECT_EQ(out[1024], 0.0);
  FieldAxisTo1024(Ramp(2048, 3300, 0.5), out);
  EXPECT_EQ(out[1], 3300);
  EXPECT_EQ(out[1024], 3300 + 0.5 * 2047);
}

TEST(NoiseTable, IsSymmetricAroundZeroWithTheGivenUpperHalf) {
  const auto& t = NoiseTable();
  EXPECT_EQ(t[50], 0);
  EXPECT_EQ(t[51], 2);
  EXPECT_EQ(t[76], 50);
  EXPECT_EQ(t[99], 159);
  EXPECT_EQ(t[100], 200);
  for (int i = 0; i <= 100; ++i)
    EXPECT_EQ(t[static_cast<std::size_t>(100 - i)], -t[static_cast<std::size_t>(i)]);
}

TEST(SyntheticNoise, DrawsTableEntriesScaledByTheAmplitude) {
  Spectrum1024 y{};
  std::mt19937 rng(5);
  AddSyntheticNoise(y, 0.5, rng);
  const auto& t = NoiseTable();
  bool varied = false;
  for (int k = 1; k <= kPoints; ++k) {
    const double entry = y[static_cast<std::size_t>(k)] * 100 / 0.5;
    EXPECT_NE(std::find(t.begin(), t.end(), static_cast<int>(std::lround(entry))), t.end());
    EXPECT_NEAR(entry, std::round(entry), 1e-9);
    varied = varied || y[static_cast<std::size_t>(k)] != y[1];
  }
  EXPECT_TRUE(varied);
}

// Signs of the Thue-Morse word of length 8: they sum to 0 against every
// polynomial of degree 2 or less over any 8 consecutive points, so noise
// built from them is exactly the residual of a quadratic fit.
constexpr int kThueMorse[8] = {1, -1, -1, 1, -1, 1, 1, -1};

TEST(NoiseLevel, OfAQuadraticPlusKnownNoiseIsThatNoisesMeanSquare) {
  const double e = 0.003;
  Spectrum1024 y;
  for (int k = 1; k <= kPoints; ++k) {
    const double x = k;
    y[static_cast<std::size_t>(k)] =
        0.2 - 1e-3 * x + 3e-7 * x * x + std::sin(x / 40.0);  // middle: anything
  }
  for (int k = 1; k <= 100; ++k) {
    const double low = 0.2 - 1e-3 * k + 4e-6 * k * k;
    const double high = -0.5 + 2e-3 * k - 1e-5 * k * k;
    const double noise = k <= 96 ? e * kThueMorse[(k - 1) % 8] : 0.0;
    y[static_cast<std::size_t>(k)] = low + noise;
    y[static_cast<std::size_t>(kPoints + 1 - k)] = high - noise;
  }
  // 96 noisy points at each end: (96 e^2 + 96 e^2) / 200.
  EXPECT_NEAR(NoiseLevel(y), 0.96 * e * e, 1e-15);
}

TEST(NoiseLevel, OfAnExactQuadraticIsZero) {
  Spectrum1024 y;
  for (int k = 1; k <= kPoints; ++k) y[static_cast<std::size_t>(k)] = 1e-6 * k * k - 0.3 * k + 2;
  EXPECT_NEAR(NoiseLevel(y), 0.0, 1e-18);
}

// First derivative of a Lorentzian absorption of half width w at point c.
double LorentzDerivative(double k, double c, double w) {
  const double u = (k - c) / w;
  return -2 * u / ((1 + u * u) * (1 + u * u));
}

TEST(IntegralBaseline, RemovesAConstantLevelAddedToTheDerivative) {
  Spectrum1024 line, shifted, p1, p2;
  for (int k = 1; k <= kPoints; ++k) {
    line[static_cast<std::size_t>(k)] = LorentzDerivative(k, 480, 25);
    shifted[static_cast<std::size_t>(k)] = line[static_cast<std::size_t>(k)] + 0.0625;
  }
  IntegralBaseline(line, p1);
  IntegralBaseline(shifted, p2);
  // The correction is linear in y and takes a constant away entirely.
  for (int k = 1; k <= kPoints; ++k) {
    ASSERT_NEAR(shifted[static_cast<std::size_t>(k)], line[static_cast<std::size_t>(k)], 1e-9) << k;
    ASSERT_NEAR(p2[static_cast<std::size_t>(k)], p1[static_cast<std::size_t>(k)], 1e-7) << k;
  }
}

TEST(IntegralBaseline, TakesAConstantDerivativeToZero) {
  Spectrum1024 y, p;
  y.fill(-0.4);
  IntegralBaseline(y, p);
  for (int k = 1; k <= kPoints; ++k) {
    ASSERT_NEAR(y[static_cast<std::size_t>(k)], 0.0, 1e-9);
    ASSERT_NEAR(p[static_cast<std::size_t>(k)], 0.0, 1e-7);
  }
}

Spectrum1024 Peaks(std::initializer_list<std::pair<double, double>> centre_height, double width) {
  Spectrum1024 p{};
  for (int k = 1; k <= kPoints; ++k)
    for (auto [c, h] : centre_height)
      p[static_cast<std::size_t>(k)] += h * std::exp(-std::pow((k - c) / width, 2));
  return p;
}

TEST(AbsorptionPosition, OfOneAbsorptionIsItsPeakOnAllThree) {
  const AbsorptionPoints a = AbsorptionPosition(Peaks({{400, 1.0}}, 30), 1e-4);
  EXPECT_EQ(a.integral_peak, 400);
  EXPECT_EQ(a.peak_left, 400);
  EXPECT_EQ(a.peak_right, 400);
}

TEST(AbsorptionPosition, FindsOutlyingFeaturesAboveOneThirdOfThePeak) {
  // Levels go down to 1 - trunc(2n/3)/n, about 1/3: the 0.6 feature at low
  // field is found, the 0.2 feature at high field is not.
  const Spectrum1024 p = Peaks({{250, 0.6}, {600, 1.0}, {900, 0.2}}, 25);
  for (double nw : {1e-4, 0.0, 1e-30}) {
    const AbsorptionPoints a = AbsorptionPosition(p, nw);
    EXPECT_EQ(a.integral_peak, 600) << nw;
    EXPECT_EQ(a.peak_left, 250) << nw;
    EXPECT_EQ(a.peak_right, 600) << nw;
  }
  const AbsorptionPoints b =
      AbsorptionPosition(Peaks({{250, 0.2}, {600, 1.0}, {900, 0.6}}, 25), 1e-4);
  EXPECT_EQ(b.peak_left, 600);
  EXPECT_EQ(b.peak_right, 900);
}

TEST(AbsorptionPosition, TakesTheFirstOfEqualLargestValuesAndSurvivesAZeroPeak) {
  Spectrum1024 p{};
  p[300] = 1.0;
  p[700] = 1.0;
  EXPECT_EQ(AbsorptionPosition(p, 1e-4).integral_peak, 300);
  const AbsorptionPoints z = AbsorptionPosition(Spectrum1024{}, 1e-4);
  EXPECT_EQ(z.integral_peak, 1);
  EXPECT_EQ(z.peak_left, 1);
  EXPECT_EQ(z.peak_right, 1);
}

}  // namespace
