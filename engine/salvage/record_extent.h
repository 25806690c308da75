#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vlx::salvage {

// Reads up to count bytes at a stream offset; returns how many it read.
using StreamReader = std::function<size_t(uint64_t offset, uint8_t* out, size_t count)>;

// The length of a "PowerPoint Document" stream that begins at offset 0 of reader:
// its top-level records (the Document container, the persisted slides, masters and
// objects, the persist directories and user edits; some writers put a slide first)
// walked one after another until a header that cannot belong to the stream, or
// available bytes. 0 when the first record cannot begin such a stream.
uint64_t DocumentStreamLength(const StreamReader& reader, uint64_t available);

// The length of a "Pictures" stream: its picture records one after another.
// 0 when the first record is not a picture record.
uint64_t PicturesStreamLength(const StreamReader& reader, uint64_t available);

// The same walks where available ends at the end of the damaged file: a record of the
// stream that runs past it after at least one whole record was cut short with the file,
// and the stream holds it up to there (available).
uint64_t CutDocumentStreamLength(const StreamReader& reader, uint64_t available);
uint64_t CutPicturesStreamLength(const StreamReader& reader, uint64_t available);

}  // namespace vlx::salvage
