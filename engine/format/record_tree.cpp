#include "engine/format/record_tree.h"

#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;

struct Span {
  size_t begin;
  size_t end;
};

constexpr int kDeepestNesting = 64;

bool IsContainer(uint16_t version_instance) {
  return (version_instance & 0x000F) == 0x000F;
}

// Appends the kept records of bytes[begin, end) to out.
void TrimRun(std::span<const uint8_t> bytes, size_t begin, size_t end, int depth,
             bool cut_short_keeps, std::vector<uint8_t>& out) {
  while (end - begin >= kHeader) {
    const uint16_t version_instance = GetU16(bytes, begin);
    size_t length = GetU32(bytes, begin + kRecordLengthField);
    const size_t body = begin + kHeader;
    if (length > end - body) {
      if (!cut_short_keeps) return;
      length = end - body;  // a record cut off by the end of the file
    }
    const size_t header_at = out.size();
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(begin),
               bytes.begin() + static_cast<std::ptrdiff_t>(body));
    if (IsContainer(version_instance) && length > 0) {
      if (depth < kDeepestNesting) TrimRun(bytes, body, body + length, depth + 1, false, out);
    } else {
      out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(body),
                 bytes.begin() + static_cast<std::ptrdiff_t>(body + length));
    }
    PutU32(out, header_at + kRecordLengthField,
           static_cast<uint32_t>(out.size() - header_at - kHeader));
    begin = body + length;
  }
}

}  // namespace

std::vector<uint8_t> TrimToWellFormed(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  TrimRun(bytes, 0, bytes.size(), 0, true, out);
  return out;
}

bool IsWellFormedRecordRun(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return false;
  // Runs still to check, as explicit work so that deep nesting costs no stack.
  std::vector<Span> pending = {{0, bytes.size()}};
  while (!pending.empty()) {
    Span run = pending.back();
    pending.pop_back();
    while (run.begin < run.end) {
      if (run.end - run.begin < kHeader) return false;
      const uint16_t version_instance = GetU16(bytes, run.begin);
      const uint32_t length = GetU32(bytes, run.begin + kRecordLengthField);
      const size_t body = run.begin + kHeader;
      if (length > run.end - body) return false;
      if ((version_instance & 0x000F) == 0x000F && length > 0)
        pending.push_back({body, body + length});
      run.begin = body + length;
    }
  }
  return true;
}

}  // namespace vlx
