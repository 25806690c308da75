#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/rebuild/persist_id_inference.h"

namespace vlx {

// A "PowerPoint Document" stream rebuilt from the damaged stream's own records: every
// persisted record the newest edit maps that is whole (its containers nest exactly) is
// copied byte for byte, a new persist directory maps each kept persist id onto its new
// offset, and a copy of the newest user edit points at that directory. Slides whose
// records are not whole keep their whole records while they still draw shapes (the list
// texts of the placeholders they lost added as text boxes), else come
// back as text boxes of their slide-list texts (or, without
// any, are left out, their entries removed from the slide list); a damaged master,
// notes page or handout keeps its whole children. A damaged Document keeps its whole
// records; the list entries it lost come back from older versions of it, and the whole
// slides whose entries are still missing are listed again.
struct OwnRecordsStream {
  std::vector<uint8_t> bytes;
  uint32_t user_edit_offset = 0;
  std::map<uint32_t, uint32_t> persist_offsets;  // kept persist id -> offset in bytes
  std::vector<uint32_t> slides_kept;             // persist ids, slide-list order
  std::vector<uint32_t> slides_left_out;         // persist ids whose records are damaged
  std::vector<uint32_t> slides_stood_in;         // damaged, rebuilt from their list texts
  std::vector<uint32_t> slides_trimmed;          // damaged, kept without their damaged parts
  std::vector<uint32_t> slides_relisted;         // whole, but their list entries were lost
  std::vector<uint32_t> slide_text_tails;        // relisted, given the end of a text the damage cut
  std::vector<uint32_t> slides_restored;       // list entries the damage took, from older versions
  std::vector<uint32_t> slide_texts_restored;  // entries whose cut texts older versions gave
  std::vector<uint32_t> slides_paired_by_order;  // their directory entries were lost
  bool persist_ids_inferred = false;             // no user edit survived: see InferPersistIds
  bool document_salvaged = false;                // the Document container was damaged
  bool older_document = false;  // the newest Document was lost; an older version lists the slides
  std::vector<uint32_t> records_trimmed;  // damaged masters/notes kept without their
                                          // damaged children
};

// The persist id -> stream offset map of the edit chain that ends at newest_edit (older
// edits first, the newer entry wins). Empty when the chain cannot be read. Entries whose
// offset holds no persisted record's header go to *headless when given (an id the map
// holds is not among them).
std::map<uint32_t, uint32_t> PersistOffsets(std::span<const uint8_t> stream, uint32_t newest_edit,
                                            std::map<uint32_t, uint32_t>* headless = nullptr);

// Builds the stream from the edit at newest_edit (the last top-level user edit when not
// given; the inferred persist ids when there is none). nullopt with a reason when
// neither gives a whole Document container.
std::optional<OwnRecordsStream> BuildOwnRecordsStream(std::span<const uint8_t> stream,
                                                      std::optional<uint32_t> newest_edit,
                                                      std::string* why);

}  // namespace vlx
