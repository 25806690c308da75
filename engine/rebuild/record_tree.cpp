#include "engine/rebuild/record_tree.h"

#include <vector>

#include "engine/rebuild/record_bytes.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;

struct Span {
  size_t begin;
  size_t end;
};

}  // namespace

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
