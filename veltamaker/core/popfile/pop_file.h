#pragma once
// Population files (.pop): one solution per line, as the HEO runs leave them
// and as the best file is written back.
//
// A line holds the fitness (6:3), the domain count, and per domain its
// three-letter type name followed by the type's parameters with the type's
// decimals; every item is followed by one blank and the line ends with CR LF:
//   " 5.432 1 mem 0.512 1.250 0.840 1.0100 0.000000 1.000 "
// An older layout wrote one more value per domain (the 6th, dropped on
// reading); which layout a file uses is probed on its first record.
#include <string>

#include "common/text_file.h"
#include "records/record_batch.h"

namespace velta {

// One record as a line of a population file, without the line end.
std::string RecordLine(const SolutionRecord& record);

// Appends RecordLine(record) and CR LF.
void WriteRecordLine(common::CrLfText& out, const SolutionRecord& record);

// Whether the bytes of a population file use the old layout: the first
// record starts with a mes domain whose 11 values are followed, on the same
// line, by a further number (the new layout has a domain name or the line
// end there). Unreadable text gives false; the reading reports it.
bool ProbeOldPopLayout(const std::string& bytes);

// Appends the records of one population file to the batch as run file
// RunFileCount + 1 and sets OldPopLayout. A record equal (SameRecordFull) to
// the record before it, which may be the last of the previous file, is
// dropped as a repeat. Lines without any number are skipped.
//
// Throws VeltaError naming the file and the line for a token that is not a
// number, an unknown domain name, a domain count outside 1..5, a record cut
// off by the end of the file, or a batch that would pass 200 run files or
// 60000 records; common::FileError when the file cannot be read. On any
// error the batch is left as it was before the call.
void ReadPopulationFile(RecordBatch& batch, const std::string& path);

// The same on bytes already read (`path` only names the file in messages).
void ReadPopulationText(RecordBatch& batch, const std::string& bytes, const std::string& path);

}  // namespace velta
