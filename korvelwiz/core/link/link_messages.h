#pragma once
// The messages the optimization link sends to the remote optimizers. A
// message is plain 8-bit text without line ends or length prefix; fields are
// separated by ";". Numbers are written with "." whatever the locale.
#include <string>
#include <string_view>

#include "engine/sim_buffers.h"
#include "project/records.h"

namespace korvel {

// Acknowledgements.
inline constexpr std::string_view kAckRequester = "0000002";  // a requester connected
inline constexpr std::string_view kAckSender = "0000004";     // a sender of optimized parameters connected
inline constexpr std::string_view kAckTaken = "0000005";      // optimized parameters taken over

// Values of one spectra message: a quarter of the 1024 points.
inline constexpr int kQuarterPoints = kPoints / 4;

// The 7-character tag of experiment `index` (1..999): the index padded with
// zeros to 3 digits, "pr" while index < experiment_count and "al" for the
// last, then "0" and the spectrum count (one digit). Experiment 3 of 8 with
// one spectrum: "003pr01".
std::string ExperimentTag(int index, int experiment_count, int spectrum_count);

// The parameters message of experiment `index` of the working copy `work`
// (settings plus that experiment): the tag immediately followed by
// ";"-terminated fields:
//   tensors, 13C, noise and asymmetric distribution; the limits (minima,
//   then maxima) and grids of types 0..domain_type_count-1; the optimizer;
//   the downhill simplex and evolutionary settings with the crossover
//   ("UNI" and its probability, or "MP", the crossover probability again and
//   the point count); hybridization and knowledge-based operators; the
//   multiple and error-analysis flags; the spectra (file name, center field,
//   sweep, frequency, angle); the domains (number, group code, keyword, value
//   slots 1..n, the last being the conditional weight); their switches
//   ("T"/"F" per palette row); then GroupNumber, ";" and FitnessType, which
//   ends the message without a ";".
// Reals are written in general notation with the significant digits of
// their field (a parameter's decimals + 1 for limits, grids and values).
std::string ParametersMessage(const Tvrecica& work, int index, int experiment_count,
                              int domain_type_count);

// Spectra message `m` (1..4 * SpectrumCount) of experiment `index`: the
// index padded to 3 digits, the two characters echoed from the request, m
// padded to 2 digits, then points 256 q + 1 .. 256 q + 256 of ExpRaw of
// spectrum j, with j = (m - 1) div 4 + 1 and q = (m - 1) mod 4, separated by
// ";" (none after the last), each with at most 5 significant digits and 4
// decimals.
std::string SpectraMessage(int index, std::string_view echoed, int m, const SimBuffers& buffers);

}  // namespace korvel
