#include "spectra/spectrum_steps.h"

#include <cassert>
#include <cmath>
#include <cstddef>

#include "engine/align.h"

namespace korvel {

void ResampleTo1024(std::span<const double> a, Spectrum1024& out) {
  const std::size_t n = a.size();
  assert(n >= 2);
  // x = (k - 1)(N - 1)/1023 split exactly into its integer part and
  // fraction, so N = 1024 reproduces the values bit for bit.
  for (std::size_t k = 1; k < kPoints; ++k) {
    const std::size_t num = (k - 1) * (n - 1);
    const std::size_t i = num / (kPoints - 1);
    const double frac = static_cast<double>(num % (kPoints - 1)) / (kPoints - 1);
    out[k] = a[i] + (a[i + 1] - a[i]) * frac;
  }
  out[kPoints] = a[n - 1];
}

void FieldAxisTo1024(std::span<const double> axis, Spectrum1024& out) {
  if (axis.size() > kPoints) {
    ResampleTo1024(axis, out);
    return;
  }
  for (std::size_t k = 1; k <= kPoints; ++k) out[k] = k <= axis.size() ? axis[k - 1] : 0.0;
}

const std::array<int, 101>& NoiseTable() {
  static const std::array<int, 101> table = [] {
    constexpr int kUpper[51] = {0,  2,  4,  5,  7,   9,   11,  12,  14,  16,  18,  20, 21,
                                23, 25, 27, 29, 31,  33,  35,  37,  39,  41,  43,  45, 47,
                                50, 52, 54, 57, 59,  62,  64,  67,  70,  73,  76,  79, 82,
                                86, 90, 94, 98, 103, 109, 115, 122, 131, 142, 159, 200};
    std::array<int, 101> t{};
    for (int i = 0; i <= 50; ++i) {
      t[static_cast<std::size_t>(50 + i)] = kUpper[i];
      t[static_cast<std::size_t>(50 - i)] = -kUpper[i];
    }
    return t;
  }();
  return table;
}

void AddSyntheticNoise(Spectrum1024& y, double amplitude, std::mt19937& rng) {
  std::uniform_int_distribution<int> pick(0, 100);
  const auto& table = NoiseTable();
  for (std::size_t k = 1; k <= kPoints; ++k)
    y[k] += table[static_cast<std::size_t>(pick(rng))] * amplitude / 100.0;
}

namespace {

// Sum of squared residuals of the least-squares quadratic through 100
// points. The abscissa is centred (x = k - 50.5), which spans the same
// quadratics as k itself but keeps the normal equations well conditioned
// and splits off the linear term (the odd sums vanish).
double QuadraticResidual(const double* y) {
  double s2 = 0, s4 = 0, sy = 0, sxy = 0, sx2y = 0;
  for (int k = 1; k <= 100; ++k) {
    const double x = k - 50.5;
    const double v = y[k - 1];
    s2 += x * x;
    s4 += x * x * x * x;
    sy += v;
    sxy += x * v;
    sx2y += x * x * v;
  }
  const double s0 = 100;
  const double c1 = sxy / s2;
  const double det = s0 * s4 - s2 * s2;
  const double c0 = (sy * s4 - s2 * sx2y) / det;
  const double c2 = (s0 * sx2y - s2 * sy) / det;
  double ssr = 0;
  for (int k = 1; k <= 100; ++k) {
    const double x = k - 50.5;
    const double r = y[k - 1] - (c0 + c1 * x + c2 * x * x);
    ssr += r * r;
  }
  return ssr;
}

struct Line {
  double centre = 0, mean = 0, slope = 0;
  double operator()(double k) const { return mean + slope * (k - centre); }
};

Line FitLine(const Spectrum1024& p, int first, int last) {
  Line line;
  const int count = last - first + 1;
  line.centre = 0.5 * (first + last);
  double sy = 0, sxy = 0, sxx = 0;
  for (int k = first; k <= last; ++k) {
    const double x = k - line.centre;
    sy += p[static_cast<std::size_t>(k)];
    sxy += x * p[static_cast<std::size_t>(k)];
    sxx += x * x;
  }
  line.mean = sy / count;
  line.slope = sxy / sxx;
  return line;
}

}  // namespace

double NoiseLevel(const Spectrum1024& y) {
  // The least-squares fit does not depend on the direction in which the
  // points are counted, so the last 100 points are fitted as they lie.
  return (QuadraticResidual(y.data()) + QuadraticResidual(y.data() + (kPoints - 100))) / 200.0;
}

void IntegralBaseline(Spectrum1024& y, Spectrum1024& integral) {
  integral[1] = y[1];
  for (std::size_t k = 2; k <= kPoints; ++k) integral[k] = integral[k - 1] + y[k];
  const Line l1 = FitLine(integral, 1, 50);
  const Line l2 = FitLine(integral, 975, 1024);
  // Z in Lagrange form through the four end points of the fitted lines; Z'
  // is its exact derivative, the level that Z adds to the derivative.
  constexpr double kNode[4] = {1, 50, 975, 1024};
  const double value[4] = {l1(1), l1(50), l2(975), l2(1024)};
  double weight[4];
  for (int i = 0; i < 4; ++i) {
    double denominator = 1;
    for (int j = 0; j < 4; ++j)
      if (j != i) denominator *= kNode[i] - kNode[j];
    weight[i] = value[i] / denominator;
  }
  for (std::size_t k = 1; k <= kPoints; ++k) {
    const double x = static_cast<double>(k);
    double z = 0, dz = 0;
    for (int i = 0; i < 4; ++i) {
      double product = 1, derivative = 0;
      for (int j = 0; j < 4; ++j) {
        if (j == i) continue;
        derivative = derivative * (x - kNode[j]) + product;
        product *= x - kNode[j];
      }
      z += weight[i] * product;
      dz += weight[i] * derivative;
    }
    integral[k] -= z;
    y[k] -= dz;
  }
}

AbsorptionPoints AbsorptionPosition(const Spectrum1024& p, double noise_weight) {
  AbsorptionPoints out;
  for (int k = 2; k <= kPoints; ++k)
    if (p[static_cast<std::size_t>(k)] > p[static_cast<std::size_t>(out.integral_peak)])
      out.integral_peak = k;
  out.peak_left = out.peak_right = out.integral_peak;
  const double pm = p[static_cast<std::size_t>(out.integral_peak)];
  if (pm == 0) return out;
  auto level = [&](int k) { return std::fabs(p[static_cast<std::size_t>(k)] / pm); };
  auto size = [&](int k) { return std::fabs(p[static_cast<std::size_t>(k)]); };
  const int n = LevelCount(noise_weight);
  const int levels = 2 * n / 3;
  for (int t = 1; t <= levels; ++t) {
    const double lambda = 1.0 - static_cast<double>(t) / n;
    int k = 1;
    while (k < kPoints && !(level(k) > lambda)) ++k;
    int best = k;
    for (; k <= kPoints - 1 && level(k) >= lambda; ++k)
      if (size(k) >= size(best)) best = k;
    if (best < out.peak_left) out.peak_left = best;

    k = kPoints;
    while (k > 1 && !(level(k) > lambda)) --k;
    best = k;
    for (; k >= 2 && level(k) >= lambda; --k)
      if (size(k) >= size(best)) best = k;
    if (best > out.peak_right) out.peak_right = best;
  }
  return out;
}

}  // namespace korvel
