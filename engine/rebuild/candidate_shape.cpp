#include "engine/rebuild/candidate_shape.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint32_t kSlideAtomLength = 24;
constexpr int kMostChildren = 100000;

struct Header {
  uint16_t word = 0;
  uint16_t type = 0;
  uint32_t length = 0;
};

bool ReadHeader(DamagedFile& file, uint64_t at, Header& out) {
  uint8_t bytes[kHeader];
  if (file.ReadAt(at, bytes, kHeader) != kHeader) return false;
  out = {LoadU16(bytes), LoadU16(bytes + 2), LoadU32(bytes + 4)};
  return true;
}

// Calls child(header) for each child of the record; false unless they fill it exactly
// and every call agreed.
template <typename Child>
bool ChildrenFill(DamagedFile& file, const FoundRecord& record, Child child) {
  const auto start = static_cast<uint64_t>(record.offset) + kHeader;
  const uint64_t end = start + static_cast<uint64_t>(record.length);
  if (end > file.GetLength()) return false;
  uint64_t at = start;
  for (int n = 0; at < end; ++n) {
    Header h;
    if (n == kMostChildren || end - at < kHeader || !ReadHeader(file, at, h)) return false;
    if (h.length > end - at - kHeader || !child(n, h)) return false;
    at += kHeader + h.length;
  }
  return at == end;
}

}  // namespace

bool LooksLikeBlipStore(DamagedFile& file, const FoundRecord& store) {
  Header own;
  if (!ReadHeader(file, static_cast<uint64_t>(store.offset), own)) return false;
  const int entries = own.word >> 4;
  int seen = 0;
  const bool filled = ChildrenFill(file, store, [&](int, const Header& h) {
    ++seen;
    return h.type == kTypeBlipStoreEntry;
  });
  return filled && seen == entries;
}

bool LooksLikeMainMaster(DamagedFile& file, const FoundRecord& master) {
  return ChildrenFill(file, master, [](int n, const Header& h) {
    return n != 0 || (h.type == kTypeSlideAtom && h.length == kSlideAtomLength);
  });
}

}  // namespace vlx
