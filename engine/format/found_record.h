#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlx {

// A record found in the damaged file: header offset and the header's body length.
struct FoundRecord {
  int64_t offset = 0;
  int64_t length = 0;
  int64_t total_length() const { return length + 8; }
};

// Append-only list of found records, in ascending file order.
class FoundRecordList {
 public:
  void Append(int64_t offset, int64_t length) { entries_.push_back({offset, length}); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const FoundRecord& operator[](size_t i) const { return entries_[i]; }
  std::vector<FoundRecord>::const_iterator begin() const { return entries_.begin(); }
  std::vector<FoundRecord>::const_iterator end() const { return entries_.end(); }

 private:
  std::vector<FoundRecord> entries_;
};

}  // namespace vlx
