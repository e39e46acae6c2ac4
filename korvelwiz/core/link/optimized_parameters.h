#pragma once
// The optimized-parameters message that a remote optimizer sends back: the
// 3-digit experiment index immediately followed by ";"-separated fields in
// the order of the parameters message without its tag (tensors through
// switches), except that
//   - limits and grids always cover all nine types;
//   - type keywords must be exactly "iso" ... "trp" (another text keeps the
//     domain's type);
//   - "TRUE" sets a flag, "FALSE" clears it, other text leaves it; a switch
//     is set by "T", cleared by "F" and left by other text; "DSO"/"HEA"
//     choose the optimizer, other text leaves it;
//   - after the switches one field is skipped and the rest of the message is
//     the GroupNumber.
// FitnessType and Fitness are not taken from the message.
#include <cstddef>
#include <string>
#include <string_view>

#include "project/records.h"

namespace korvel {

enum class OptimizedStatus {
  kIncomplete,  // more characters are needed
  kComplete,    // a whole message was parsed into `work`
  kMalformed,   // the message cannot be taken; `problem` says why
};

struct OptimizedParse {
  OptimizedStatus status = OptimizedStatus::kIncomplete;
  int index = 0;            // the experiment named by the message, once known
  std::size_t length = 0;   // characters of the buffer that the message took
  std::string problem;      // kMalformed: field number, name and what was wrong
  Tvrecica work;            // kComplete: the project's settings and experiment with the message applied
};

// Parses the message at the start of `buffer` into a copy of the project's
// settings and experiment `index`; `project` itself is not touched.
//
// A message arrives in pieces over a connection: every field but the last
// is complete once its ";" has arrived, so an unfinished message is
// kIncomplete, not malformed. The final GroupNumber has no terminator of its
// own; it is complete when a CR, LF or NUL follows it (that character
// belongs to the message), or when `at_end` says that nothing more is
// coming for now, in which case the whole rest of the buffer is the
// GroupNumber. Missing fields stay kIncomplete even then: the caller drops
// an unfinished message when its connection closes.
//
// kMalformed: an index that is not three digits or lies outside
// 1..ExperimentCount, a field that is not the number it should be, a
// spectrum or domain count outside 1..5, a group code outside 0..9, an
// empty file name, a type keyword that matches no type while the domain's
// type is not valid either, or a crossover kind other than "UNI" or "MP"
// (the fields that follow it depend on it). File names keep only the part
// after the last "\", "/" or ":", as the project reader does. The parsed copy keeps
// the last domain's weight switch off, has its absolute weights recomputed
// from the conditional weights and ErrorsValid cleared: errors computed for
// the old values do not describe the new ones.
OptimizedParse ParseOptimizedParameters(std::string_view buffer, bool at_end, const Project& project);

// Replaces the project's settings and experiment `parse.index` by the parsed
// copy and makes that experiment the current one. `parse` must be complete.
void CommitOptimizedParameters(Project& project, const OptimizedParse& parse);

}  // namespace korvel
