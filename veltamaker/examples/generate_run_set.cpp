// Writes the bundled example run set: ten HEO runs of 60 two-domain mem
// solutions each, scattered around two components with weights 0.7 and
// 0.3, as res001.pop ... res010.pop in the given folder.
#include <filesystem>
#include <iostream>

#include "run_set_generator.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: velta_generate_run_set FOLDER\n";
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  const std::string first = velta::testing::WriteRunSet(argv[1], velta::testing::TwoMemClusters());
  std::cout << first << "\n";
  return 0;
}
