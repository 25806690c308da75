#include "engine/rebuild/own_records_stream.h"

#include <algorithm>
#include <array>
#include <deque>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/document_salvage.h"
#include "engine/rebuild/loose_slide_shapes.h"
#include "engine/rebuild/orphan_slide_pairing.h"
#include "engine/rebuild/slide_list_entries.h"
#include "engine/rebuild/stand_in_slide.h"
#include "engine/rebuild/stream_records.h"
#include "engine/rebuild/trimmed_slide_texts.h"

namespace vlx {
namespace {

using records::ContainerAt;
using records::ForEachTopLevelRecord;
using records::HeaderAt;
using records::kHeader;
using records::NotesSlideId;
using records::WholeRecordAt;

constexpr size_t kUserEditBody = 28;  // the fields this stream uses; a longer atom is kept whole
constexpr size_t kEditsFollowed = 4096;
constexpr uint32_t kLastDrawingId = 0xFFF;
constexpr uint32_t kLargestPersistId = 0xFFFFF;

bool IsPersistId(uint32_t id) {
  return id != 0 && id <= kLargestPersistId;
}

// The containers a damaged slide's drawing is kept in, with the shapes before the damage.
constexpr std::array<uint16_t, 4> kSlideDrawingContainers = {
    kTypeSlide, kTypePPDrawing, kTypeDrawingContainer, kTypeGroupContainer};
// Noise replaces whole sectors of a stream: the damage begins at the latest where the
// sector holding the first broken record header begins.
constexpr size_t kDamagedRunAlignment = 512;

// The damaged slide at offset with its records that end before the sector in which its
// structure first breaks, and the shapes that follow the damage: a shape reaching into
// that sector is dropped whole, as its anchor or its text may be noise. Empty when no
// damaged slide is there.
std::vector<uint8_t> SlideAroundItsDamage(std::span<const uint8_t> stream, size_t offset) {
  const std::span<const uint8_t> slide = ContainerAt(stream, offset, {kTypeSlide});
  if (slide.empty()) return {};
  const DamageUnits units{kDamagedRunAlignment, offset % kDamagedRunAlignment};
  return KeepAroundDamage(slide, units.UnitStart(FirstBreak(slide)), kSlideDrawingContainers,
                          units);
}

// Where the persisted record at offset ends at the latest: where the next one begins.
size_t RecordAfter(const std::map<uint32_t, uint32_t>& offsets, size_t offset, size_t end) {
  for (const auto& [id, at] : offsets)
    if (at > offset) end = std::min<size_t>(end, at);
  return end;
}

// A well-formed slide whose atom and drawing are left, the drawing holding a shape besides
// its group's own.
bool DrawsShapes(std::span<const uint8_t> slide) {
  if (slide.empty() || FirstChild(slide, kTypeSlideAtom).empty()) return false;
  const std::span<const uint8_t> group = FirstChild(
      FirstChild(FirstChild(slide, kTypePPDrawing), kTypeDrawingContainer), kTypeGroupContainer);
  const std::vector<std::span<const uint8_t>> children = ChildRecords(group);
  const auto shapes = std::count_if(children.begin(), children.end(), [](auto child) {
    return GetU16(child, 2) == kTypeShapeContainer || GetU16(child, 2) == kTypeGroupContainer;
  });
  return shapes >= 2;
}

// The last user edit in the stream, looked for at every offset from the end: a damaged
// record before it must not hide it.
std::optional<uint32_t> LastTopLevelUserEdit(std::span<const uint8_t> stream) {
  if (stream.size() < kHeader + kUserEditBody) return std::nullopt;
  for (size_t at = stream.size() - kHeader - kUserEditBody + 1; at-- > 0;) {
    const uint8_t* p = stream.data() + at;
    const uint32_t length = LoadU32(p + 4);
    if (LoadU16(p) == 0 && LoadU16(p + 2) == kTypeUserEditAtom && length >= kUserEditBody &&
        stream.size() - at - kHeader >= length)
      return static_cast<uint32_t>(at);
  }
  return std::nullopt;
}

// Visits each (id, offset) entry of the persist directory at `at`, as it stands.
template <typename Visit>
void ForEachDirectoryEntry(std::span<const uint8_t> stream, uint32_t at, Visit visit) {
  const std::optional<RecordHeader> h = HeaderAt(stream, at);
  if (!h || h->type != kTypePersistDirectoryAtom || stream.size() - at - kHeader < h->length)
    return;
  size_t p = at + kHeader;
  const size_t end = p + h->length;
  while (end - p >= 4) {
    const uint32_t word = LoadU32(stream.data() + p);
    const uint32_t first = word & 0xFFFFF;
    const uint32_t count = word >> 20;
    p += 4;
    for (uint32_t i = 0; i < count && end - p >= 4; ++i, p += 4)
      visit(first + i, LoadU32(stream.data() + p));
  }
}

void ReadDirectory(std::span<const uint8_t> stream, uint32_t at, std::map<uint32_t, uint32_t>& map,
                   std::map<uint32_t, uint32_t>* headless) {
  ForEachDirectoryEntry(stream, at, [&](uint32_t id, uint32_t offset) {
    // An offset where no persisted object begins is noise where the directory was
    // damaged, or the record's header is: it would hide the record a pairing by order
    // still finds, and only tells where a record whose header is lost lay.
    const std::optional<RecordHeader> object = HeaderAt(stream, offset);
    if (object && IsPersistedObjectType(object->type))
      map[id] = offset;
    else if (headless != nullptr && offset < stream.size())
      (*headless)[id] = offset;
  });
}

// The offset the directory at `at` gives the id, as it stands.
std::optional<uint32_t> NamedOffset(std::span<const uint8_t> stream, uint32_t at, uint32_t id) {
  std::optional<uint32_t> named;
  ForEachDirectoryEntry(stream, at, [&](uint32_t entry, uint32_t offset) {
    if (entry == id) named = offset;
  });
  return named;
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// A persist directory for the sorted map, one entry per run of consecutive ids.
std::vector<uint8_t> DirectoryFor(const std::map<uint32_t, uint32_t>& offsets) {
  std::vector<uint8_t> body;
  auto it = offsets.begin();
  while (it != offsets.end()) {
    const uint32_t first = it->first;
    std::vector<uint32_t> run;
    while (it != offsets.end() && it->first == first + run.size() && run.size() < 0xFFF) {
      run.push_back(it->second);
      ++it;
    }
    AppendU32(body, first | static_cast<uint32_t>(run.size()) << 20);
    for (uint32_t offset : run) AppendU32(body, offset);
  }
  std::vector<uint8_t> record;
  AppendU16(record, 0);
  AppendU16(record, kTypePersistDirectoryAtom);
  AppendU32(record, static_cast<uint32_t>(body.size()));
  Append(record, body);
  return record;
}

// The highest index a slide's shapes name in its slide-list texts; nullopt for none.
std::optional<uint32_t> HighestTextReference(std::span<const uint8_t> record, int depth = 0) {
  constexpr int kDeepest = 32;
  std::optional<uint32_t> highest;
  if (depth > kDeepest) return highest;
  for (std::span<const uint8_t> child : ChildRecords(record)) {
    std::optional<uint32_t> found;
    if (GetU16(child, 2) == kTypeOutlineTextRefAtom && child.size() >= kHeader + 4)
      found = GetU32(child, kHeader);
    else if ((child[0] & 0x0F) == 0x0F)
      found = HighestTextReference(child, depth + 1);
    if (found && (!highest || *found > *highest)) highest = found;
  }
  return highest;
}

// Slide-list texts for a slide whose shapes name texts up to `highest`: empty ones before
// the last, which is `last_atom` (title and body text types, as placeholders have them).
std::vector<uint8_t> TextsEndingWith(uint32_t highest, std::span<const uint8_t> last_atom) {
  constexpr uint32_t kTitleText = 0, kBodyText = 1, kOtherText = 4;
  std::vector<uint8_t> texts;
  for (uint32_t i = 0; i <= highest; ++i) {
    AppendU16(texts, static_cast<uint16_t>(i << 4));  // the instance is the index shapes name
    AppendU16(texts, kTypeTextHeaderAtom);
    AppendU32(texts, 4);
    AppendU32(texts, i == 0 ? kTitleText : i == highest ? kBodyText : kOtherText);
    uint32_t characters = 0;
    if (i == highest) {
      Append(texts, last_atom);
      characters = GetU32(last_atom, 4) / (GetU16(last_atom, 2) == kTypeTextCharsAtom ? 2 : 1);
    } else {
      AppendU16(texts, 0);
      AppendU16(texts, kTypeTextBytesAtom);
      AppendU32(texts, 0);
    }
    // One paragraph run and one character run over the text and its end, as the master
    // styles it: a text without its style atom is not read.
    AppendU16(texts, 0);
    AppendU16(texts, kTypeStyleTextPropAtom);
    AppendU32(texts, 18);
    AppendU32(texts, characters + 1);
    AppendU16(texts, 0);  // indent level
    AppendU32(texts, 0);  // no paragraph property of its own
    AppendU32(texts, characters + 1);
    AppendU32(texts, 0);  // no character property of its own
  }
  return texts;
}

bool IsSlidesList(const RecordHeader& h) {
  return h.type == kTypeSlideListWithText && (h.version_instance >> 4) == 0;
}

// The Document container with its slides' list made of the given entries (each its atom
// and its texts, as they are); records of the list before its first entry are kept. A
// Document without a slides' list gets one after its masters' list (before its end
// when it has none). The lengths it changes are set.
std::vector<uint8_t> WithSlideList(std::span<const uint8_t> document,
                                   const std::vector<ListEntry>& entries) {
  bool has_list = false;
  for (size_t at = kHeader; std::optional<RecordHeader> h = HeaderAt(document, at);) {
    has_list = has_list || IsSlidesList(*h);
    at += kHeader + size_t{h->length};
  }
  std::vector<uint8_t> out(document.begin(), document.begin() + kHeader);
  bool written = false;
  const auto write_list = [&](std::span<const uint8_t> lead) {
    const size_t list_start = out.size();
    AppendU16(out, 0x000F);
    AppendU16(out, kTypeSlideListWithText);
    AppendU32(out, 0);
    Append(out, lead);
    for (const ListEntry& entry : entries) {
      Append(out, entry.atom);
      Append(out, entry.texts);
    }
    StoreU32(out.data() + list_start + kRecordLengthField,
             static_cast<uint32_t>(out.size() - list_start - kHeader));
    written = true;
  };
  const bool add_list = !has_list && !entries.empty();
  size_t at = kHeader;
  while (std::optional<RecordHeader> h = HeaderAt(document, at)) {
    const size_t next = at + kHeader + size_t{h->length};
    if (IsSlidesList(*h)) {
      // One list holds every entry: a second list of slides would repeat them.
      if (!written) {
        size_t p = at + kHeader;
        while (std::optional<RecordHeader> c = HeaderAt(document.first(next), p)) {
          if (c->type == kTypeSlidePersistAtom) break;
          p += kHeader + size_t{c->length};
        }
        write_list(document.subspan(at + kHeader, std::min(p, next) - at - kHeader));
      }
    } else {
      if (add_list && !written && h->type == kTypeEndDocument) write_list({});
      Append(out, document.subspan(at, next - at));
      if (add_list && !written && h->type == kTypeSlideListWithText &&
          (h->version_instance >> 4) == 1)
        write_list({});
    }
    at = next;
  }
  if (add_list && !written) write_list({});
  StoreU32(out.data() + kRecordLengthField, static_cast<uint32_t>(out.size() - kHeader));
  return out;
}

// The slide size the Document atom gives (the default when it is unreadable).
SlideSize SizeOf(std::span<const uint8_t> document) {
  const std::optional<RecordHeader> atom = HeaderAt(document, kHeader);
  SlideSize size;
  if (!atom || atom->type != kTypeDocumentAtom || atom->length < 8) return size;
  const auto width = static_cast<int32_t>(LoadU32(document.data() + 2 * kHeader));
  const auto height = static_cast<int32_t>(LoadU32(document.data() + 2 * kHeader + 4));
  if (width > 0 && height > 0) size = {width, height};
  return size;
}

// The master a damaged slide named in its slide atom, when that is still readable;
// otherwise the first master of the masters list (its slide id).
uint32_t MasterOf(std::span<const uint8_t> stream, std::optional<uint32_t> slide_at,
                  std::span<const uint8_t> document) {
  if (slide_at) {
    const std::optional<RecordHeader> atom = HeaderAt(stream, *slide_at + kHeader);
    if (atom && atom->type == kTypeSlideAtom && atom->length >= 24 &&
        stream.size() - *slide_at - 2 * kHeader >= 24)
      return LoadU32(stream.data() + *slide_at + 2 * kHeader + 12);
  }
  const std::vector<ListEntry> masters = ListEntries(document, 1);
  return masters.empty() ? 0 : masters.front().slide_id;
}

// Where the master of the given slide id places its title and body, read from its
// record when the masters' list and the persist map still find it.
MasterFrames FramesOf(std::span<const uint8_t> stream, const std::map<uint32_t, uint32_t>& offsets,
                      std::span<const uint8_t> document, uint32_t master_id) {
  for (const ListEntry& entry : ListEntries(document, 1)) {
    if (entry.slide_id != master_id) continue;
    const auto at = offsets.find(entry.persist_id);
    if (at == offsets.end()) return {};
    return FramesOfMaster(ContainerAt(stream, at->second, {kTypeMainMaster, kTypeSlide}));
  }
  return {};
}

constexpr size_t kSlidePersistAtomBody = 20;

// A whole slide of the persist directory that no list names, with the slide id it had
// and a slide persist atom for it.
struct UnlistedSlide {
  uint32_t persist_id = 0;
  uint32_t slide_id = 0;
  std::array<uint8_t, kHeader + kSlidePersistAtomBody> atom{};
};

// Whether the listed slide's record lies before stream offset at.
bool RecordBefore(const std::map<uint32_t, uint32_t>& offsets, const ListEntry& listed,
                  uint32_t at) {
  const auto found = offsets.find(listed.persist_id);
  return found != offsets.end() && found->second < at;
}

// Whether the records of the listed slides lie in the stream in the order of the list,
// as a save that wrote every slide writes them (an edit that rewrote one slide appends
// it after the others).
bool SlidesLieInListOrder(const std::vector<ListEntry>& entries,
                          const std::map<uint32_t, uint32_t>& offsets) {
  std::optional<uint32_t> previous;
  size_t mapped = 0;
  for (const ListEntry& entry : entries) {
    const auto found = offsets.find(entry.persist_id);
    if (found == offsets.end()) continue;
    if (previous && found->second <= *previous) return false;
    previous = found->second;
    ++mapped;
  }
  return mapped >= 2;
}

// The slide id a slide had, told by the notes page its slide atom names: that page's
// notes atom names the slide back. 0 when the notes do not tell.
uint32_t SlideIdByNotes(std::span<const uint8_t> stream, std::span<const uint8_t> slide,
                        const std::map<uint32_t, uint32_t>& offsets,
                        const std::vector<ListEntry>& notes) {
  const std::optional<RecordHeader> atom = HeaderAt(slide, kHeader);
  if (!atom || atom->type != kTypeSlideAtom || atom->length < 20) return 0;
  const uint32_t notes_id = LoadU32(slide.data() + 2 * kHeader + 16);
  if (notes_id == 0) return 0;
  for (const ListEntry& page : notes) {
    if (page.slide_id != notes_id) continue;
    const auto at = offsets.find(page.persist_id);
    if (at == offsets.end()) return 0;
    const std::optional<uint32_t> id = NotesSlideId(WholeRecordAt(stream, at->second));
    return id.value_or(0);
  }
  return 0;
}

// The whole slides the persist map holds that none of the Document's lists names, in id
// order, each with the slide id its notes tell or, failing that, one no slide uses. A
// slide an older version of the list named (listed_before) is not one of them: it was
// restored from there, or passed over as saved anew under another id.
std::vector<UnlistedSlide> UnlistedSlides(std::span<const uint8_t> stream,
                                          const std::map<uint32_t, uint32_t>& offsets,
                                          std::span<const uint8_t> document,
                                          const std::vector<ListEntry>& slides,
                                          const std::set<uint32_t>& listed_before) {
  std::set<uint32_t> listed = listed_before, slide_ids;
  uint32_t next_free_id = 256;  // where saved slides number their ids from
  for (uint16_t instance : {0, 1, 2})
    for (const ListEntry& entry : ListEntries(document, instance)) listed.insert(entry.persist_id);
  for (const ListEntry& entry : slides) {
    listed.insert(entry.persist_id);
    slide_ids.insert(entry.slide_id);
    if (entry.slide_id < 0x80000000u) next_free_id = std::max(next_free_id, entry.slide_id + 1);
  }
  const std::vector<ListEntry> notes = ListEntries(document, 2);
  std::vector<UnlistedSlide> unlisted;
  for (const auto& [id, offset] : offsets) {
    if (listed.count(id) > 0) continue;
    const std::span<const uint8_t> slide = WholeRecordAt(stream, offset);
    if (slide.empty() || GetU16(slide, 2) != kTypeSlide) continue;
    UnlistedSlide found;
    found.persist_id = id;
    found.slide_id = SlideIdByNotes(stream, slide, offsets, notes);
    if (found.slide_id == 0 || !slide_ids.insert(found.slide_id).second)
      found.slide_id = next_free_id++;
    slide_ids.insert(found.slide_id);
    uint8_t* p = found.atom.data();
    StoreU16(p, 0);
    StoreU16(p + 2, kTypeSlidePersistAtom);
    StoreU32(p + 4, static_cast<uint32_t>(kSlidePersistAtomBody));
    StoreU32(p + kHeader, id);
    StoreU32(p + kHeader + 12, found.slide_id);  // no flags, no texts
    unlisted.push_back(found);
  }
  return unlisted;
}

// The persist directories among the stream's top-level records that start before end.
std::vector<uint32_t> TopLevelDirectoriesBefore(std::span<const uint8_t> stream, uint32_t end) {
  std::vector<uint32_t> found;
  ForEachTopLevelRecord(stream, end, [&found](size_t at, const RecordHeader& h) {
    if (h.type == kTypePersistDirectoryAtom) found.push_back(static_cast<uint32_t>(at));
  });
  return found;
}

// The last whole Document container among the stream's top-level records; empty when none.
std::span<const uint8_t> NewestWholeDocument(std::span<const uint8_t> stream) {
  std::span<const uint8_t> newest;
  ForEachTopLevelRecord(stream, stream.size(), [&](size_t at, const RecordHeader& h) {
    if (h.type != kTypeDocument || ContainerAt(stream, at, {kTypeDocument}).empty()) return;
    const std::span<const uint8_t> whole = WholeRecordAt(stream, at);
    if (!whole.empty()) newest = whole;
  });
  return newest;
}

}  // namespace

namespace {

// A user edit of no older edit for the Document id; its directory offset and seed are
// set once the stream is laid out.
std::vector<uint8_t> UserEditFor(uint32_t document_id) {
  std::vector<uint8_t> edit;
  AppendU16(edit, 0);
  AppendU16(edit, kTypeUserEditAtom);
  AppendU32(edit, static_cast<uint32_t>(kUserEditBody));
  AppendU32(edit, 0);            // last slide viewed: none
  AppendU32(edit, 0x03000000u);  // version 0, minor 0, major 3
  AppendU32(edit, 0);            // no older edit
  AppendU32(edit, 0);            // persist directory, set later
  AppendU32(edit, document_id);
  AppendU32(edit, document_id + 1);  // persist id seed, raised later
  AppendU16(edit, 1);                // last view: slide view
  AppendU16(edit, 0);
  return edit;
}

}  // namespace

std::map<uint32_t, uint32_t> PersistOffsets(std::span<const uint8_t> stream, uint32_t newest_edit,
                                            std::map<uint32_t, uint32_t>* headless) {
  std::vector<uint32_t> directories;
  std::set<uint32_t> seen;
  uint32_t edit = newest_edit;
  uint32_t oldest_reached = newest_edit;
  uint32_t seed = 0;  // the edits give no id above their persist id seed
  bool whole_chain = false;
  while (seen.size() < kEditsFollowed && seen.insert(edit).second) {
    const std::optional<RecordHeader> h = HeaderAt(stream, edit);
    if (!h || h->type != kTypeUserEditAtom || h->length < kUserEditBody ||
        stream.size() - edit - kHeader < h->length)
      break;
    oldest_reached = edit;
    const uint8_t* body = stream.data() + edit + kHeader;
    directories.push_back(LoadU32(body + 12));
    seed = std::max(seed, LoadU32(body + 20));
    const uint32_t previous = LoadU32(body + 8);
    whole_chain = previous == 0;
    if (previous == 0 || previous >= edit) break;  // edits only point back
    edit = previous;
  }
  std::map<uint32_t, uint32_t> map;
  // A chain broken by a damaged edit: the directories of the older saves still lie before
  // it, in the order the saves wrote them, and each maps what its save wrote.
  if (!whole_chain)
    for (uint32_t directory : TopLevelDirectoriesBefore(stream, oldest_reached))
      ReadDirectory(stream, directory, map, headless);
  for (auto d = directories.rbegin(); d != directories.rend(); ++d)
    ReadDirectory(stream, *d, map, headless);
  // An id above the seed (the highest a save gave) is noise in a damaged directory.
  const auto above_seed = [seed](const auto& entry) { return seed > 0 && entry.first > seed; };
  std::erase_if(map, above_seed);
  if (headless != nullptr) {
    std::erase_if(*headless, above_seed);
    std::erase_if(*headless, [&map](const auto& entry) { return map.count(entry.first) > 0; });
    // An offset inside a record the directory maps is noise in the directory.
    std::erase_if(*headless, [&](const auto& entry) {
      return std::any_of(map.begin(), map.end(), [&](const auto& mapped) {
        const std::optional<RecordHeader> h = HeaderAt(stream, mapped.second);
        return h && entry.second > mapped.second &&
               entry.second - mapped.second < kHeader + uint64_t{h->length};
      });
    });
  }
  return map;
}

std::optional<OwnRecordsStream> BuildOwnRecordsStream(std::span<const uint8_t> stream,
                                                      std::optional<uint32_t> newest_edit,
                                                      std::string* why) {
  if (!newest_edit) newest_edit = LastTopLevelUserEdit(stream);
  const std::optional<RecordHeader> edit_header =
      newest_edit ? HeaderAt(stream, *newest_edit) : std::nullopt;
  const bool edit_found = edit_header && edit_header->type == kTypeUserEditAtom &&
                          edit_header->length >= kUserEditBody &&
                          stream.size() - *newest_edit - kHeader >= edit_header->length;
  std::map<uint32_t, uint32_t> offsets;
  std::map<uint32_t, uint32_t> headless;  // where records whose headers are lost lay
  uint32_t document_id = 0;
  std::vector<uint8_t> edit;
  std::optional<SalvagedDocument> inferred_document;  // the ids' own salvaged Document
  if (edit_found) {
    offsets = PersistOffsets(stream, *newest_edit, &headless);
    document_id = LoadU32(stream.data() + *newest_edit + kHeader + 16);
    const auto bytes = stream.subspan(*newest_edit, kHeader + size_t{edit_header->length});
    edit.assign(bytes.begin(), bytes.end());
  }
  // An edit whose directories do not reach the Document tells nothing more than none.
  const bool ids_inferred = !edit_found || offsets.count(document_id) == 0;
  if (ids_inferred) {
    std::optional<InferredPersistIds> inferred = InferPersistIds(stream);
    if (!inferred) {
      *why = "no user edit found, and the records do not tell their persist ids";
      return std::nullopt;
    }
    offsets = std::move(inferred->offsets);
    document_id = inferred->document_id;
    edit = UserEditFor(document_id);
    if (!inferred->salvaged_document.empty())
      inferred_document = SalvagedDocument{
          std::move(inferred->salvaged_document), inferred->slide_list_damaged, false, {}, {}};
  }
  // A persist directory names ids of 20 bits; a larger one is noise and cannot be written.
  std::erase_if(offsets, [](const auto& entry) { return !IsPersistId(entry.first); });
  const auto document_entry = offsets.find(document_id);
  std::span<const uint8_t> document = document_entry == offsets.end()
                                          ? std::span<const uint8_t>{}
                                          : WholeRecordAt(stream, document_entry->second);
  // A damaged Document keeps its own whole records: most of its slide list survives a
  // destroyed sector.
  std::optional<SalvagedDocument> salvaged = std::move(inferred_document);
  if (salvaged) document = salvaged->bytes;
  if (document.empty() && document_entry != offsets.end()) {
    const std::span<const uint8_t> damaged =
        ContainerAt(stream, document_entry->second, {kTypeDocument});
    if (!damaged.empty()) salvaged = SalvageDocument(damaged);
    if (salvaged) document = salvaged->bytes;
  }
  // A Document lost with its header: the newest older version that survived lists the
  // slides of its save, each in its newest version. Slides added after it stay out: an
  // unlisted slide may as well have been deleted.
  bool older_document = false;
  if (document.empty() && !ids_inferred) {
    document = NewestWholeDocument(stream);
    older_document = !document.empty();
  }
  // The newest directory named the Document where none is left: an older one mapped it.
  if (!ids_inferred && !older_document && document_entry != offsets.end()) {
    const std::optional<uint32_t> named =
        NamedOffset(stream, LoadU32(edit.data() + kHeader + 12), document_id);
    older_document = named && *named != document_entry->second;
  }
  // A record of the Document's type that is no container holds no children to read.
  if (document.empty() || GetU16(document, 2) != kTypeDocument ||
      (GetU16(document, 0) & 0xF) != 0xF) {
    *why = "the Document container is not whole";
    return std::nullopt;
  }

  OwnRecordsStream result;
  result.persist_ids_inferred = ids_inferred;
  result.document_salvaged = salvaged.has_value();
  result.older_document = older_document;
  std::vector<ListEntry> entries = ListEntries(document, 0);
  // The older versions of the Document each lost other parts to the damage, if any: the
  // entries this list lost come back from them, the newest first.
  std::vector<DocumentVersion> versions;
  if (!ids_inferred) versions = DocumentVersions(stream);
  if (!ids_inferred && salvaged && salvaged->slide_list_damaged) {
    std::vector<std::vector<ListEntry>> older;
    std::vector<std::vector<uint32_t>> older_cut;
    for (size_t v = versions.size(); v-- > 0;)
      if (versions[v].offset != document_entry->second &&
          versions[v].end <= document_entry->second) {
        older.push_back(SlideEntriesOf(versions[v]));
        older_cut.push_back(versions[v].entries_cut);
      }
    entries = WithLostEntriesRestored(std::move(entries), older, &result.slides_restored);
    // Texts a run of noise cut short come whole from an older version that wrote them
    // the same.
    entries = WithCutTextsRestored(std::move(entries), salvaged->entries_cut, older, older_cut,
                                   &result.slide_texts_restored);
  }
  // A damaged list that lost entries among the orphans, and older lists could not make
  // whole, names fewer ids than the records to pair, and nothing is paired.
  if (!ids_inferred)
    result.slides_paired_by_order = PairOrphanSlides(stream, offsets, entries, versions);
  // The slides whose entries the damage took come back in the list, without their texts.
  std::vector<UnlistedSlide> unlisted;
  if (salvaged && salvaged->slide_list_damaged) {
    std::set<uint32_t> listed_before;
    for (const DocumentVersion& version : versions)
      for (const ListEntry& entry : SlideEntriesOf(version)) listed_before.insert(entry.persist_id);
    unlisted = UnlistedSlides(stream, offsets, document, entries, listed_before);
  }
  const bool listed_in_stream_order = SlidesLieInListOrder(entries, offsets);
  for (const UnlistedSlide& slide : unlisted) {
    auto place = entries.end();
    if (listed_in_stream_order) {
      // A save that wrote the slides in the order of its list: the lost entry goes after
      // the listed slide whose record lies before its own.
      const uint32_t at = offsets.at(slide.persist_id);
      while (place != entries.begin() && !RecordBefore(offsets, *std::prev(place), at)) --place;
    } else {
      // Slides take persist ids in the order they are made: the lost entry goes after the
      // last listed slide of a lower id.
      while (place != entries.begin() && std::prev(place)->persist_id > slide.persist_id) --place;
    }
    entries.insert(place, ListEntry{slide.persist_id, slide.slide_id, slide.atom, {}});
    result.slides_relisted.push_back(slide.persist_id);
  }
  // A relisted slide lost its list texts with its entry; the end of its last text, read
  // after the damage right before the next entry, comes back on it.
  constexpr uint32_t kMostTexts = 64;
  std::deque<std::vector<uint8_t>> tail_texts;  // the entries' texts point into these
  if (salvaged)
    for (const SalvagedDocument::TextTail& tail : salvaged->text_tails) {
      const auto next = std::find_if(entries.begin(), entries.end(), [&](const ListEntry& e) {
        return e.persist_id == tail.next_persist_id;
      });
      if (next == entries.begin() || next == entries.end()) continue;
      ListEntry& owner = *std::prev(next);
      const auto record = offsets.find(owner.persist_id);
      if (!owner.texts.empty() || record == offsets.end() ||
          std::find(result.slides_relisted.begin(), result.slides_relisted.end(),
                    owner.persist_id) == result.slides_relisted.end())
        continue;
      const std::optional<uint32_t> highest =
          HighestTextReference(WholeRecordAt(stream, record->second));
      if (highest && *highest >= kMostTexts) continue;
      owner.texts = tail_texts.emplace_back(TextsEndingWith(highest.value_or(0), tail.atom));
      // The entry's atom counts the texts that follow it.
      std::vector<uint8_t>& atom = tail_texts.emplace_back(owner.atom.begin(), owner.atom.end());
      if (atom.size() >= kHeader + 12) PutU32(atom, kHeader + 8, highest.value_or(0) + 1);
      owner.atom = atom;
      result.slide_text_tails.push_back(owner.persist_id);
    }
  std::set<uint32_t> dropped;
  std::map<uint32_t, std::vector<uint8_t>> stand_ins;
  const SlideSize size = SizeOf(document);
  for (const ListEntry& listed : entries) {
    const uint32_t id = listed.persist_id;
    if (!IsPersistId(id)) {
      dropped.insert(id);
      result.slides_left_out.push_back(id);
      continue;
    }
    const auto entry = offsets.find(id);
    const std::span<const uint8_t> slide =
        entry == offsets.end() ? std::span<const uint8_t>{} : WholeRecordAt(stream, entry->second);
    if (!slide.empty() && GetU16(slide, 2) == kTypeSlide) {
      result.slides_kept.push_back(id);
      continue;
    }
    // A damaged slide that still draws shapes keeps its whole records: its placeholders
    // take their texts from the slide list as before, the texts of lost ones come as boxes.
    if (entry != offsets.end()) {
      std::vector<uint8_t> trimmed = SlideAroundItsDamage(stream, entry->second);
      if (DrawsShapes(trimmed)) {
        stand_ins[id] = WithMissingListTexts(
            trimmed, listed.texts, size,
            FramesOf(stream, offsets, document, MasterOf(stream, entry->second, document)));
        result.slides_trimmed.push_back(id);
        continue;
      }
    }
    // A damaged slide whose texts are in the slide list comes back with them alone.
    const uint32_t master = MasterOf(
        stream, entry == offsets.end() ? std::nullopt : std::optional(entry->second), document);
    // Drawing ids from the top of their range, which saved drawings number from 1 up.
    const auto drawing = static_cast<uint32_t>(kLastDrawingId - result.slides_stood_in.size());
    std::vector<uint8_t> stand_in = StandInSlide(listed.texts, size, master, drawing,
                                                 FramesOf(stream, offsets, document, master));
    // The tables, pictures and boxes of its drawing the noise left whole stand with them.
    if (const auto lay = headless.find(id); !stand_in.empty() && lay != headless.end())
      stand_in = WithShapesAdded(
          stand_in,
          LooseSlideShapes(stream, lay->second, RecordAfter(offsets, lay->second, stream.size())));
    if (!stand_in.empty()) {
      stand_ins[id] = std::move(stand_in);
      result.slides_stood_in.push_back(id);
      continue;
    }
    dropped.insert(id);
    result.slides_left_out.push_back(id);
  }
  std::erase_if(entries,
                [&dropped](const ListEntry& e) { return dropped.count(e.persist_id) > 0; });

  // The Document first, then every other whole persisted record in id order.
  const std::vector<uint8_t> new_document = WithSlideList(document, entries);
  result.persist_offsets[document_id] = 0;
  Append(result.bytes, new_document);
  for (const auto& [id, bytes] : stand_ins) {
    result.persist_offsets[id] = static_cast<uint32_t>(result.bytes.size());
    Append(result.bytes, bytes);
  }
  for (const auto& [id, offset] : offsets) {
    if (id == document_id || dropped.count(id) > 0 || stand_ins.count(id) > 0) continue;
    // Only a record of a persisted kind: an id a damaged directory made up may point at
    // some whole record inside another one.
    const std::span<const uint8_t> record = WholeRecordAt(stream, offset);
    if (!record.empty() && !IsPersistedObjectType(GetU16(record, 2))) continue;
    if (!record.empty()) {
      result.persist_offsets[id] = static_cast<uint32_t>(result.bytes.size());
      Append(result.bytes, record);
      continue;
    }
    // A damaged master, notes page or handout keeps its whole children: the slides that
    // use it keep their background, colours and styles.
    const std::span<const uint8_t> damaged =
        ContainerAt(stream, offset, {kTypeMainMaster, kTypeNotes, kTypeHandout});
    if (damaged.empty()) continue;
    result.persist_offsets[id] = static_cast<uint32_t>(result.bytes.size());
    Append(result.bytes, TrimToWellFormed(damaged));
    result.records_trimmed.push_back(id);
  }

  const auto directory_offset = static_cast<uint32_t>(result.bytes.size());
  Append(result.bytes, DirectoryFor(result.persist_offsets));
  result.user_edit_offset = static_cast<uint32_t>(result.bytes.size());
  const size_t edit_at = result.bytes.size();
  Append(result.bytes, edit);
  uint8_t* body = result.bytes.data() + edit_at + kHeader;
  StoreU32(body + 8, 0);  // no older edit
  StoreU32(body + 12, directory_offset);
  const uint32_t seed = result.persist_offsets.empty() ? 1 : result.persist_offsets.rbegin()->first;
  if (LoadU32(body + 20) <= seed) StoreU32(body + 20, seed + 1);
  return result;
}

}  // namespace vlx
