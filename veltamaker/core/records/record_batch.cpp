#include "records/record_batch.h"

#include "records/quick_sort.h"

namespace velta {

RecordBatch::RecordBatch() {
  Records.reserve(kMaxRecords);
  SortOrder.reserve(kMaxRecords);
}

void RecordBatch::Reset() {
  RunFileCount = 0;
  Records.clear();
  SortOrder.clear();
  Sorted = false;
}

void SortBatch(RecordBatch& batch) {
  const int count = batch.RecordCount();
  batch.SortOrder.resize(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) batch.SortOrder[static_cast<std::size_t>(i - 1)] = i;
  struct OneBasedView {
    std::vector<std::int32_t>& v;
    std::int32_t& operator[](int i) { return v[static_cast<std::size_t>(i - 1)]; }
  } order{batch.SortOrder};
  if (count > 1)
    QuickSort(order, 1, count, [&](std::int32_t k) { return batch.Record(k).Fitness; });
  batch.Sorted = true;
}

bool SameRecord(const SolutionRecord& a, const SolutionRecord& b) {
  if (a.Fitness != b.Fitness) return false;
  for (int i = 1; i <= a.DomainCount; ++i) {
    const RecordDomain& da = a.Domains[i];
    const RecordDomain& db = b.Domains[i];
    for (int j = 1; j <= ParamCount(da.TypeCode) - 1; ++j)
      if (da.Params[j] != db.Params[j]) return false;
  }
  return true;
}

bool SameRecordFull(const RecordBatch& batch, int a, int b) {
  if (b < 1) return false;
  return SameRecord(batch.Record(a), batch.Record(b));
}

}  // namespace velta
