#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

#include "engine/format/record_header.h"

// Reading the top-level records of a damaged "PowerPoint Document" stream: what lies at
// an offset, whether it is whole, and a walk that steps over noise.
namespace vlx::records {

inline constexpr size_t kHeader = 8;

// The header at offset, when eight bytes are left there.
std::optional<RecordHeader> HeaderAt(std::span<const uint8_t> bytes, size_t at);

// The whole record at offset, or an empty span when it overruns the stream or does not nest.
std::span<const uint8_t> WholeRecordAt(std::span<const uint8_t> bytes, size_t at);

// The record at offset when it is a container of one of the given types whose length
// fits the stream, whole or not; empty otherwise.
std::span<const uint8_t> ContainerAt(std::span<const uint8_t> bytes, size_t at,
                                     std::initializer_list<uint16_t> types);

// The layout a title master's slide atom names (a slide never has it).
inline constexpr uint32_t kTitleMasterLayout = 2;

// The slide id the notes page at offset names in its NotesAtom; nullopt without one.
std::optional<uint32_t> NotesSlideId(std::span<const uint8_t> bytes, size_t at = 0);

// The drawing id of a slide, from its OfficeArt drawing atom; nullopt without one.
std::optional<uint16_t> DrawingIdOf(std::span<const uint8_t> slide);

// The kinds of record a stream holds at its top level.
bool IsTopLevelKind(uint16_t type);

// The next offset after `from` where a whole record of a kind a stream holds at its top
// level starts: where the records resume after a run of noise. The stream's size when
// none does.
size_t NextTopLevelRecord(std::span<const uint8_t> stream, size_t from);

// Calls visit(offset, header) for each of the stream's top-level records that starts
// before end, in stream order; after noise the walk resumes at the next whole record.
// visit_noise(from, to), when given, is called for each run of noise stepped over.
template <typename Visit, typename VisitNoise>
void ForEachTopLevelRecord(std::span<const uint8_t> stream, size_t end, Visit visit,
                           VisitNoise visit_noise) {
  for (size_t at = 0; at < end && stream.size() - at >= kHeader;) {
    const std::optional<RecordHeader> h = HeaderAt(stream, at);
    if (stream.size() - at - kHeader < h->length || !IsTopLevelKind(h->type)) {
      const size_t next = NextTopLevelRecord(stream, at + 1);
      visit_noise(at, next);
      at = next;
      continue;
    }
    visit(at, *h);
    at += kHeader + size_t{h->length};
  }
}

template <typename Visit>
void ForEachTopLevelRecord(std::span<const uint8_t> stream, size_t end, Visit visit) {
  ForEachTopLevelRecord(stream, end, visit, [](size_t, size_t) {});
}

}  // namespace vlx::records
