#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// Where no user edit survived (the stream's end is lost), the persist ids of the whole
// masters, slides, notes pages and handout, paired in stream order with the ids the
// Document's lists name in list order (as a save writes them), the notes master and the
// handout by the Document atom's references; the Document takes the first free id.
// nullopt when no Document is left or a kind has more records than ids.
//
// Without a whole Document, the last one is kept without its damaged parts (a Document
// cut short by the stream's end keeps what it holds): salvaged_document. Where its
// slides' list is lost entirely, the slides take fresh ids (an older version, one with
// the drawing id of a later slide, is passed over) and are listed anew.
struct InferredPersistIds {
  std::map<uint32_t, uint32_t> offsets;
  uint32_t document_id = 0;
  std::vector<uint8_t> salvaged_document;  // empty when a whole Document was found
  bool slide_list_damaged = false;
};
std::optional<InferredPersistIds> InferPersistIds(std::span<const uint8_t> stream);

}  // namespace vlx
