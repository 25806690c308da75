#include "engine/rebuild/slide_list_versions.h"

#include <algorithm>
#include <iterator>
#include <list>
#include <map>
#include <optional>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/document_salvage.h"
#include "engine/rebuild/stream_records.h"

namespace vlx {

std::vector<DocumentVersion> DocumentVersions(std::span<const uint8_t> stream) {
  std::vector<DocumentVersion> versions;
  const auto add = [&](size_t at) {
    DocumentVersion version;
    version.offset = at;
    version.end = at + records::kHeader + size_t{GetU32(stream, at + 4)};
    if (records::ContainerAt(stream, at, {kTypeDocument}).empty()) return false;
    const std::span<const uint8_t> whole = records::WholeRecordAt(stream, at);
    if (!whole.empty()) {
      version.bytes.assign(whole.begin(), whole.end());
    } else {
      const std::span<const uint8_t> damaged = records::ContainerAt(stream, at, {kTypeDocument});
      if (damaged.empty()) return false;
      std::optional<SalvagedDocument> salvaged = SalvageDocument(damaged);
      if (!salvaged) return false;
      version.bytes = std::move(salvaged->bytes);
      version.slide_list_damaged = salvaged->slide_list_damaged;
      version.entries_cut = std::move(salvaged->entries_cut);
    }
    versions.push_back(std::move(version));
    return true;
  };
  records::ForEachTopLevelRecord(
      stream, stream.size(),
      [&](size_t at, const RecordHeader& h) {
        if (h.type == kTypeDocument) add(at);
      },
      // The walk resumes after noise at a whole record only: a damaged Document in the
      // noise is looked for by its header.
      [&](size_t from, size_t to) {
        for (size_t at = from; at < to && stream.size() - at >= records::kHeader; ++at)
          if (GetU16(stream, at + 2) == kTypeDocument &&
              GetU16(stream, at + records::kHeader + 2) == kTypeDocumentAtom && add(at))
            at = versions.back().end - 1;
      });
  return versions;
}

std::vector<ListEntry> SlideEntriesOf(const DocumentVersion& version) {
  return ListEntries(version.bytes, 0);
}

std::vector<ListEntry> WithLostEntriesRestored(std::vector<ListEntry> damaged,
                                               std::span<const std::vector<ListEntry>> others,
                                               std::vector<uint32_t>* restored) {
  // A linked list keeps each entry's place while others go in before it.
  std::list<ListEntry> merged(damaged.begin(), damaged.end());
  std::map<uint32_t, std::list<ListEntry>::iterator> by_id;
  std::map<uint32_t, std::list<ListEntry>::iterator> by_slide_id;
  for (auto it = merged.begin(); it != merged.end(); ++it) {
    by_id.emplace(it->persist_id, it);
    if (it->slide_id != 0) by_slide_id.emplace(it->slide_id, it);
  }
  std::set<uint32_t> taken;
  for (const std::vector<ListEntry>& other : others) {
    auto insert_before = merged.begin();
    for (const ListEntry& entry : other) {
      // The same entry, or the same slide saved anew: what follows goes after it.
      std::optional<std::list<ListEntry>::iterator> same;
      if (const auto by = by_id.find(entry.persist_id); by != by_id.end()) same = by->second;
      if (const auto by = by_slide_id.find(entry.slide_id);
          !same && entry.slide_id != 0 && by != by_slide_id.end())
        same = by->second;
      if (same) {
        insert_before = std::next(*same);
        continue;
      }
      if (entry.persist_id == 0) continue;
      const auto placed = merged.insert(insert_before, entry);
      by_id.emplace(entry.persist_id, placed);
      if (entry.slide_id != 0) by_slide_id.emplace(entry.slide_id, placed);
      taken.insert(entry.persist_id);
    }
  }
  if (restored) restored->clear();
  std::vector<ListEntry> result;
  result.reserve(merged.size());
  for (const ListEntry& entry : merged) {
    if (restored && taken.count(entry.persist_id) > 0) restored->push_back(entry.persist_id);
    result.push_back(entry);
  }
  return result;
}

namespace {

// The records of a run of text records, each whole (a record reaching past the run's end
// is its last, cut short).
std::vector<std::span<const uint8_t>> TextRecords(std::span<const uint8_t> texts) {
  std::vector<std::span<const uint8_t>> records;
  for (size_t at = 0; texts.size() - at >= 8;) {
    const size_t length = LoadU32(texts.data() + at + 4);
    const size_t take = std::min(texts.size() - at, 8 + length);
    records.push_back(texts.subspan(at, take));
    at += take;
  }
  return records;
}

// Whether the whole texts begin as the cut ones do: every record kept the same, the last
// one with the same header but other bytes (the noise in it). Where the cut ones end with
// a whole record, the noise took what came after, which may as well have been deleted.
bool BeginAsCut(std::span<const uint8_t> cut, std::span<const uint8_t> whole) {
  const std::vector<std::span<const uint8_t>> kept = TextRecords(cut);
  const std::vector<std::span<const uint8_t>> full = TextRecords(whole);
  if (kept.empty() || full.size() < kept.size()) return false;
  for (size_t i = 0; i + 1 < kept.size(); ++i)
    if (!std::ranges::equal(kept[i], full[i])) return false;
  const std::span<const uint8_t> last = kept.back();
  const std::span<const uint8_t> same = full[kept.size() - 1];
  return last.size() >= 8 && same.size() >= 8 && std::ranges::equal(last.first(8), same.first(8)) &&
         !std::ranges::equal(last, same);
}

}  // namespace

std::vector<ListEntry> WithCutTextsRestored(std::vector<ListEntry> damaged,
                                            std::span<const uint32_t> cut,
                                            std::span<const std::vector<ListEntry>> others,
                                            std::span<const std::vector<uint32_t>> others_cut,
                                            std::vector<uint32_t>* restored) {
  if (restored) restored->clear();
  for (ListEntry& entry : damaged) {
    if (std::find(cut.begin(), cut.end(), entry.persist_id) == cut.end()) continue;
    for (size_t v = 0; v < others.size(); ++v) {
      const std::vector<ListEntry>& other = others[v];
      const auto same = std::find_if(other.begin(), other.end(), [&](const ListEntry& o) {
        return o.persist_id == entry.persist_id && o.slide_id == entry.slide_id;
      });
      if (same == other.end()) continue;
      // A version whose own copy the noise cut too holds no more of it.
      if (v < others_cut.size() &&
          std::ranges::find(others_cut[v], entry.persist_id) != others_cut[v].end())
        continue;
      if (BeginAsCut(entry.texts, same->texts)) {
        entry.texts = same->texts;
        if (restored) restored->push_back(entry.persist_id);
      }
      break;  // the most trusted version that has the entry decides
    }
  }
  return damaged;
}

}  // namespace vlx
