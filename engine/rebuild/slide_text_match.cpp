#include "engine/rebuild/slide_text_match.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/record_copy.h"

namespace vlx {
namespace {

constexpr uint32_t kDocumentPersistId = 1;
constexpr size_t kSlideAtomEnd = 40;  // Slide header + SlideAtom before the drawing
constexpr uint32_t kLargestDirectory = 1 << 20;
constexpr size_t kScanChunk = 1 << 20;

// Calls found(offset) for every position where the 4 bytes of pattern begin.
template <typename Found>
void ScanFor(DamagedFile& file, const uint8_t (&pattern)[4], Found found) {
  const uint64_t length = file.GetLength();
  std::vector<uint8_t> chunk(kScanChunk + 3);
  for (uint64_t at = 0; at + 4 <= length; at += kScanChunk) {
    const size_t got = file.ReadAt(at, chunk.data(), chunk.size());
    for (size_t i = 0; i + 4 <= got; ++i) {
      if (std::memcmp(chunk.data() + i, pattern, 4) == 0 && i < kScanChunk) found(at + i);
    }
  }
}

}  // namespace

SlideTextMatcher::SlideTextMatcher(DamagedFile& file, const FoundRecordList& slide_lists)
    : file_(file) {
  ReadSlideLists(slide_lists);
  if (entries_.empty()) return;
  ReadPersistDirectories();
  FindDocumentContainers();
}

void SlideTextMatcher::ReadSlideLists(const FoundRecordList& slide_lists) {
  for (const FoundRecord& list : slide_lists) {
    const std::vector<uint8_t> bytes = ReadChosenRecord(file_, static_cast<uint64_t>(list.offset),
                                                        static_cast<uint64_t>(list.total_length()));
    if (bytes.size() < 8 || (GetU16(bytes, 0) >> 4) != 0)
      continue;  // slides only, not masters or notes
    const size_t end = std::min<size_t>(bytes.size(), 8 + size_t{GetU32(bytes, 4)});
    SlideEntryTexts* current = nullptr;
    size_t position = 0;
    for (size_t at = 8; at + 8 <= end;) {
      const uint16_t type = GetU16(bytes, at + 2);
      const size_t next = at + 8 + size_t{GetU32(bytes, at + 4)};
      if (next > end) break;
      if (type == kTypeSlidePersistAtom && next - at >= 8 + 8) {
        positions_[GetU32(bytes, at + 8)] = position++;
        current = &entries_[GetU32(bytes, at + 8)];
        *current = SlideEntryTexts{{}, static_cast<int32_t>(GetU32(bytes, at + 16))};
      } else if (current != nullptr) {
        current->records.insert(current->records.end(),
                                bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                bytes.begin() + static_cast<std::ptrdiff_t>(next));
      }
      at = next;
    }
  }
}

void SlideTextMatcher::ReadPersistDirectories() {
  const uint8_t pattern[4] = {0x00, 0x00, 0x72, 0x17};
  std::vector<uint64_t> found;
  ScanFor(file_, pattern, [&](uint64_t at) { found.push_back(at); });
  for (uint64_t at : found) {
    uint8_t header[8];
    if (file_.ReadAt(at, header, 8) != 8) continue;
    const uint32_t length = GetU32(header, 4);
    if (length < 8 || length % 4 != 0 || length > kLargestDirectory) continue;
    const std::vector<uint8_t> body = ReadChosenRecord(file_, at + 8, length);
    if (body.size() != length) continue;
    std::map<uint32_t, uint32_t> directory;
    std::set<uint32_t> repeated;
    size_t pos = 0;
    while (pos + 4 <= body.size()) {
      const uint32_t run = GetU32(body, pos);
      const uint32_t first = run & 0xFFFFF;
      const uint32_t count = run >> 20;
      pos += 4;
      if (count == 0 || body.size() - pos < size_t{count} * 4) break;
      for (uint32_t i = 0; i < count; ++i, pos += 4) {
        const uint32_t offset = GetU32(body, pos);
        if (!directory.emplace(offset, first + i).second) repeated.insert(offset);
      }
    }
    if (pos != body.size()) continue;  // not a directory after all
    for (uint32_t offset : repeated) directory.erase(offset);
    directories_.push_back(std::move(directory));
  }
}

void SlideTextMatcher::FindDocumentContainers() {
  const uint8_t pattern[4] = {0x0F, 0x00, 0xE8, 0x03};
  ScanFor(file_, pattern, [&](uint64_t at) { documents_.push_back(at); });
}

std::optional<SlideEntryTexts> SlideTextMatcher::ForDrawing(uint64_t drawing_offset) const {
  const std::optional<uint32_t> id = PersistIdFor(drawing_offset);
  if (!id) return std::nullopt;
  return entries_.at(*id);
}

std::optional<size_t> SlideTextMatcher::ListPosition(uint32_t persist_id) const {
  const auto hit = positions_.find(persist_id);
  if (hit == positions_.end()) return std::nullopt;
  return hit->second;
}

std::optional<SlideEntryTexts> SlideTextMatcher::TextsFor(uint32_t persist_id) const {
  const auto hit = entries_.find(persist_id);
  if (hit == entries_.end()) return std::nullopt;
  return hit->second;
}

std::optional<uint32_t> SlideTextMatcher::PersistIdFor(uint64_t drawing_offset) const {
  if (drawing_offset < kSlideAtomEnd || directories_.empty()) return std::nullopt;
  const uint64_t slide = drawing_offset - kSlideAtomEnd;
  uint8_t head[kSlideAtomEnd];
  if (file_.ReadAt(slide, head, sizeof head) != sizeof head) return std::nullopt;
  if (GetU16(head, 0) != 0x000F || GetU16(head, 2) != kTypeSlide ||
      GetU16(head, 10) != kTypeSlideAtom) {
    return std::nullopt;
  }
  return PersistIdOfSlide(slide);
}

std::set<uint32_t> SlideTextMatcher::PersistIdsAt(uint64_t slide) const {
  std::set<uint32_t> ids;
  for (const auto& directory : directories_) {
    const auto document_entry = std::find_if(directory.begin(), directory.end(), [](const auto& e) {
      return e.second == kDocumentPersistId;
    });
    if (document_entry == directory.end()) continue;
    for (uint64_t document : documents_) {
      if (document < document_entry->first) continue;
      const uint64_t stream_start = document - document_entry->first;
      if (slide < stream_start) continue;
      const auto hit = directory.find(static_cast<uint32_t>(slide - stream_start));
      if (hit != directory.end()) ids.insert(hit->second);
    }
  }
  return ids;
}

std::optional<uint32_t> SlideTextMatcher::PersistIdOfSlide(uint64_t slide) const {
  std::set<uint32_t> ids = PersistIdsAt(slide);
  std::erase_if(ids, [this](uint32_t id) { return entries_.count(id) == 0; });
  if (ids.size() != 1) return std::nullopt;
  return *ids.begin();
}

bool SlideTextMatcher::IsNamedOutsideSlideList(uint64_t slide) const {
  if (entries_.empty()) return false;
  const std::set<uint32_t> ids = PersistIdsAt(slide);
  return !ids.empty() && std::none_of(ids.begin(), ids.end(),
                                      [this](uint32_t id) { return entries_.count(id) != 0; });
}

}  // namespace vlx
