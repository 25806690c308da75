#include "tests/templates/record_walker.h"

#include "engine/format/byte_order.h"

namespace vlx::testing {
namespace {

bool WalkRange(std::span<const uint8_t> bytes, size_t begin, size_t end, int depth,
               std::vector<WalkedRecord>& out) {
  size_t pos = begin;
  while (pos < end) {
    if (end - pos < 8) return false;
    WalkedRecord record;
    record.offset = pos;
    record.ver_inst = GetU16(bytes, pos);
    record.type = GetU16(bytes, pos + 2);
    record.length = GetU32(bytes, pos + 4);
    record.depth = depth;
    if (record.length > end - pos - 8) return false;
    out.push_back(record);
    if (record.is_container() && !WalkRange(bytes, record.body(), record.end(), depth + 1, out)) {
      return false;
    }
    pos = record.end();
  }
  return true;
}

}  // namespace

std::optional<std::vector<WalkedRecord>> WalkRecords(std::span<const uint8_t> bytes) {
  std::vector<WalkedRecord> walk;
  if (!WalkRange(bytes, 0, bytes.size(), 0, walk)) return std::nullopt;
  return walk;
}

std::vector<WalkedRecord> ChildrenOf(const std::vector<WalkedRecord>& walk,
                                     const WalkedRecord& parent) {
  std::vector<WalkedRecord> children;
  for (const WalkedRecord& record : walk) {
    if (record.depth == parent.depth + 1 && record.offset >= parent.body() &&
        record.end() <= parent.end()) {
      children.push_back(record);
    }
  }
  return children;
}

std::vector<WalkedRecord> TopLevel(const std::vector<WalkedRecord>& walk) {
  std::vector<WalkedRecord> top;
  for (const WalkedRecord& record : walk) {
    if (record.depth == 0) top.push_back(record);
  }
  return top;
}

std::optional<WalkedRecord> FindFirst(const std::vector<WalkedRecord>& walk, uint16_t type) {
  for (const WalkedRecord& record : walk) {
    if (record.type == type) return record;
  }
  return std::nullopt;
}

std::string AsciiFromUtf16(std::span<const uint8_t> bytes, const WalkedRecord& record) {
  std::string text;
  for (size_t pos = record.body(); pos + 1 < record.end(); pos += 2) {
    text.push_back(static_cast<char>(GetU16(bytes, pos)));
  }
  return text;
}

}  // namespace vlx::testing
