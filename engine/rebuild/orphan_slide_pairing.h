#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "engine/rebuild/slide_list_entries.h"
#include "engine/rebuild/slide_list_versions.h"

namespace vlx {

// Listed slides the persist map has no offset for, where an edit's directory was lost
// with the edit chain's older links, are paired with the slide records no id maps; the
// ids paired are returned (in list order) and their offsets set in offsets.
//
// First by the save that wrote them: a save writes a Document, its records and then its
// directory and edit, and a save that writes every slide writes them in the order of
// that Document's list. The slides between one save's end and the next (a run of noise
// between two slides counting as one lost slide) that match the save's list in number,
// and agree with every offset the map already gives, are that list's slides in order.
// The save's own list is used with the entries its damage took restored from the other
// versions; a save whose Document was lost uses the newest list. The newest save that
// agrees pairs first; an id the map gives keeps its offset (its newer version).
//
// Where no save agrees, the unmapped slides of the whole stream are paired with the ids
// in order: an unmapped slide whose drawing id a mapped slide has is taken for that
// slide's older version and passed over. Noise between two unmapped slides took at
// least one record: where it lies between slides, and the unmapped slides plus one slide
// per such run of noise match the listed ids in number, each run took exactly one slide,
// and the ids after it keep their pairs (the lost slide's id stays unmapped). Any other
// count, or noise next to a record of another kind, leaves the order unknown and nothing
// is paired: an older version saved under a new drawing id, or an entry the damaged list
// lost, would shift every pair after it.
std::vector<uint32_t> PairOrphanSlides(std::span<const uint8_t> stream,
                                       std::map<uint32_t, uint32_t>& offsets,
                                       const std::vector<ListEntry>& slides,
                                       const std::vector<DocumentVersion>& versions);

}  // namespace vlx
