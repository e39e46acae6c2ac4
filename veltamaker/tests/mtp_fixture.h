#pragma once
// Project files that name a spectrum, as the wizard writes them (only the
// lines that the reference search reads matter).
#include <string>

namespace velta::testing {

inline std::string ReferenceMtp(const std::string& spectrum_path, const std::string& fitness_line) {
  return "Tensors:\r\n2.0088 2.0061 2.0027 6.200 5.900 33.500 5.000 0.0110\r\n"
         "Optimization used:\r\nHEA\r\n"
         "\r\nSpectrum characteristics-1:\r\n1\r\n" +
         spectrum_path +
         "\r\n3320.000 100.00 9.30000 0.000\r\n"
         "Domains - types, parameters, errors, switches, group number:\r\n1\r\n"
         "1 2 mem 0.500 1.500 2.000 1.0000 0.000000 1.000\r\n"
         "1 2 mem Error calculation not successful\r\n1 2 mem T T T T F F \r\n1\r\n"
         "Hi2 (tip: 0):\r\n" +
         fitness_line + "\r\n\r\n";
}

}  // namespace velta::testing
