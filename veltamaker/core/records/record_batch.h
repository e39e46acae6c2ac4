#pragma once
// The solution store: every record of the run files read so far, and their
// order by fitness. Records, run files and sort entries are numbered from 1.
#include <cstdint>
#include <string>
#include <vector>

#include "common/one_based.h"
#include "records/type_tables.h"

namespace velta {

inline constexpr int kMaxRunFiles = 200;
inline constexpr int kMaxRecords = 60000;

// One domain of a solution; only parameters 1..ParamCount(TypeCode) count.
struct RecordDomain {
  std::uint8_t TypeCode = 0;  // 1..9
  common::OneBased<double, kMaxParams> Params{};
};

// One solution of a HEO run.
struct SolutionRecord {
  float Fitness = 0;           // chi-square, lower is better; stored single precision
  std::int32_t DomainCount = 0;  // 1..5
  std::int32_t RunIndex = 0;     // run file of the batch, from 1
  common::OneBased<RecordDomain, kMaxDomains> Domains{};
};

// Created once per program. The tables reserve their full capacity at
// construction (60000 records, about 50 MB of address space that is touched
// only as records arrive) and never grow beyond it.
struct RecordBatch {
  RecordBatch();

  std::int32_t RunFileCount = -1;  // -1 until a run set has been loaded
  std::vector<SolutionRecord> Records;  // reading order; record k is Records[k-1]
  std::vector<std::int32_t> SortOrder;  // record numbers by ascending fitness
  bool Sorted = false;
  bool OldPopLayout = false;  // layout of the last population file read
  std::string SpectrumStem;
  std::string ProjectDir;
  std::string RunDir;

  int RecordCount() const { return static_cast<int>(Records.size()); }
  // Record k, 1..RecordCount.
  const SolutionRecord& Record(int k) const { return Records[static_cast<std::size_t>(k - 1)]; }
  // The record at sort position i, 1..RecordCount (valid while Sorted).
  const SolutionRecord& SortedRecord(int i) const {
    return Record(SortOrder[static_cast<std::size_t>(i - 1)]);
  }
  // Empties the batch for a new run set: no records, RunFileCount 0.
  void Reset();
};

// Rebuilds SortOrder for all records by ascending Fitness and sets Sorted.
void SortBatch(RecordBatch& batch);

// Whether records a and b (by number) are the same solution: equal fitness
// and, for each domain of a, equal parameters except the last (the weight).
// b below 1 stands for no record and gives false.
bool SameRecordFull(const RecordBatch& batch, int a, int b);

// The same test on two record values.
bool SameRecord(const SolutionRecord& a, const SolutionRecord& b);

}  // namespace velta
