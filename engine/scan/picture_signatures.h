#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vlx {

// Picture data begins this many bytes after a picture record's first header byte:
// 8 bytes of header, a 16-byte identifier and a 1-byte tag.
inline constexpr size_t kPictureDataOffset = 25;

// Bytes of a picture record's body that precede the picture data (identifier and tag).
inline constexpr uint32_t kPictureBodyPrefix = 17;

// True for the seven version/instance words that open a picture record.
bool IsPictureRecordWord(uint16_t word);

// The extension of the first picture-file signature that data (size bytes) starts
// with, tested in the fixed order BMP, JPEG, TIFF, PNG, GIF; nullopt when none.
std::optional<std::string_view> MatchPictureFile(const uint8_t* data, size_t size);

// Bytes of picture data behind a record whose length field is length: the body minus
// identifier and tag, never below zero.
inline uint64_t PictureDataLength(uint32_t length) {
  return length > kPictureBodyPrefix ? uint64_t{length} - kPictureBodyPrefix : 0;
}

}  // namespace vlx
