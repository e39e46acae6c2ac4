#pragma once
// Project files as the wizard writes them, for the weight-correction tests:
// the full header and experiment blocks of one spectrum.
#include <string>
#include <vector>

namespace velta::testing {

// Lines of the header up to the three lines of "Error analysis:".
inline std::vector<std::string> WcHeaderLines() {
  return {
      "Tensors:",
      "2.0088 2.0061 2.0027 6.200 5.900 33.500 5.000 0.0110",
      "Noise:",
      "0.000",
      "Asimetric distribution:",
      "1.00 0.0000",
      "Limits:",
      "0.000 1.000 0.010 5.000 0.050 4.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.000 1.000 0.010 5.000 0.050 4.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.010 5.000 0.050 4.000 0.000 20.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.010 5.000 0.000 10.000 0.000 100.000 0.050 4.000 0.000 20.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.00 1.00 0.00 1.57 0.00 1.57 0.00 3.14 0.00 1.57 0.00 3.14 0.010 5.000 0.050 4.000 0.9500 1.0500 0.900 1.100 0.000 1.000 ",
      "0.0 10.0 0.00 1.57 0.00 3.14 0.00 10.00 0.050 4.000 0.9500 1.0500 0.900 1.100 0.000 1.000 ",
      "0.00 1.00 0.00 1.57 0.00 1.57 0.00 3.14 -5.00 5.00 -5.00 5.00 -5.00 5.00 0.010 5.000 0.050 4.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.00 5.00 0.00 1.57 0.00 1.57 0.00 3.14 -5.00 5.00 -5.00 5.00 -5.00 5.00 0.010 5.000 0.050 4.000 0.9500 1.0500 0.999500 1.000500 0.000 1.000 ",
      "0.000 1.000 0.010 4.000 0.999000 1.001000 0.00 5.00 0.0 15.0 -50.0000 50.0000 0.00 5.00 0.0 15.0 -50.0000 50.0000 0.00 5.00 0.0 15.0 -50.0000 50.0000 0.00 5.00 0.0 15.0 -50.0000 50.0000 0.00 5.00 0.0 15.0 -50.0000 50.0000 0.000 1.000 ",
      "Grids:",
      "0.050 0.010 0.020 0.0010 0.000020 0.010 ",
      "0.010 0.010 0.020 0.0010 0.000020 0.010 ",
      "0.010 0.020 0.100 0.0010 0.000020 0.010 ",
      "0.010 0.100 1.000 0.020 0.100 0.0010 0.000020 0.010 ",
      "0.02 0.05 0.05 0.05 0.05 0.05 0.010 0.020 0.0010 0.005 0.010 ",
      "0.5 0.05 0.05 0.10 0.020 0.0010 0.005 0.010 ",
      "0.02 0.05 0.05 0.05 0.10 0.10 0.10 0.010 0.020 0.0010 0.000020 0.010 ",
      "0.05 0.05 0.05 0.05 0.10 0.10 0.10 0.010 0.020 0.0010 0.000020 0.010 ",
      "0.050 0.010 0.000020 0.50 1.0 0.0500 0.50 1.0 0.0500 0.50 1.0 0.0500 0.50 1.0 0.0500 0.50 1.0 0.0500 0.010 ",
      "Optimization used:",
      "DSO",
      "Downhill Simplex:",
      "0.10",
      "40",
      "Hybrid Evolutionary Algorithm:",
      "100",
      "0.010",
      "TRUE",
      "  Elite",
      "TRUE",
      "0.100",
      "  Crossover",
      "0.800",
      "UNI",
      "0.500",
      "3",
      "  Hybridization with DS during HEA",
      "FALSE",
      "0.010",
      "  Hybridization with DS after HEA",
      "TRUE",
      "0.10",
      "  knowledge-based operators",
      "TRUE",
      "0.100",
      "TRUE",
      "0.100",
      "FALSE",
      "0.100",
      "Multiple:",
      "FALSE",
      "FALSE",
      "Error analysis:",
      "0",
      "TRUE",
      "FALSE",
  };
}

// One experiment block: the spectrum, its domain lines (with error and
// switch lines made to match) and the fitness line.
inline std::vector<std::string> WcBlockLines(int number, const std::string& spectrum,
                                             const std::vector<std::string>& domains,
                                             const std::string& fitness_line) {
  std::vector<std::string> lines{"", "Spectrum characteristics-" + std::to_string(number) + ":", "1", spectrum,
                                 "3384.000 100.00 9.50000 0.000",
                                 "Domains - types, parameters, errors, switches, group number:",
                                 std::to_string(domains.size())};
  for (const std::string& d : domains) lines.push_back(d);
  for (const std::string& d : domains) lines.push_back(d.substr(0, 7) + " Error calculation not successful");
  for (const std::string& d : domains) lines.push_back(d.substr(0, 7) + " T T T T F T ");
  lines.insert(lines.end(), {"1", "Hi2 (tip: 0):", fitness_line, ""});
  return lines;
}

inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace velta::testing
