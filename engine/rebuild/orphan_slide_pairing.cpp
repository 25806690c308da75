#include "engine/rebuild/orphan_slide_pairing.h"

#include <algorithm>
#include <optional>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/stream_records.h"

namespace vlx {
namespace {

using records::ContainerAt;
using records::DrawingIdOf;
using records::HeaderAt;
using records::IsTopLevelKind;
using records::kHeader;
using records::kTitleMasterLayout;
using records::NextTopLevelRecord;
using records::NotesSlideId;
using records::WholeRecordAt;

// The saves that wrote slides tried, the newest first, and the other versions of the
// list a damaged one is restored from: a file saved that often is not one whose slides
// a single lost directory leaves unmapped, and the work stays linear in the stream.
constexpr size_t kSavesTried = 64;
constexpr size_t kVersionsRestoringFrom = 8;

// One kind of record a save wrote, in stream order: nullopt where noise between two
// records of the kind took one.
struct Units {
  std::vector<std::optional<uint32_t>> records;
  void Add(size_t at, bool noise_before) {
    if (noise_before) records.push_back(std::nullopt);
    records.push_back(static_cast<uint32_t>(at));
  }
};

// The records one save wrote, by kind.
struct SavedRun {
  size_t begin = 0, end = 0;       // the stream range of the save's records
  std::optional<size_t> document;  // index of the version that opened it
  Units slides, masters, notes, notes_masters, handouts;
};

bool TitleLayout(std::span<const uint8_t> stream, size_t at) {
  const std::optional<RecordHeader> atom = HeaderAt(stream, at + kHeader);
  return atom && atom->type == kTypeSlideAtom && atom->length >= 4 &&
         stream.size() - at - 2 * kHeader >= 4 &&
         LoadU32(stream.data() + at + 2 * kHeader) == kTitleMasterLayout;
}

std::vector<SavedRun> SavedRuns(std::span<const uint8_t> stream,
                                const std::vector<DocumentVersion>& versions) {
  std::vector<SavedRun> runs(1);
  size_t next_version = 0;  // versions lie in stream order
  bool noise = false;       // since the last record
  uint16_t previous = 0;    // the kind of the last record read, title masters as masters
  const auto close = [&](size_t at) {
    runs.back().end = at;
    runs.emplace_back();
    runs.back().begin = at;
    previous = 0;
    noise = false;
  };
  records::ForEachTopLevelRecord(
      stream, stream.size(),
      [&](size_t at, const RecordHeader& h) {
        SavedRun& run = runs.back();
        uint16_t kind = h.type;
        if (kind == kTypeSlide && previous == kTypeMainMaster && TitleLayout(stream, at))
          kind = kTypeMainMaster;  // a title master, saved right after its main master
        const bool noise_between = noise && previous == kind;
        switch (kind) {
          case kTypeDocument:
            close(at);
            while (next_version < versions.size() && versions[next_version].offset < at)
              ++next_version;
            if (next_version < versions.size() && versions[next_version].offset == at)
              runs.back().document = next_version++;
            break;
          case kTypeSlide:
            run.slides.Add(at, noise_between);
            break;
          case kTypeMainMaster:
            run.masters.Add(at, noise_between);
            break;
          case kTypeNotes: {
            // The notes master belongs to no slide: 0, or a master's id (high bit set).
            const std::optional<uint32_t> slide = NotesSlideId(stream, at);
            if (slide && (*slide == 0 || *slide >= 0x80000000u))
              run.notes_masters.Add(at, false);
            else
              run.notes.Add(at, noise_between);
            break;
          }
          case kTypeHandout:
            run.handouts.Add(at, false);
            break;
          default:
            break;
        }
        previous = kind;
        noise = false;
        if (h.type == kTypeUserEditAtom) close(at + kHeader + size_t{h.length});
      },
      [&](size_t from, size_t to) {
        // A save ends with its persist directory and its edit: noise right after the
        // directory took the edit, and what follows it is a later save's.
        if (previous == kTypePersistDirectoryAtom) close(from);
        noise = true;
        // A damaged Document the walk stepped over opens a save of its own.
        while (next_version < versions.size() && versions[next_version].offset < from)
          ++next_version;
        for (; next_version < versions.size() && versions[next_version].offset < to;
             ++next_version) {
          close(versions[next_version].offset);
          runs.back().document = next_version;
        }
      });
  runs.back().end = stream.size();
  return runs;
}

// The pairs of the ids with the save's records of one kind, when they agree in number
// and with every offset the map gives; nullopt otherwise.
std::optional<std::vector<std::pair<uint32_t, uint32_t>>> PairsOf(
    const SavedRun& run, const Units& units, const std::vector<uint32_t>& ids,
    const std::map<uint32_t, uint32_t>& offsets, const std::map<uint32_t, uint32_t>& ids_at) {
  if (units.records.size() != ids.size()) return std::nullopt;
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  for (size_t i = 0; i < ids.size(); ++i) {
    const auto mapped = offsets.find(ids[i]);
    const bool mapped_here =
        mapped != offsets.end() && mapped->second >= run.begin && mapped->second < run.end;
    if (mapped_here && units.records[i] != mapped->second) return std::nullopt;
    if (!units.records[i]) continue;
    const auto named = ids_at.find(*units.records[i]);
    if (named != ids_at.end() && named->second != ids[i]) return std::nullopt;
    if (mapped == offsets.end()) pairs.emplace_back(ids[i], *units.records[i]);
  }
  return pairs;
}

std::vector<uint32_t> IdsOf(const std::vector<ListEntry>& entries) {
  std::vector<uint32_t> ids;
  for (const ListEntry& entry : entries) ids.push_back(entry.persist_id);
  return ids;
}

// The notes master's and the handout's ids, from the Document atom.
std::pair<std::vector<uint32_t>, std::vector<uint32_t>> AtomIds(std::span<const uint8_t> document) {
  const std::optional<RecordHeader> atom = HeaderAt(document, kHeader);
  if (!atom || atom->type != kTypeDocumentAtom || atom->length < 32) return {};
  const auto one = [](uint32_t id) { return id == 0 ? std::vector<uint32_t>{} : std::vector{id}; };
  return {one(GetU32(document, 2 * kHeader + 24)), one(GetU32(document, 2 * kHeader + 28))};
}

std::vector<uint32_t> PairBySave(std::span<const uint8_t> stream,
                                 std::map<uint32_t, uint32_t>& offsets,
                                 const std::vector<ListEntry>& slides,
                                 const std::vector<DocumentVersion>& versions) {
  std::vector<std::vector<ListEntry>> lists;
  for (const DocumentVersion& version : versions) lists.push_back(SlideEntriesOf(version));
  std::set<uint32_t> listed;
  for (const ListEntry& entry : slides) listed.insert(entry.persist_id);
  std::set<uint32_t> paired_ids;
  std::map<uint32_t, uint32_t> ids_at;  // record offset -> the id that maps it
  for (const auto& [id, offset] : offsets) ids_at.emplace(offset, id);
  const auto pair = [&](uint32_t id, uint32_t record) {
    offsets[id] = record;
    ids_at[record] = id;
  };
  const std::vector<SavedRun> runs = SavedRuns(stream, versions);
  size_t tried = 0;
  for (auto run = runs.rbegin(); run != runs.rend() && tried < kSavesTried; ++run) {
    if (run->slides.records.empty()) continue;
    ++tried;
    const std::vector<ListEntry>* list = &slides;
    std::vector<ListEntry> restored;
    std::span<const uint8_t> document;
    if (run->document) {
      const size_t own = *run->document;
      document = versions[own].bytes;
      list = &lists[own];
      if (versions[own].slide_list_damaged) {
        std::vector<std::vector<ListEntry>> others;  // the newest first
        others.push_back(slides);
        for (size_t v = versions.size(); v-- > 0 && others.size() <= kVersionsRestoringFrom;)
          if (v != own) others.push_back(lists[v]);
        restored = WithLostEntriesRestored(lists[own], others, nullptr);
        list = &restored;
      }
    }
    if (run->slides.records.size() != list->size()) continue;
    const auto slide_pairs = PairsOf(*run, run->slides, IdsOf(*list), offsets, ids_at);
    if (!slide_pairs) continue;
    for (const auto& [id, slide] : *slide_pairs) {
      if (listed.count(id) == 0) continue;  // a slide the newest list no longer has
      pair(id, slide);
      paired_ids.insert(id);
    }
    // The save's own Document names its masters, notes pages, notes master and handout.
    if (document.empty()) continue;
    const auto [notes_master, handout] = AtomIds(document);
    const std::pair<const Units*, std::vector<uint32_t>> kinds[] = {
        {&run->masters, IdsOf(ListEntries(document, 1))},
        {&run->notes, IdsOf(ListEntries(document, 2))},
        {&run->notes_masters, notes_master},
        {&run->handouts, handout}};
    for (const auto& [units, ids] : kinds)
      if (const auto pairs = PairsOf(*run, *units, ids, offsets, ids_at))
        for (const auto& [id, record] : *pairs) pair(id, record);
  }
  std::vector<uint32_t> paired;
  for (const ListEntry& entry : slides)
    if (paired_ids.count(entry.persist_id) > 0) paired.push_back(entry.persist_id);
  return paired;
}

std::vector<uint32_t> PairByDrawingAndCount(std::span<const uint8_t> stream,
                                            std::map<uint32_t, uint32_t>& offsets,
                                            const std::vector<ListEntry>& slides) {
  std::vector<uint32_t> orphans;
  for (const ListEntry& entry : slides)
    if (offsets.count(entry.persist_id) == 0) orphans.push_back(entry.persist_id);
  if (orphans.empty()) return {};
  std::set<uint32_t> mapped;
  std::set<uint16_t> mapped_drawings;
  for (const auto& [id, offset] : offsets) {
    mapped.insert(offset);
    const std::span<const uint8_t> record = WholeRecordAt(stream, offset);
    if (!record.empty() && GetU16(record, 2) == kTypeSlide)
      if (const std::optional<uint16_t> drawing = DrawingIdOf(record))
        mapped_drawings.insert(*drawing);
  }
  std::vector<std::optional<uint32_t>> unmapped;  // in stream order; nullopt: a lost slide
  bool noise = false;                             // noise after the unmapped slides found so far
  bool noise_by_slide = true;  // ... and the records on both sides of it are slides
  uint16_t previous = 0;       // the type of the last record read whole
  for (size_t at = 0; stream.size() - at >= kHeader && at <= 0xFFFFFFFFu;) {
    const std::optional<RecordHeader> h = HeaderAt(stream, at);
    if (h->type == 0) break;  // where the stream's end was lost
    if (stream.size() - at - kHeader < h->length || !IsTopLevelKind(h->type)) {
      if (!unmapped.empty() && !noise) {
        noise = true;
        noise_by_slide = previous == kTypeSlide;
      }
      at = NextTopLevelRecord(stream, at + 1);
      continue;
    }
    if (noise && h->type != kTypeSlide) noise_by_slide = false;
    if (h->type == kTypeSlide && mapped.count(static_cast<uint32_t>(at)) == 0) {
      // A damaged slide keeps its place in the order, and is paired to be kept in part.
      const std::optional<uint16_t> drawing = DrawingIdOf(ContainerAt(stream, at, {kTypeSlide}));
      if (!drawing || mapped_drawings.count(*drawing) == 0) {
        if (noise) {
          if (!noise_by_slide) return {};
          unmapped.push_back(std::nullopt);
          noise = false;
        }
        unmapped.push_back(static_cast<uint32_t>(at));
      }
    }
    previous = h->type;
    at += kHeader + size_t{h->length};
  }
  if (unmapped.size() != orphans.size()) return {};
  std::vector<uint32_t> paired;
  for (size_t i = 0; i < orphans.size(); ++i) {
    if (!unmapped[i]) continue;
    offsets[orphans[i]] = *unmapped[i];
    paired.push_back(orphans[i]);
  }
  return paired;
}

}  // namespace

std::vector<uint32_t> PairOrphanSlides(std::span<const uint8_t> stream,
                                       std::map<uint32_t, uint32_t>& offsets,
                                       const std::vector<ListEntry>& slides,
                                       const std::vector<DocumentVersion>& versions) {
  const bool orphans = std::any_of(slides.begin(), slides.end(), [&offsets](const ListEntry& e) {
    return offsets.count(e.persist_id) == 0;
  });
  if (!orphans) return {};
  std::vector<uint32_t> paired = PairBySave(stream, offsets, slides, versions);
  if (!paired.empty()) return paired;
  return PairByDrawingAndCount(stream, offsets, slides);
}

}  // namespace vlx
