#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vlx {

// Persist ids of a rebuilt stream: 1 = the Document container, 2 = the main master,
// 3, 4, ... = the slides in slide-list order. Slide ids start at 256.
inline constexpr uint32_t kDocumentPersistId = 1;
inline constexpr uint32_t kMasterPersistId = 2;
inline constexpr uint32_t kFirstSlidePersistId = 3;
inline constexpr uint32_t kFirstSlideId = 256;

inline constexpr size_t kUserEditBlockSize = 36;

// The persist-directory atom for persist ids 1, 2, ... whose stream offsets are given
// in id order: the Document (0), the master, then every slide. Runs of more than 4095
// entries are split, as the 12-bit entry count demands.
std::vector<uint8_t> MakePersistDirectoryBlock(std::span<const uint32_t> offsets);

// The single-slide form: Document at 0, the master, one slide (24 bytes).
std::vector<uint8_t> MakePersistDirectoryBlock(uint32_t master_offset, uint32_t slide_offset);

// The user-edit atom pointing at the persist directory. Its persist-id seed covers every
// slide: with a smaller seed the office opens the file but shows the slides blank.
std::vector<uint8_t> MakeUserEditBlock(uint32_t persist_directory_offset, uint32_t slide_count = 1);

}  // namespace vlx
