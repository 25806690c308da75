#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vlx {

// The bytes of the first stream named `name` (compared exactly) anywhere in a small compound
// file held in memory: an embedded object's storage. Regular and mini streams, 512- and
// 4096-byte sectors. nullopt when the file is not a compound file, has no such stream, or
// its tables do not lead to all of the stream's bytes (a chain that breaks, loops or runs
// outside the file).
std::optional<std::vector<uint8_t>> CompoundFileStream(std::span<const uint8_t> file,
                                                       std::u16string_view name);

}  // namespace vlx
