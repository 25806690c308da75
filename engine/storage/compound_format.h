#pragma once

#include <cstddef>
#include <cstdint>

namespace vlx::cfb {

// Fixed values of the version-3 compound file layout that this writer produces.
inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr uint16_t kMinorVersion = 0x003E;
inline constexpr uint16_t kMajorVersion = 0x0003;
inline constexpr uint16_t kByteOrderMark = 0xFFFE;
inline constexpr uint16_t kSectorShift = 9;
inline constexpr uint16_t kMiniSectorShift = 6;

inline constexpr size_t kSectorSize = size_t{1} << kSectorShift;          // 512
inline constexpr size_t kMiniSectorSize = size_t{1} << kMiniSectorShift;  // 64
inline constexpr size_t kHeaderSize = kSectorSize;
inline constexpr size_t kDirectoryEntrySize = 128;
inline constexpr size_t kEntriesPerSector = kSectorSize / sizeof(uint32_t);  // 128
inline constexpr size_t kDirectoryEntriesPerSector = kSectorSize / kDirectoryEntrySize;

// Streams shorter than this live in the mini stream.
inline constexpr uint64_t kMiniStreamCutoff = 4096;

// A version-3 stream may hold at most this many bytes.
inline constexpr uint64_t kMaxStreamSize = uint64_t{0x80000000};

// FAT sector locations kept in the header; further ones go to DIFAT sectors, each of
// which holds 127 locations and the location of the next DIFAT sector.
inline constexpr size_t kHeaderDifatEntries = 109;
inline constexpr size_t kDifatEntriesPerSector = kEntriesPerSector - 1;

// Special sector numbers.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;

// Directory entry ids.
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr uint32_t kMaxEntryNameUnits = 31;  // without the terminating zero

enum class ObjectType : uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };
enum class NodeColor : uint8_t { kRed = 0, kBlack = 1 };

}  // namespace vlx::cfb
