#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/scan/pictures/png_mending.h"

namespace vlx {

// What mending the damaged pictures of a pictures stream gave.
struct PictureMending {
  size_t headers_restored = 0;  // records whose first bytes were rewritten from their entry
  size_t mended = 0;            // PNG pictures whose damaged rows were cut away
  uint64_t rows_kept = 0;       // of their rows, the ones kept as they were
  uint64_t rows_resumed = 0;    // and the ones read again after the damage
  uint64_t rows = 0;
  size_t jpegs_cut = 0;      // JPEG pictures mended to draw what is left of them
  size_t metafiles_cut = 0;  // WMF and EMF pictures ended where their damage begins
  size_t previews_used = 0;  // damaged pictures of embedded objects drawn from the objects
};

// What mending one picture kept: of a PNG picture its rows, of a JPEG picture its bytes, of
// a metafile its records.
struct MendedPicture {
  enum class Kind { kPng, kJpeg, kMetafile, kObjectPreview };
  Kind kind = Kind::kPng;
  uint64_t kept = 0;
  uint64_t whole = 0;    // rows of a PNG, bytes of a JPEG; not known for a metafile
  uint64_t resumed = 0;  // rows of a PNG read again after the damage
};

// Mends, in place, the PNG, JPEG, WMF or EMF picture of one whole picture record that
// begins at `stream_offset` in its stream, the record's length unchanged: a PNG keeps the
// rows before its damage and draws the others in one flat colour; a JPEG is made to draw
// what is left of it; a deflated metafile keeps its records before the damage. nullopt,
// with the record untouched, when it holds none of them, its picture is whole, or it
// cannot be mended.
std::optional<MendedPicture> MendPictureRecord(std::span<uint8_t> record, uint64_t stream_offset);

// Writes to `target` a copy of `pictures` in which every picture record that the newest
// blip store of `document_stream` names has its damaged first bytes restored from its entry
// (PNG and JPEG) and, when its picture is damaged, is mended in place (same offset, same
// length, so the store's entries still point at it); every other byte is copied as it is.
// A damaged metafile that an embedded object's shapes show is drawn again, whole, from the
// picture the object keeps of itself in its own storage, where that fits in its room.
// nullopt, with nothing written, when no picture needed mending or could be mended;
// *error is set when the copy could not be written.
std::optional<PictureMending> MendDamagedPictures(std::span<const uint8_t> document_stream,
                                                  DamagedFile& pictures, const std::string& target,
                                                  std::string* error);

}  // namespace vlx
