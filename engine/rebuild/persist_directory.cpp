#include "engine/rebuild/persist_directory.h"

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr uint32_t kMaxRunEntries = 0xFFF;

void AppendAtomHeader(std::vector<uint8_t>& out, uint16_t type, uint32_t length) {
  AppendU16(out, 0x0000);
  AppendU16(out, type);
  AppendU32(out, length);
}

}  // namespace

std::vector<uint8_t> MakePersistDirectoryBlock(std::span<const uint32_t> offsets) {
  std::vector<uint8_t> body;
  uint32_t first_id = kDocumentPersistId;
  for (size_t done = 0; done < offsets.size();) {
    const auto run = static_cast<uint32_t>(std::min<size_t>(kMaxRunEntries, offsets.size() - done));
    AppendU32(body, first_id | (run << 20));
    for (uint32_t i = 0; i < run; ++i) AppendU32(body, offsets[done + i]);
    done += run;
    first_id += run;
  }
  std::vector<uint8_t> block;
  block.reserve(8 + body.size());
  AppendAtomHeader(block, kTypePersistDirectoryAtom, static_cast<uint32_t>(body.size()));
  block.insert(block.end(), body.begin(), body.end());
  return block;
}

std::vector<uint8_t> MakePersistDirectoryBlock(uint32_t master_offset, uint32_t slide_offset) {
  const uint32_t offsets[] = {0, master_offset, slide_offset};
  return MakePersistDirectoryBlock(offsets);
}

std::vector<uint8_t> MakeUserEditBlock(uint32_t persist_directory_offset, uint32_t slide_count) {
  std::vector<uint8_t> block;
  block.reserve(kUserEditBlockSize);
  AppendAtomHeader(block, kTypeUserEditAtom, kUserEditBlockSize - 8);
  AppendU32(block, kFirstSlideId);  // lastSlideIdRef
  AppendU16(block, 0x0A3F);         // version
  block.push_back(0);               // minorVersion
  block.push_back(3);               // majorVersion
  AppendU32(block, 0);              // offsetLastEdit
  AppendU32(block, persist_directory_offset);
  AppendU32(block, kDocumentPersistId);              // docPersistIdRef
  AppendU32(block, kMasterPersistId + slide_count);  // persistIdSeed
  AppendU16(block, 1);                               // lastView
  AppendU16(block, 0x09DB);
  return block;
}

}  // namespace vlx
