#pragma once

#include <cstddef>
#include <cstdint>

namespace vlx::salvage {

// The search for compound-file marks (header signatures, root entry names) at any byte
// position looks at the bytes in blocks of 64. Where a signature (D0 CF 11 ...) or the
// root entry's name ('R' 0 'o' 0 ...) begins at p, the 16-bit little-endian word at p
// (p even) or at p + 1 (p odd) is CFD0, 11CF, 0052 or 6F00. So a block starting at b
// whose 32 words hold none of them has no mark beginning in [b - 1, b + 63): those
// ranges tile the bytes, and only the rare block that holds one is looked at byte by
// byte.
inline constexpr size_t kMarkWordBlock = 64;

// The first block from `block` on, of the `blocks` whole ones at data, that holds one of
// the four words; `blocks` when none does. Uses the widest instructions the machine has.
size_t NextMarkWordBlock(const uint8_t* data, size_t block, size_t blocks);

// The ways of looking, each giving the same answer: one word at a time, 16 bytes and 32
// bytes at a time (the latter two only where the machine has the instructions).
enum class MarkWordLook { kByWord, kBy16Bytes, kBy32Bytes };
bool MarkWordLookAvailable(MarkWordLook look);
size_t NextMarkWordBlockBy(MarkWordLook look, const uint8_t* data, size_t block, size_t blocks);

}  // namespace vlx::salvage
