// korvel synth: makes the "experimental" spectra of a project from its own
// parameters, with a small reproducible noise and baseline, so that examples
// and tests have data whose true parameters are known.
#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <stdexcept>

#include "commands.h"
#include "engine/simulate.h"
#include "project/mtp_reader.h"
#include "spectra/spectrum_writer.h"

namespace korvel::cli {
namespace {

constexpr double kScale = 1000.0;

struct SynthOptions {
  std::string project;
  double noise = 0.01;
  double baseline = 0.02;
  unsigned seed = 1;
};

// Standard normal deviates from mt19937 by Box-Muller: mt19937 is the same
// everywhere, so the example data are the same on every machine.
class Gaussian {
 public:
  explicit Gaussian(std::uint32_t seed) : rng_(seed) {}
  double Next() {
    const double u1 = (static_cast<double>(rng_()) + 1.0) / 4294967296.0;
    const double u2 = static_cast<double>(rng_()) / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  std::mt19937 rng_;
};

std::uint32_t NameSeed(const std::string& name, unsigned seed) {
  std::uint32_t h = 2166136261u ^ seed;
  for (const unsigned char c : name) h = (h ^ c) * 16777619u;
  return h;
}

void RunSynth(const SynthOptions& o) {
  auto project = std::make_unique<Project>();
  const std::filesystem::path mtp(o.project);
  project->ProjectDir = mtp.has_parent_path() ? mtp.parent_path().string() + "/" : "";
  ReadProject(*project, o.project);
  auto buf = MakeSimBuffers();
  std::set<std::string> written;
  for (int i = 1; i <= project->ExperimentCount; ++i) {
    Tvrecica w = WorkingCopy(*project, i);
    for (int s = 1; s <= w.exp.SpectrumCount; ++s) {
      w.exp.Spectra[static_cast<std::size_t>(s)].NoiseWeight = 1.0;
      for (int l = 1; l <= kPoints; ++l) buf->ExpRaw[static_cast<std::size_t>(s)][static_cast<std::size_t>(l)] = std::sin(0.01 * l);
    }
    ParamVec v{};
    CollectParamVector(w.exp, v);
    SimulateExperiment(w, v, *buf);
    for (int s = 1; s <= w.exp.SpectrumCount; ++s) {
      const Tspcsf& sp = w.exp.Spectra[static_cast<std::size_t>(s)];
      if (!written.insert(sp.FileName).second) continue;  // shared by an earlier experiment
      const Spectrum1024& sim = buf->SimTotal[static_cast<std::size_t>(s)];
      double M = 0;
      for (int l = 1; l <= kPoints; ++l) M = std::fmax(M, std::fabs(sim[static_cast<std::size_t>(l)]));
      if (!(M > 0))
        throw std::runtime_error(fmt::format("{}: experiment {} cannot be simulated with its values",
                                             o.project, i));
      Gaussian noise(NameSeed(sp.FileName, o.seed));
      std::vector<double> values(kPoints), field(kPoints);
      for (int l = 1; l <= kPoints; ++l) {
        const double x = (l - 1) / 1023.0;
        // In arbitrary spectrometer units, so that integer formats keep
        // their resolution; the loader normalises anyway.
        values[static_cast<std::size_t>(l - 1)] =
            kScale * (sim[static_cast<std::size_t>(l)] / M + o.baseline * (1.0 - 0.5 * x) +
                      o.noise * noise.Next());
        field[static_cast<std::size_t>(l - 1)] = sp.CenterField + sp.Sweep * (l - 512.5) / 1023.0;
      }
      const std::string path = project->ProjectDir + sp.FileName;
      WriteSpectrumFile(path, values, field);
      std::cout << "wrote " << path << "\n";
    }
  }
}

}  // namespace

void AddSynthCommand(CLI::App& app) {
  auto o = std::make_shared<SynthOptions>();
  CLI::App* cmd = app.add_subcommand(
      "synth",
      "Simulate every experiment of a project with its own parameters and write its spectral "
      "files (format by extension) beside the project, with reproducible noise and baseline.");
  cmd->add_option("PROJECT", o->project, "the .mtp project whose values are the truth")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("--noise", o->noise, "noise standard deviation relative to the maximum")
      ->capture_default_str();
  cmd->add_option("--baseline", o->baseline, "baseline offset relative to the maximum (falls by half across the sweep)")
      ->capture_default_str();
  cmd->add_option("--seed", o->seed, "seed of the noise")->capture_default_str();
  cmd->callback([o] { RunSynth(*o); });
}

}  // namespace korvel::cli
