#pragma once

#include <cstddef>

namespace vlx {

// Fields of a blip-store entry's body (the record's header excluded).
inline constexpr size_t kBlipEntryKindAt = 0;   // the picture's kind on Windows
inline constexpr size_t kBlipEntryUidAt = 2;    // the 16-byte id its picture record carries
inline constexpr size_t kBlipEntrySizeAt = 20;  // the picture record's size, header included
inline constexpr size_t kBlipEntryReferencesAt = 24;
inline constexpr size_t kBlipEntryOffsetAt = 28;  // where the picture record lies in Pictures
inline constexpr size_t kBlipEntryNameLengthAt = 33;
inline constexpr size_t kBlipEntryBody = 36;  // the fixed fields

}  // namespace vlx
