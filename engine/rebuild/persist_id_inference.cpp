#include "engine/rebuild/persist_id_inference.h"

#include <algorithm>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/document_salvage.h"
#include "engine/rebuild/slide_list_entries.h"
#include "engine/rebuild/stream_records.h"

namespace vlx {
namespace {

using records::ContainerAt;
using records::DrawingIdOf;
using records::HeaderAt;
using records::kHeader;
using records::kTitleMasterLayout;
using records::NotesSlideId;
using records::WholeRecordAt;

// Stands for a record whose place in the order is known but whose bytes are not whole.
constexpr uint32_t kDamagedRecord = 0xFFFFFFFFu;

// Pairs the records of one kind, in the order they lie in the stream, with the ids that
// name them, in list order; false when there are more records than ids.
bool PairInOrder(const std::vector<uint32_t>& records, const std::vector<uint32_t>& ids,
                 std::map<uint32_t, uint32_t>& offsets) {
  if (records.size() > ids.size()) return false;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i] == kDamagedRecord) continue;
    if (!offsets.emplace(ids[i], records[i]).second) return false;
  }
  return true;
}

}  // namespace

std::optional<InferredPersistIds> InferPersistIds(std::span<const uint8_t> stream) {
  std::optional<uint32_t> document_at;
  std::optional<size_t> damaged_document_at;  // the last Document, when it is not whole
  bool document_cut = false;
  std::vector<uint32_t> notes, notes_masters, handouts;
  // Masters and slides with their place in the stream: a title master is a Slide
  // container with the title master's layout, saved right after its main master.
  struct Placed {
    size_t order;
    uint32_t offset;
    bool title_master;
    std::optional<uint16_t> drawing;
  };
  std::vector<Placed> masters, slides;
  bool after_master = false;
  for (size_t at = 0, order = 0; stream.size() - at >= kHeader && at <= 0xFFFFFFFFu; ++order) {
    const std::optional<RecordHeader> h = HeaderAt(stream, at);
    if (h->type == 0) break;  // zeros where the stream's end was lost
    // A record cut short: nothing after it is placed. A Document cut by the end of the
    // stream keeps what it holds.
    if (stream.size() - at - kHeader < h->length) {
      if (h->type == kTypeDocument && (h->version_instance & 0xF) == 0xF) {
        damaged_document_at = at;
        document_cut = true;
      }
      break;
    }
    // A damaged record keeps its place in the order, so the records after it keep their ids.
    const bool whole = !WholeRecordAt(stream, at).empty();
    const uint32_t offset = whole ? static_cast<uint32_t>(at) : kDamagedRecord;
    switch (h->type) {
      case kTypeDocument:
        if ((h->version_instance & 0xF) != 0xF) break;  // no container: noise
        if (whole)
          document_at = offset;  // the last one is the newest
        else
          damaged_document_at = at;
        break;
      case kTypeMainMaster:
        masters.push_back({order, offset, false, std::nullopt});
        break;
      case kTypeSlide: {
        const std::span<const uint8_t> slide = ContainerAt(stream, at, {kTypeSlide});
        const std::span<const uint8_t> atom = FirstChild(slide, kTypeSlideAtom);
        const bool title_layout =
            atom.size() >= kHeader + 4 && LoadU32(atom.data() + kHeader) == kTitleMasterLayout;
        slides.push_back({order, offset, after_master && title_layout, DrawingIdOf(slide)});
        break;
      }
      case kTypeNotes: {
        const std::optional<uint32_t> slide_id =
            NotesSlideId(stream.subspan(at, kHeader + size_t{h->length}));
        if (!slide_id) return std::nullopt;  // no telling which list it belongs to
        // The notes master belongs to no slide: 0, or a master's id (high bit set).
        (*slide_id == 0 || *slide_id >= 0x80000000u ? notes_masters : notes).push_back(offset);
        break;
      }
      case kTypeHandout:
        handouts.push_back(offset);
        break;
      default:
        break;
    }
    after_master = h->type == kTypeMainMaster || (h->type == kTypeSlide && after_master);
    at += kHeader + size_t{h->length};
  }
  InferredPersistIds inferred;
  std::span<const uint8_t> document;
  if (document_at) {
    document = WholeRecordAt(stream, *document_at);
  } else if (damaged_document_at) {
    const size_t at = *damaged_document_at;
    std::vector<uint8_t> copy(
        stream.begin() + static_cast<ptrdiff_t>(at),
        stream.begin() + static_cast<ptrdiff_t>(
                             at + std::min<size_t>(stream.size() - at,
                                                   kHeader + size_t{GetU32(stream, at + 4)})));
    if (document_cut) StoreU32(copy.data() + 4, static_cast<uint32_t>(copy.size() - kHeader));
    std::optional<SalvagedDocument> salvaged = SalvageDocument(copy);
    if (!salvaged) return std::nullopt;
    inferred.salvaged_document = std::move(salvaged->bytes);
    inferred.slide_list_damaged = salvaged->slide_list_damaged || document_cut;
    document = inferred.salvaged_document;
    document_at = static_cast<uint32_t>(at);
  } else {
    return std::nullopt;
  }
  std::map<uint32_t, uint32_t>& offsets = inferred.offsets;
  // The masters' list names more masters than there are main masters: the title masters
  // saved right after a main master are among them.
  const std::vector<uint32_t> master_ids = ListedPersistIds(document, 1);
  size_t title_masters =
      master_ids.size() > masters.size() ? master_ids.size() - masters.size() : 0;
  std::vector<uint32_t> slide_records;
  std::vector<const Placed*> listed_slides;
  for (const Placed& slide : slides) {
    if (title_masters > 0 && slide.title_master) {
      masters.push_back(slide);
      --title_masters;
    } else {
      slide_records.push_back(slide.offset);
      listed_slides.push_back(&slide);
    }
  }
  std::sort(masters.begin(), masters.end(),
            [](const Placed& a, const Placed& b) { return a.order < b.order; });
  std::vector<uint32_t> master_records;
  for (const Placed& master : masters) master_records.push_back(master.offset);
  const std::vector<uint32_t> slide_ids = ListedPersistIds(document, 0);
  const bool slides_unlisted = !inferred.salvaged_document.empty() && slide_ids.empty();
  if (!PairInOrder(master_records, master_ids, offsets) ||
      (!slides_unlisted && !PairInOrder(slide_records, slide_ids, offsets)) ||
      !PairInOrder(notes, ListedPersistIds(document, 2), offsets))
    return std::nullopt;
  const std::optional<RecordHeader> atom = HeaderAt(document, kHeader);
  std::set<uint32_t> named;  // every id the Document refers to, found or not
  for (uint16_t instance : {0, 1, 2})
    for (uint32_t id : ListedPersistIds(document, instance)) named.insert(id);
  if (atom && atom->type == kTypeDocumentAtom && atom->length >= 32) {
    const uint8_t* body = document.data() + 2 * kHeader;
    const auto just = [&named](uint32_t id) {
      named.insert(id);
      return id == 0 ? std::vector<uint32_t>{} : std::vector{id};
    };
    if (!PairInOrder(notes_masters, just(LoadU32(body + 24)), offsets) ||
        !PairInOrder(handouts, just(LoadU32(body + 28)), offsets))
      return std::nullopt;
  }
  // The Document takes the first id nothing else is named by (1 in a file saved whole).
  inferred.document_id = 1;
  while (named.count(inferred.document_id) > 0) ++inferred.document_id;
  named.insert(inferred.document_id);
  if (slides_unlisted) {
    // Fresh ids after every id named, the newest version of each drawing only.
    uint32_t next = *named.rbegin() + 1;
    for (const auto& [id, offset] : offsets) next = std::max(next, id + 1);
    std::map<uint16_t, size_t> last_of_drawing;
    for (size_t i = 0; i < listed_slides.size(); ++i)
      if (listed_slides[i]->drawing) last_of_drawing[*listed_slides[i]->drawing] = i;
    for (size_t i = 0; i < listed_slides.size(); ++i) {
      const Placed& slide = *listed_slides[i];
      if (slide.offset == kDamagedRecord) continue;
      if (slide.drawing && last_of_drawing.at(*slide.drawing) != i) continue;  // superseded
      offsets[next++] = slide.offset;
    }
  }
  if (offsets.empty()) return std::nullopt;
  offsets[inferred.document_id] = *document_at;
  return inferred;
}

}  // namespace vlx
