#include "fitting/local_optimization.h"

#include <array>
#include <cmath>

#include "engine/simulate.h"

namespace korvel {
namespace {

using Vertex = ParamVec;

struct Simplex {
  std::array<Vertex, kMaxFitParams + 1> x;  // vertices 0..n
  std::array<double, kMaxFitParams + 1> f;  // their chi^2
  Vertex centroid, trial, trial2;
};

// Upper bound first, then lower, as the engine clamps its write-back.
double Clamp(double v, double lo, double hi) {
  if (v > hi) v = hi;
  if (v < lo) v = lo;
  return v;
}

}  // namespace

double InitialDisplacement(const SearchItem& item) {
  // Equal limits (a parameter pinned by its range) or a zero grid step give
  // no displacement; a reversed range would give the root of a negative.
  const double span = (item.max - item.min) * item.step;
  return span > 0 ? std::sqrt(span) : 0.0;
}

double NoiseThreshold(const Tspcmf& exp) {
  double sum = 0;
  int positive = 0;
  for (int s = 1; s <= exp.SpectrumCount && s <= kMaxSpectra; ++s) {
    const double nw = exp.Spectra[static_cast<std::size_t>(s)].NoiseWeight;
    sum += nw;
    if (nw > 0) ++positive;
  }
  return positive > 0 ? sum / positive : 0.0;
}

SimplexOutcome DownhillSimplex(Tvrecica& work, const SearchSpace& space, ParamVec& vector,
                               SimBuffers& buf, FitProgressFn progress, void* user) {
  const int n = space.count;
  SimplexOutcome out;
  out.parameters = n;
  auto eval = [&](const Vertex& v) {
    ++out.evaluations;
    return static_cast<double>(SimulateExperiment(work, v, buf));
  };
  if (n == 0) {
    out.steps = 1;
    out.fitness = static_cast<float>(eval(vector));
    return out;
  }

  // The simplex is large (some 80 kB) but fixed: it lives on the stack for
  // the length of one optimization and nothing is allocated per step.
  Simplex sx;
  auto X = [&](int v) -> Vertex& { return sx.x[static_cast<std::size_t>(v)]; };
  auto F = [&](int v) -> double& { return sx.f[static_cast<std::size_t>(v)]; };
  auto lo = [&](int i) { return space.item(i).min; };
  auto hi = [&](int i) { return space.item(i).max; };

  // Initial simplex: vertex 0 is the start, vertex i is displaced along
  // coordinate i by the geometric mean of its range and grid step. Vertices
  // 1..n are evaluated first, then the start.
  X(0) = vector;
  for (int i = 1; i <= n; ++i) {
    X(i) = vector;
    X(i)[static_cast<std::size_t>(i)] += InitialDisplacement(space.item(i));
  }
  for (int v = 1; v <= n; ++v) F(v) = eval(X(v));
  F(0) = eval(X(0));
  int steps = n + 1;

  const double tau = NoiseThreshold(work.exp);
  const long max_steps = static_cast<long>(work.settings.DsoMaxGenPerParam) * n;
  double rho = 0;
  const auto N = static_cast<std::size_t>(n);

  auto clamp_into = [&](Vertex& v) {
    for (std::size_t i = 1; i <= N; ++i) v[i] = Clamp(v[i], lo(static_cast<int>(i)), hi(static_cast<int>(i)));
  };

  for (;;) {
    int w = 0, b = 0;
    for (int v = 1; v <= n; ++v) {
      if (F(v) > F(w)) w = v;
      if (F(v) < F(b)) b = v;
    }
    const double fb = F(b);
    const int steps_before = steps;

    for (std::size_t i = 1; i <= N; ++i) {
      double sum = 0;
      for (int v = 0; v <= n; ++v)
        if (v != w) sum += X(v)[i];
      sx.centroid[i] = sum / n;
    }

    Vertex& r = sx.trial;
    for (std::size_t i = 1; i <= N; ++i) r[i] = 2.0 * sx.centroid[i] - X(w)[i];
    clamp_into(r);
    const double fr = eval(r);

    if (fr < fb) {
      Vertex& e = sx.trial2;
      for (std::size_t i = 1; i <= N; ++i) e[i] = 2.0 * r[i] - sx.centroid[i];
      clamp_into(e);
      const double fe = eval(e);
      const bool take_e = fe < fr;
      const double fnew = take_e ? fe : fr;
      for (std::size_t i = 1; i <= N; ++i) X(w)[i] = take_e ? e[i] : r[i];
      F(w) = fnew;
      ++steps;
      rho = (fb - fnew) / fb / (steps - steps_before);
    } else {
      bool better_than_some = false;
      for (int v = 0; v <= n; ++v)
        if (fr < F(v)) better_than_some = true;
      if (better_than_some) {
        for (std::size_t i = 1; i <= N; ++i) X(w)[i] = r[i];
        F(w) = fr;
        ++steps;
      } else {
        Vertex& k = sx.trial2;
        for (std::size_t i = 1; i <= N; ++i) k[i] = (X(w)[i] + sx.centroid[i]) / 2.0;
        const double fk = eval(k);
        if (fk < F(w)) {
          for (std::size_t i = 1; i <= N; ++i) X(w)[i] = k[i];
          F(w) = fk;
          ++steps;
        } else {
          for (int v = 0; v <= n; ++v) {
            if (v == b) continue;
            for (std::size_t i = 1; i <= N; ++i) X(v)[i] = (X(v)[i] + X(b)[i]) / 2.0;
            F(v) = eval(X(v));
            ++steps;
          }
        }
      }
    }

    if (progress) {
      double best = F(0);
      for (int v = 1; v <= n; ++v) best = std::fmin(best, F(v));
      progress(steps, best, user);
    }
    if ((rho > 0 && rho < tau && steps > 40) || steps > max_steps) break;
  }

  int b = 0;
  for (int v = 1; v <= n; ++v)
    if (F(v) < F(b)) b = v;
  for (std::size_t i = 1; i <= N; ++i) vector[i] = X(b)[i];
  out.steps = steps;
  out.fitness = static_cast<float>(eval(vector));
  return out;
}

SimplexOutcome LocalOptimization(Tvrecica& work, SimBuffers& buf, FitProgressFn progress, void* user) {
  SearchSpace space;
  CollectSearchSpace(work, space);
  ParamVec vector{};
  SearchStart(space, vector);
  return DownhillSimplex(work, space, vector, buf, progress, user);
}

}  // namespace korvel
