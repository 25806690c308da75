#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlx::testing {

// One record met while walking a byte block, with offsets relative to the block.
struct WalkedRecord {
  size_t offset = 0;
  uint16_t ver_inst = 0;
  uint16_t type = 0;
  uint32_t length = 0;
  int depth = 0;  // 0 = top level

  uint16_t version() const { return ver_inst & 0x000F; }
  uint16_t instance() const { return ver_inst >> 4; }
  bool is_container() const { return version() == 0x000F; }
  size_t body() const { return offset + 8; }
  size_t end() const { return offset + 8 + length; }
};

// Walks every record of `bytes` depth-first, descending into containers. Returns nothing
// when a record overruns its parent or the records leave bytes over at any level, so a
// value means the block is made of complete records that fill it exactly.
std::optional<std::vector<WalkedRecord>> WalkRecords(std::span<const uint8_t> bytes);

// The direct children of `parent` within a walk.
std::vector<WalkedRecord> ChildrenOf(const std::vector<WalkedRecord>& walk,
                                     const WalkedRecord& parent);

// The records of a walk at the top level.
std::vector<WalkedRecord> TopLevel(const std::vector<WalkedRecord>& walk);

// The first record of the given type in walk order, if any.
std::optional<WalkedRecord> FindFirst(const std::vector<WalkedRecord>& walk, uint16_t type);

// The UTF-16LE body of a record, narrowed to ASCII (test texts are plain ASCII).
std::string AsciiFromUtf16(std::span<const uint8_t> bytes, const WalkedRecord& record);

}  // namespace vlx::testing
