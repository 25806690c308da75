#include "engine/rebuild/document_salvage.h"

#include <algorithm>
#include <array>
#include <optional>

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

// The records that follow a text atom in a slide list and describe it: its styles, ruler,
// special info, bookmarks and interactive ranges.
bool DescribesText(const RecordHeader& h) {
  constexpr std::array<uint16_t, 6> kTypes = {
      kTypeStyleTextPropAtom, 0x0FA2, 0x0FA6, 0x0FA7, 0x0FAA, 0x0FDF};
  return !IsContainer(h) && std::find(kTypes.begin(), kTypes.end(), h.type) != kTypes.end();
}

// A byte of text as an 8-bit text atom holds it: printable, a paragraph or line break, a
// tab, or a letter of the upper half. Noise passes seldom enough that a long run is text.
bool TextByte(uint8_t b) {
  return (b >= 0x20 && b <= 0x7E) || b == 0x0D || b == 0x0B || b == 0x09 || b >= 0xC0;
}
// A UTF-16 unit of a 16-bit text atom: the same for the first 256 code points, or a letter
// of the scripts a presentation mostly holds (Greek to Armenian, CJK, kana).
bool TextUnit(uint8_t low, uint8_t high) {
  const uint32_t c = uint32_t{high} << 8 | low;
  if (high == 0) return TextByte(low) || (low >= 0xA0 && low < 0xC0);
  return (c >= 0x0370 && c < 0x0590) || (c >= 0x3000 && c < 0x3100) || (c >= 0x4E00 && c < 0xA000);
}

// The end of a text atom whose head a damaged run destroyed, in bytes[from, to) (to: where
// reading resumes): the text right before the records that describe it, which run whole
// up to `to`, from its first whole paragraph on. nullopt when no run of text of at least
// kShortestTail characters stands there.
std::optional<std::vector<uint8_t>> TextTailIn(std::span<const uint8_t> bytes, size_t from,
                                               size_t to) {
  constexpr size_t kShortestTail = 8;
  constexpr size_t kLongestLook = 1 << 16;
  if (to - from < kShortestTail) return std::nullopt;
  from = std::max(from, to - std::min(to - from, kLongestLook));
  // reaches[x - from]: the records from x describe a text and end exactly at `to`.
  std::vector<bool> reaches(to - from + 1, false);
  reaches[to - from] = true;
  size_t described = to;
  for (size_t x = to - kHeader + 1; x-- > from;) {
    const RecordHeader h = HeaderAt(bytes, x);
    const uint64_t next = uint64_t{x} + kHeader + h.length;
    if (DescribesText(h) && next <= to && reaches[next - from]) {
      reaches[x - from] = true;
      described = x;
    }
  }
  size_t narrow = described;
  while (narrow > from && TextByte(bytes[narrow - 1])) --narrow;
  size_t wide = described;
  while (wide - from >= 2 && TextUnit(bytes[wide - 2], bytes[wide - 1])) wide -= 2;
  const bool utf16 = (described - wide) / 2 > described - narrow;
  const size_t unit = utf16 ? 2 : 1;
  size_t start = utf16 ? wide : narrow;
  // The paragraph the damage cut into, noise read as text at its head, is left out.
  for (size_t at = start; described - at >= unit; at += unit)
    if (bytes[at] == 0x0D && (unit == 1 || bytes[at + 1] == 0)) {
      if ((described - at - unit) / unit >= kShortestTail) start = at + unit;
      break;
    }
  if ((described - start) / unit < kShortestTail) return std::nullopt;
  std::vector<uint8_t> atom;
  AppendU16(atom, 0);
  AppendU16(atom, utf16 ? kTypeTextCharsAtom : kTypeTextBytesAtom);
  AppendU32(atom, static_cast<uint32_t>(described - start));
  Append(atom, bytes.subspan(start, described - start));
  return atom;
}

// The slide-list records in bytes[begin, end) as a slide list of the given version and
// instance: whole records are kept; a broken run resumes at the next slide persist atom,
// so the entries after the damage keep their slides and texts.
// The persist ids of the entries a broken run cut short go to *cut when given, the text
// tails found before a resumption to *tails.
std::vector<uint8_t> SlideListOf(std::span<const uint8_t> bytes, size_t begin, size_t end,
                                 uint16_t version_instance, std::vector<uint32_t>* cut,
                                 std::vector<SalvagedDocument::TextTail>* tails) {
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
      const size_t resume = NextOpening(bytes, at + 1, end, OpensSlidePersistAtom);
      // Only before an entry read again: at the list's end (a file cut there) the text
      // cut off is the last entry's own.
      if (tails != nullptr && end - resume >= kHeader + 4)
        if (std::optional<std::vector<uint8_t>> tail = TextTailIn(bytes, at, resume))
          tails->push_back({GetU32(bytes, resume + kHeader), std::move(*tail)});
      at = resume;
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
      Append(out,
             SlideListOf(document, at, list_end, 0x000F, &result.entries_cut, &result.text_tails));
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
                              slides ? &result.entries_cut : nullptr,
                              slides ? &result.text_tails : nullptr));
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
