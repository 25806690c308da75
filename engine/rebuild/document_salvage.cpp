#include "engine/rebuild/document_salvage.h"

#include <algorithm>
#include <array>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint32_t kSlidePersistAtomLength = 20;

// The record types that open a child of the Document, with whether each is a container.
struct ChildKind {
  uint16_t type;
  bool container;
};
constexpr std::array<ChildKind, 15> kDocumentChildren = {{
    {kTypeDocumentAtom, false},
    {kTypeExternalObjectList, true},
    {kTypeEnvironment, true},
    {kTypeDrawingGroup, true},
    {kTypeSlideListWithText, true},
    {kTypeList, true},
    {kTypeHeadersFooters, true},
    {kTypeSlideShowDocInfoAtom, false},
    {kTypeNamedShows, true},
    {kTypeSoundCollection, true},
    {kTypePrintOptionsAtom, false},
    {kTypeSummary, true},
    {kTypeDocRoutingSlipAtom, false},
    {kTypeCustomTableStylesAtom, false},
    {kTypeEndDocument, false},
}};

bool IsContainer(const RecordHeader& h) {
  return (h.version_instance & 0xF) == 0xF;
}

bool OpensDocumentChild(const RecordHeader& h) {
  return std::any_of(kDocumentChildren.begin(), kDocumentChildren.end(), [&h](ChildKind kind) {
    return kind.type == h.type && kind.container == IsContainer(h);
  });
}

bool OpensSlidePersistAtom(const RecordHeader& h) {
  return h.version_instance == 0 && h.type == kTypeSlidePersistAtom &&
         h.length == kSlidePersistAtomLength;
}

RecordHeader HeaderAt(std::span<const uint8_t> bytes, size_t at) {
  return RecordHeader::Decode(bytes.data() + at);
}

// The record at `at` fits in [at, end) and, when a container, nests exactly.
bool WholeIn(std::span<const uint8_t> bytes, size_t at, size_t end) {
  const RecordHeader h = HeaderAt(bytes, at);
  if (h.length > end - at - kHeader) return false;
  return !IsContainer(h) || IsWellFormedRecordRun(bytes.subspan(at, kHeader + size_t{h.length}));
}

// The first offset after `from` in [from, end) where a header that `opens` accepts
// starts a record fitting before end; end when there is none.
template <typename Opens>
size_t NextOpening(std::span<const uint8_t> bytes, size_t from, size_t end, Opens opens) {
  for (size_t at = from; end - at >= kHeader && at < end; ++at) {
    const RecordHeader h = HeaderAt(bytes, at);
    if (opens(h) && h.length <= end - at - kHeader) return at;
  }
  return end;
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// The slide-list records in bytes[begin, end) as a slide list of the given version and
// instance: whole records are kept; a broken run resumes at the next slide persist atom,
// so the entries after the damage keep their slides and texts.
// The persist ids of the entries a broken run cut short go to *cut when given.
std::vector<uint8_t> SlideListOf(std::span<const uint8_t> bytes, size_t begin, size_t end,
                                 uint16_t version_instance, std::vector<uint32_t>* cut) {
  std::vector<uint8_t> out;
  AppendU16(out, version_instance);
  AppendU16(out, kTypeSlideListWithText);
  AppendU32(out, 0);
  bool in_entry = false;  // an entry is being read, of this persist id:
  uint32_t entry = 0;
  size_t at = begin;
  while (end - at >= kHeader) {
    if (!WholeIn(bytes, at, end)) {
      if (in_entry && cut != nullptr) cut->push_back(entry);
      in_entry = false;
      at = NextOpening(bytes, at + 1, end, OpensSlidePersistAtom);
      continue;
    }
    if (OpensSlidePersistAtom(HeaderAt(bytes, at))) {
      in_entry = true;
      entry = GetU32(bytes, at + kHeader);
    }
    const size_t next = at + kHeader + size_t{HeaderAt(bytes, at).length};
    Append(out, bytes.subspan(at, next - at));
    at = next;
  }
  StoreU32(out.data() + kRecordLengthField, static_cast<uint32_t>(out.size() - kHeader));
  return out;
}

bool OpensChildOrEntry(const RecordHeader& h) {
  return OpensDocumentChild(h) || OpensSlidePersistAtom(h);
}

// Where the entries of a slide list whose own header was destroyed end: at the next
// record, read in order from the entry at `from`, that opens a Document child.
size_t LooseListEnd(std::span<const uint8_t> document, size_t from, size_t end) {
  size_t at = from;
  while (end - at >= kHeader) {
    const RecordHeader h = HeaderAt(document, at);
    if (at != from && OpensDocumentChild(h) && h.length <= end - at - kHeader) return at;
    if (!WholeIn(document, at, end)) {
      at = NextOpening(document, at + 1, end, OpensChildOrEntry);
      continue;
    }
    at += kHeader + size_t{h.length};
  }
  return end;
}

}  // namespace

std::optional<SalvagedDocument> SalvageDocument(std::span<const uint8_t> document) {
  if (document.size() < kHeader) return std::nullopt;
  SalvagedDocument result;
  std::vector<uint8_t>& out = result.bytes;
  out.assign(document.begin(), document.begin() + kHeader);
  const size_t end = std::min(document.size(), kHeader + size_t{GetU32(document, 4)});
  bool has_atom = false;
  bool has_slide_list = false;
  bool has_masters_list = false;
  size_t at = kHeader;
  while (end - at >= kHeader) {
    const RecordHeader h = HeaderAt(document, at);
    // Slide entries after the masters' list whose list header was destroyed: the slides'
    // list, made anew around them.
    if (OpensSlidePersistAtom(h) && has_masters_list && !has_slide_list) {
      const size_t list_end = LooseListEnd(document, at, end);
      Append(out, SlideListOf(document, at, list_end, 0x000F, &result.entries_cut));
      has_slide_list = result.slide_list_damaged = true;
      at = list_end;
      continue;
    }
    // A record of no kind the Document holds is noise.
    if (h.length > end - at - kHeader || !OpensDocumentChild(h)) {
      result.children_lost = true;
      at = NextOpening(document, at + 1, end, OpensChildOrEntry);
      continue;
    }
    const size_t next = at + kHeader + size_t{h.length};
    const std::span<const uint8_t> child = document.subspan(at, next - at);
    if (h.type == kTypeDocumentAtom) has_atom = true;
    const bool list = h.type == kTypeSlideListWithText;
    if (list && (h.version_instance >> 4) == 0) has_slide_list = true;
    if (list && (h.version_instance >> 4) == 1) has_masters_list = true;
    if (WholeIn(document, at, end)) {
      Append(out, child);
    } else if (list) {
      const bool slides = (h.version_instance >> 4) == 0;
      Append(out, SlideListOf(document, at + kHeader, next, h.version_instance,
                              slides ? &result.entries_cut : nullptr));
      if ((h.version_instance >> 4) == 0) result.slide_list_damaged = true;
    } else {
      Append(out, TrimToWellFormed(child));
    }
    at = next;
  }
  if (!has_atom) return std::nullopt;
  // The slides' list may have been in the run that was skipped.
  if (result.children_lost && !has_slide_list) result.slide_list_damaged = true;
  StoreU32(out.data() + kRecordLengthField, static_cast<uint32_t>(out.size() - kHeader));
  return result;
}

}  // namespace vlx
