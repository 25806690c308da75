#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "engine/format/found_record.h"
#include "engine/job/damaged_file.h"

namespace vlx {

// A slide's own text records as its slide-list entry holds them (every record after
// its SlidePersistAtom) and the entry's text count.
struct SlideEntryTexts {
  std::vector<uint8_t> records;
  int32_t text_count = 0;
};

// Finds the slide-list entry of the slide a found drawing belongs to. The match is made
// only where the file proves it: the drawing opens a Slide container right after its
// SlideAtom, a persist directory found in the file names that container's stream
// offset (counted from a Document container found in the file) under exactly one
// persist id, and a found slide list has an entry for that id. Anything less gives no
// match, so texts are never put on the wrong slide.
class SlideTextMatcher {
 public:
  SlideTextMatcher(DamagedFile& file, const FoundRecordList& slide_lists);

  std::optional<SlideEntryTexts> ForDrawing(uint64_t drawing_offset) const;

  // The persist id of the slide-list entry the drawing belongs to, proven as above.
  std::optional<uint32_t> PersistIdFor(uint64_t drawing_offset) const;

  // The same for a Slide container found at slide_offset, whatever lies between its
  // SlideAtom and its drawing.
  std::optional<uint32_t> PersistIdOfSlide(uint64_t slide_offset) const;

  // True when a persist directory places the Slide container at slide_offset under a
  // persist id that no found slide list has: a title master (or a slide no longer
  // listed), not a slide of the presentation.
  bool IsNamedOutsideSlideList(uint64_t slide_offset) const;

  // The texts of the entry of a persist id.
  std::optional<SlideEntryTexts> TextsFor(uint32_t persist_id) const;

  // Where the entry of a persist id stands in its slide list (0 for the first slide);
  // the last list read from the file decides.
  std::optional<size_t> ListPosition(uint32_t persist_id) const;

 private:
  void ReadSlideLists(const FoundRecordList& slide_lists);
  void ReadPersistDirectories();
  void FindDocumentContainers();
  // The persist ids that the directories give the container at slide_offset.
  std::set<uint32_t> PersistIdsAt(uint64_t slide_offset) const;

  DamagedFile& file_;
  std::map<uint32_t, SlideEntryTexts> entries_;            // persist id -> texts
  std::map<uint32_t, size_t> positions_;                   // persist id -> place in its list
  std::vector<std::map<uint32_t, uint32_t>> directories_;  // stream offset -> persist id
  std::vector<uint64_t> documents_;                        // file offsets of Document containers
};

}  // namespace vlx
