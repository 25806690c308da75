#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/rebuild/png_mending.h"

namespace vlx {

// What mending the damaged pictures of a pictures stream gave.
struct PictureMending {
  size_t headers_restored = 0;  // records whose first bytes were rewritten from their entry
  size_t mended = 0;            // PNG pictures whose damaged rows were cut away
  uint64_t rows_kept = 0;       // of their rows, the ones kept as they were
  uint64_t rows = 0;
};

// Mends, in place, the PNG picture of one whole picture record that begins at
// `stream_offset` in its stream: the rows before its damage kept as they were, the others
// in one flat colour, the record's length unchanged. nullopt, with the record untouched, when it
// holds no PNG picture, its picture is whole, or it cannot be mended.
std::optional<MendedPng> MendPictureRecord(std::span<uint8_t> record, uint64_t stream_offset);

// Writes to `target` a copy of `pictures` in which every picture record that the newest
// blip store of `document_stream` names has its damaged first bytes restored from its entry
// (PNG and JPEG) and, when it is a damaged PNG picture, is mended in place (same offset, same
// length, so the store's entries still point at it); every other byte is copied as it is.
// nullopt, with nothing written, when no picture needed mending or could be mended;
// *error is set when the copy could not be written.
std::optional<PictureMending> MendDamagedPictures(std::span<const uint8_t> document_stream,
                                                  DamagedFile& pictures, const std::string& target,
                                                  std::string* error);

}  // namespace vlx
