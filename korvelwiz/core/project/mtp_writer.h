#pragma once
// Writing an .mtp project file: the header with the project settings, then
// one block per selected experiment, CR LF line ends, fixed-point numbers
// with the decimals of each parameter.
#include <string>

#include "project/records.h"

namespace korvel {

// Marks experiments 1..ExperimentCount for the next save (SaveSelected set,
// SaveWritten cleared).
void SelectAllForSave(Project& project);

// The bytes WriteProject would write: the header and one block for every
// experiment with SaveSelected set and SaveWritten clear, in index order and
// numbered 1, 2, ... in the file; empty when no experiment qualifies. The
// weights are written as absolute weights converted from the conditional
// ones (the project is not changed). "Number of copies:" closes the header
// only while WriteCopiesLine is set. Throws common::FileError when an
// experiment cannot be written as a readable block (a count outside 1..5, an
// invalid type, a group code or fitness type above 9).
std::string ProjectFileText(const Project& project);

// Writes ProjectFileText to `path` in one step (temporary file, then rename,
// so a failed save leaves an existing file intact), then sets SaveWritten of
// the experiments written and MtpFileName = `path`. Nothing is written when
// no experiment is selected. Throws common::FileError.
void WriteProject(Project& project, const std::string& path);

}  // namespace korvel
