#include "run_set_generator.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "common/text_file.h"
#include "popfile/pop_file.h"
#include "runset/run_set_paths.h"

namespace velta::testing {
namespace {

// Box-Muller on the raw engine output, so that the values do not depend on
// the standard library's distributions.
class Gauss {
 public:
  explicit Gauss(std::uint32_t seed) : engine_(seed) {}
  double Uniform() { return (static_cast<double>(engine_()) + 0.5) / 4294967296.0; }
  double Next() {
    const double u = Uniform();
    const double v = Uniform();
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * 3.14159265358979323846 * v);
  }

 private:
  std::mt19937 engine_;
};

}  // namespace

std::vector<SolutionRecord> GenerateRun(const RunSetSpec& plan, int run) {
  Gauss gauss(plan.seed * 7919u + static_cast<std::uint32_t>(run));
  std::vector<SolutionRecord> records;
  const int domains = std::min<int>(static_cast<int>(plan.clusters.size()), kMaxDomains);
  for (int i = 0; i < plan.records_per_run; ++i) {
    SolutionRecord r;
    r.Fitness = static_cast<float>(1.2 + 0.6 * std::fabs(gauss.Next()));
    r.DomainCount = domains;
    double left = 1.0;
    for (int j = 1; j <= domains; ++j) {
      const ClusterSpec& c = plan.clusters[static_cast<std::size_t>(j - 1)];
      RecordDomain& d = r.Domains[j];
      d.TypeCode = 2;  // mem
      // Ranges of the mem axes: S 0..1, tc 0..3 ns, W 0..4 G, Pa 0.8..1.2.
      d.Params[1] = std::clamp(c.S + plan.scatter * 1.0 * gauss.Next(), 0.0, 1.0);
      d.Params[2] = std::max(0.0, c.tc + plan.scatter * 3.0 * gauss.Next());
      d.Params[3] = std::max(0.0, c.W + plan.scatter * 4.0 * gauss.Next());
      d.Params[4] = c.Pa + plan.scatter * 0.4 * gauss.Next();
      d.Params[5] = 0;
      const double weight = j == domains ? left : std::clamp(c.weight + 0.01 * gauss.Next(), 0.0, left);
      d.Params[6] = weight;
      left -= weight;
    }
    records.push_back(r);
  }
  std::sort(records.begin(), records.end(),
            [](const SolutionRecord& a, const SolutionRecord& b) { return a.Fitness < b.Fitness; });
  return records;
}

std::string WriteRunSet(const std::string& folder, const RunSetSpec& plan) {
  std::string first;
  for (int run = 1; run <= plan.runs; ++run) {
    common::CrLfText out;
    for (const SolutionRecord& r : GenerateRun(plan, run)) WriteRecordLine(out, r);
    std::string number = std::to_string(run);
    number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
    const std::string path = JoinPath(folder, plan.prefix + number + ".pop");
    common::WriteFileAtomically(path, out.str());
    if (run == 1) first = path;
  }
  return first;
}

RunSetSpec TwoMemClusters() {
  RunSetSpec plan;
  plan.clusters = {{0.3, 1.0, 1.5, 1.0, 0.7}, {0.75, 2.2, 2.8, 1.05, 0.3}};
  return plan;
}

}  // namespace velta::testing
