// Writes the bundled example run set: ten HEO runs of 60 two-domain mem
// solutions each, scattered around two components with weights 0.7 and
// 0.3, as res001.pop ... res010.pop in the given folder. Two more
// arguments give the components other weights (as optimizers that missed
// them would report).
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "run_set_generator.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::cerr << "usage: velta_generate_run_set FOLDER [WEIGHT1 WEIGHT2]\n";
    return 2;
  }
  velta::testing::RunSetSpec plan = velta::testing::TwoMemClusters();
  if (argc == 4) {
    for (int i = 0; i < 2; ++i) {
      char* end = nullptr;
      const double w = std::strtod(argv[2 + i], &end);
      if (*end != '\0' || !(w > 0 && w < 1)) {
        std::cerr << "velta_generate_run_set: a weight is a number between 0 and 1: " << argv[2 + i] << "\n";
        return 2;
      }
      plan.clusters[static_cast<std::size_t>(i)].weight = w;
    }
  }
  std::filesystem::create_directories(argv[1]);
  const std::string first = velta::testing::WriteRunSet(argv[1], plan);
  std::cout << first << "\n";
  return 0;
}
