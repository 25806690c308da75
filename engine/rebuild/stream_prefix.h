#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/format/template_records.h"

namespace vlx {

// The common start of every rebuilt "PowerPoint Document" stream: the Document
// container (with the blip store spliced into its drawing group and the given slide
// list), then the master record as persist object 2.
// Where the blip store begins in every rebuilt stream: after the Document header and
// atom, the Environment and the drawing group's headers and FDGG.
inline constexpr size_t kBlipStoreStreamOffset = 396;

struct StreamPrefix {
  std::vector<uint8_t> bytes;
  uint32_t master_offset = 0;  // stream offset of the master record
};

// Patches the template lengths for this blip store, sets the master
// offset register and lays out the fourteen pieces. Both records are whole records
// (header included).
StreamPrefix ComposeStreamPrefix(TemplateRecords& templates, std::span<const uint8_t> blip_store,
                                 std::span<const uint8_t> master);

// The same with a slide list of its own in place of the one-slide template list; the
// Document length grows by the difference (the template registers keep the one-slide
// values).
StreamPrefix ComposeStreamPrefix(TemplateRecords& templates, std::span<const uint8_t> blip_store,
                                 std::span<const uint8_t> master,
                                 std::span<const uint8_t> slide_list);

}  // namespace vlx
