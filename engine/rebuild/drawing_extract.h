#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format/found_record.h"
#include "engine/job/damaged_file.h"

namespace vlx {

// The programmable-tags record that goes with a drawing ending at drawing_end: the
// found one with the greatest offset not above that end. None when every found one
// lies beyond it (or none was found).
std::optional<uint64_t> FindProgTagsFor(const FoundRecordList& prog_tags, uint64_t drawing_end);

// The bytes that follow a slide's atom in a rebuilt slide: the whole drawing record and,
// when its header is plausible, the programmable tags that go with it. Either record is
// copied as far as the file goes when its length runs past the end.
std::vector<uint8_t> ReadDrawingWithTags(DamagedFile& file, const FoundRecordList& prog_tags,
                                         const FoundRecord& drawing);

}  // namespace vlx
