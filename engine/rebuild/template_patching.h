#pragma once

#include <cstdint>

#include "engine/format/template_records.h"

namespace vlx {

// Fixed parts of the rebuilt stream's prefix, around the spliced blip store.
inline constexpr uint32_t kDocumentLengthWithoutBlipStore = 859;
inline constexpr uint32_t kDrawingGroupLengthWithoutBlipStore = 128;
inline constexpr uint32_t kDggLengthWithoutBlipStore = 120;
inline constexpr uint64_t kMasterOffsetWithoutBlipStore = 867;

// Sets the Document, DrawingGroup and OfficeArt container lengths of `templates` for a
// blip store of `blip_store_size` bytes (header included) and the master's stream offset
// that follows from it. A size whose Document length would not fit the 32-bit length
// field leaves everything unchanged and returns false.
bool PatchContainerLengths(TemplateRecords& templates, uint64_t blip_store_size);

}  // namespace vlx
