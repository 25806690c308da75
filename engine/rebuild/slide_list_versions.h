#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/rebuild/slide_list_entries.h"

namespace vlx {

// One version of the Document container a save wrote into the stream, made well formed
// from its own records when it is damaged.
struct DocumentVersion {
  size_t offset = 0;  // where its record starts in the stream
  size_t end = 0;     // where it ends
  std::vector<uint8_t> bytes;
  bool slide_list_damaged = false;    // entries of its slides' list may be lost
  std::vector<uint32_t> entries_cut;  // entries whose texts its damage cut short
};

// Every Document container among the stream's top-level records, in stream order; one
// with no Document atom left is passed over.
std::vector<DocumentVersion> DocumentVersions(std::span<const uint8_t> stream);

// The slides' list entries of a version (spans into its bytes).
std::vector<ListEntry> SlideEntriesOf(const DocumentVersion& version);

// A damaged slides' list with the entries it lost taken from other versions of it, most
// trusted first: an entry another version has and this one lacks goes after the entry
// that came before it there (first when none did). An entry whose slide id the list
// already uses under another persist id is not taken: that slide was saved anew, and the
// entries after it go after its new entry.
// restored, when given, receives the persist ids taken, in list order.
std::vector<ListEntry> WithLostEntriesRestored(std::vector<ListEntry> damaged,
                                               std::span<const std::vector<ListEntry>> others,
                                               std::vector<uint32_t>* restored);

// The entries of a damaged list whose texts a run of noise cut short (their persist ids in
// cut) take the texts of the same entry (persist id and slide id) in another version,
// most trusted first, where those hold the same records as far as the cut ones go: the
// same bytes, but for the last record kept, which holds the noise: the same header, other
// bytes. The save did not change them. others_cut[v] names the entries the damage
// cut in others[v]: a version that lost the texts too is passed over. restored, when
// given, receives the persist ids whose texts were taken, in list order.
std::vector<ListEntry> WithCutTextsRestored(std::vector<ListEntry> damaged,
                                            std::span<const uint32_t> cut,
                                            std::span<const std::vector<ListEntry>> others,
                                            std::span<const std::vector<uint32_t>> others_cut,
                                            std::vector<uint32_t>* restored);

}  // namespace vlx
