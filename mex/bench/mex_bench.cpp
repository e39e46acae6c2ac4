// What a MATLAB user waits for in one call of each extension function, on
// realistic sizes: a finely triangulated orientation sphere (10^6 facets), a
// long chain of line positions (10^6 segments), 10^5 tabulated lines about
// 10 bins wide, all on a 1024-point axis; and single cubic spline segments.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "mex_host.h"

extern "C" {
void korvel_rootfind3_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_facetspread_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_peakaccum_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void korvel_bandspread_mex(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
}

namespace korvel::mex_host {
namespace {

constexpr std::size_t kAxisPoints = 1024;
constexpr double kPi = std::numbers::pi;

// Line position over the sphere: an axial tensor plus a small rhombic part,
// in axis units (bins) around the centre of the axis.
double SpherePosition(double theta, double phi) {
  const double c = std::cos(theta), s = std::sin(theta);
  return 512.0 + 300.0 * (3 * c * c - 1) / 2 + 60.0 * s * s * std::cos(2 * phi);
}

void BM_Facetspread(benchmark::State& state) {
  // A theta-phi grid of 708 x 708 corners, two triangles per cell.
  const std::size_t n = 708;
  std::vector<double> P(n * n), A(1, 1.0);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      P[i * n + j] = SpherePosition(kPi * static_cast<double>(i) / (n - 1), 2 * kPi * static_cast<double>(j) / (n - 1));
  std::vector<std::uint32_t> T;
  std::vector<double> S;
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = 0; j + 1 < n; ++j) {
      const auto v = static_cast<std::uint32_t>(i * n + j + 1);
      const auto down = static_cast<std::uint32_t>(v + n);
      T.insert(T.end(), {v, v + 1, down, v + 1, down + 1, down});
      const double area = std::sin(kPi * (static_cast<double>(i) + 0.5) / (n - 1));
      S.insert(S.end(), {area, area});
    }
  ArrayPtr t = MakeUint32(3, S.size(), T), s = MakeRow(S), p = MakeRow(P), a = MakeRow(A);
  ArrayPtr x = MakeAxis(0, 1, kAxisPoints);
  for (auto _ : state) {
    CallResult result = Call(korvel_facetspread_mex, 1, {t.get(), s.get(), p.get(), a.get(), x.get()});
    benchmark::DoNotOptimize(result.outputs[0].get());
  }
  state.counters["triangles"] = static_cast<double>(S.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(S.size()));
}
BENCHMARK(BM_Facetspread)->Unit(benchmark::kMillisecond);

void BM_Bandspread(benchmark::State& state) {
  // A chain of 10^6 + 1 positions sweeping back and forth over the axis.
  const std::size_t np = 1'000'001;
  std::vector<double> P(np), A(np), W(np - 1, 1.0);
  for (std::size_t i = 0; i < np; ++i) {
    const double u = static_cast<double>(i) / (np - 1);
    P[i] = 512.0 + 450.0 * std::sin(2 * kPi * 300 * u) * std::cos(2 * kPi * 7 * u);
    A[i] = 1.0 + 0.5 * std::cos(2 * kPi * 13 * u);
  }
  ArrayPtr p = MakeRow(P), a = MakeRow(A), w = MakeRow(W), x = MakeAxis(0, 1, kAxisPoints);
  for (auto _ : state) {
    CallResult result = Call(korvel_bandspread_mex, 1, {p.get(), a.get(), w.get(), x.get()});
    benchmark::DoNotOptimize(result.outputs[0].get());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(np - 1));
}
BENCHMARK(BM_Bandspread)->Unit(benchmark::kMillisecond);

void BM_Peakaccum(benchmark::State& state) {
  // Running integral of a Gaussian line tabulated over +-3 widths (20
  // samples per width), so a line of width 10 bins covers 60 axis points.
  const std::size_t ng = 121;
  std::vector<double> G(ng);
  for (std::size_t k = 0; k < ng; ++k) G[k] = 0.5 * (1 + std::erf((static_cast<double>(k) - 60.0) / 20.0 / std::sqrt(2.0)));
  const std::size_t nl = 100'000;
  std::vector<double> pos(nl), amp(nl), wid(nl);
  for (std::size_t i = 0; i < nl; ++i) {
    const double u = static_cast<double>(i) / nl;
    pos[i] = 512.0 + 400.0 * std::sin(2 * kPi * 37 * u);
    amp[i] = 1.0 + 0.3 * std::cos(2 * kPi * 11 * u);
    wid[i] = 10.0 + 2.0 * std::sin(2 * kPi * 5 * u);
  }
  ArrayPtr g = MakeRow(G), c0 = MakeScalar(61), rho = MakeScalar(20);
  ArrayPtr p = MakeRow(pos), a = MakeRow(amp), w = MakeRow(wid), x = MakeAxis(0, 1, kAxisPoints);
  for (auto _ : state) {
    CallResult result =
        Call(korvel_peakaccum_mex, 1, {g.get(), c0.get(), rho.get(), p.get(), a.get(), w.get(), x.get()});
    benchmark::DoNotOptimize(result.outputs[0].get());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(nl));
}
BENCHMARK(BM_Peakaccum)->Unit(benchmark::kMillisecond);

// One spline segment per call, as a MATLAB loop over the segments calls it:
// three roots by the closed form, or one root by the monotone Newton path.
void BM_Rootfind3(benchmark::State& state) {
  const bool newton = state.range(0) == 0;
  ArrayPtr c = newton ? MakeRow({1, -3.3, -0.4, 1.8}) : MakeRow({1, -1.6, 0.73, -0.09});
  ArrayPtr loop = MakeScalar(newton ? 0 : 1);
  for (auto _ : state) {
    CallResult result = Call(korvel_rootfind3_mex, 3, {c.get(), loop.get()});
    benchmark::DoNotOptimize(result.outputs[0].get());
  }
}
BENCHMARK(BM_Rootfind3)->Arg(1)->Arg(0)->ArgName("loop_fields");

}  // namespace
}  // namespace korvel::mex_host
