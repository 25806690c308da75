#include "engine/rebuild/trimmed_slide_texts.h"

#include <algorithm>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/list_text_boxes.h"
#include "engine/rebuild/loose_slide_shapes.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr int kDeepest = 64;
constexpr uint32_t kIdsPerDrawing = 0x400;
// Placement ids of a slide's title placeholders: title, centred title, vertical title.
constexpr uint8_t kPlacedTitle = 0x0D;
constexpr uint8_t kPlacedCenterTitle = 0x0F;
constexpr uint8_t kPlacedVerticalTitle = 0x11;

bool IsContainer(std::span<const uint8_t> record) {
  return (LoadU16(record.data()) & 0xF) == 0xF;
}

// What a slide's drawing still holds of its texts and its shapes.
struct DrawingContents {
  std::set<uint32_t> referenced;                // list text indexes the placeholders name
  std::vector<std::span<const uint8_t>> chars;  // character records of its own text boxes
  std::set<uint32_t> spids;
  bool title_placeholder = false;
};

void Survey(std::span<const uint8_t> container, int depth, bool in_textbox,
            DrawingContents& contents) {
  if (depth > kDeepest) return;
  for (std::span<const uint8_t> child : ChildRecords(container)) {
    const uint16_t type = LoadU16(child.data() + 2);
    const size_t length = child.size() - kHeader;
    const uint8_t* body = child.data() + kHeader;
    if (IsContainer(child)) {
      Survey(child, depth + 1, in_textbox || type == kTypeClientTextbox, contents);
    } else if (type == kTypeOutlineTextRefAtom && length >= 4) {
      contents.referenced.insert(LoadU32(body));
    } else if (in_textbox && (type == kTypeTextCharsAtom || type == kTypeTextBytesAtom)) {
      contents.chars.push_back(child);
    } else if (type == kTypeShapeAtom && length >= 8) {
      contents.spids.insert(LoadU32(body));
    } else if (type == kTypePlaceholderAtom && length >= 8) {
      const uint8_t placed = body[4];
      contents.title_placeholder = contents.title_placeholder || placed == kPlacedTitle ||
                                   placed == kPlacedCenterTitle || placed == kPlacedVerticalTitle;
    }
  }
}

// The record holding a text's characters; empty when the text has none.
std::span<const uint8_t> CharsOf(const ListText& text) {
  std::span<const uint8_t> records = text.records;
  while (records.size() >= kHeader) {
    const uint16_t type = LoadU16(records.data() + 2);
    const size_t size = kHeader + size_t{LoadU32(records.data() + 4)};
    if (size > records.size()) break;
    if (type == kTypeTextCharsAtom || type == kTypeTextBytesAtom)
      return size > kHeader ? records.first(size) : std::span<const uint8_t>{};
    records = records.subspan(size);
  }
  return {};
}

// The first count ids of the drawing's range that no shape uses, after last first and then
// from the start of the range; fewer when the range has no more.
std::vector<uint32_t> FreeIds(uint32_t drawing, uint32_t last, const std::set<uint32_t>& used,
                              size_t count) {
  const uint32_t low = drawing * kIdsPerDrawing;
  const uint32_t high = low + kIdsPerDrawing - 1;
  uint32_t start = low;
  if (last >= low && last <= high) {
    start = last;
  } else {
    const auto below = used.upper_bound(high);
    if (below != used.begin() && *std::prev(below) >= low) start = *std::prev(below);
  }
  std::vector<uint32_t> ids;
  const auto take = [&](uint32_t from, uint32_t to) {
    for (uint32_t id = from; id <= to && ids.size() < count; ++id)
      if (used.count(id) == 0) ids.push_back(id);
  };
  take(start + 1, high);
  take(low + 1, start);  // the patriarch keeps the range's first id
  return ids;
}

}  // namespace

std::vector<uint8_t> WithMissingListTexts(std::span<const uint8_t> slide,
                                          std::span<const uint8_t> entry_texts, SlideSize size,
                                          const MasterFrames& frames) {
  std::vector<uint8_t> out(slide.begin(), slide.end());
  if (slide.size() < kHeader || LoadU16(slide.data() + 2) != kTypeSlide || !IsContainer(slide) ||
      kHeader + size_t{LoadU32(slide.data() + 4)} != slide.size() || !IsWellFormedRecordRun(slide))
    return out;
  const std::span<const uint8_t> ppdrawing = FirstChild(slide, kTypePPDrawing);
  const std::span<const uint8_t> dg = FirstChild(ppdrawing, kTypeDrawingContainer);
  const std::span<const uint8_t> group = FirstChild(dg, kTypeGroupContainer);
  const std::span<const uint8_t> dg_atom = FirstChild(dg, kTypeDrawingAtom);
  if (group.empty() || dg_atom.size() < kHeader + 8) return out;

  const std::vector<ListText> texts = ListTexts(entry_texts);
  DrawingContents contents;
  Survey(dg, 0, false, contents);
  // Which texts the slide shows: those its placeholders name, and those a text box holds
  // as its own (each box showing one). A text without characters has nothing to show.
  std::vector<bool> shown(texts.size(), false);
  std::vector<bool> chars_taken(contents.chars.size(), false);
  for (size_t i = 0; i < texts.size(); ++i) {
    shown[i] = contents.referenced.count(static_cast<uint32_t>(i)) > 0;
    const std::span<const uint8_t> chars = CharsOf(texts[i]);
    for (size_t c = 0; c < contents.chars.size() && !shown[i] && !chars.empty(); ++c) {
      if (chars_taken[c] || !std::ranges::equal(contents.chars[c], chars)) continue;
      chars_taken[c] = shown[i] = true;
    }
  }
  bool has_title = contents.title_placeholder;
  for (size_t i = 0; i < texts.size(); ++i) has_title = has_title || (shown[i] && texts[i].Title());
  std::vector<ListText> missing;
  for (size_t i = 0; i < texts.size(); ++i)
    if (!shown[i] && !CharsOf(texts[i]).empty() && !(texts[i].Title() && has_title))
      missing.push_back(texts[i]);
  if (missing.empty()) return out;

  const uint32_t drawing = LoadU16(dg_atom.data()) >> 4;
  const uint32_t csp = LoadU32(dg_atom.data() + kHeader);
  const uint32_t last = LoadU32(dg_atom.data() + kHeader + 4);
  const std::vector<uint32_t> spids = FreeIds(drawing, last, contents.spids, missing.size());
  const std::vector<uint8_t> boxes = ListTextBoxes(missing, spids, size, frames);
  if (spids.size() < missing.size() || slide.size() - kHeader + boxes.size() > UINT32_MAX)
    return out;

  // The drawing atom lies before the group the boxes are added to: its place stays.
  out = WithShapesAdded(slide, boxes);
  const size_t fdg = static_cast<size_t>(dg_atom.data() - slide.data()) + kHeader;
  const uint32_t low = drawing * kIdsPerDrawing;
  const uint32_t kept_last = last >= low && last < low + kIdsPerDrawing ? last : 0;
  StoreU32(out.data() + fdg, csp + static_cast<uint32_t>(spids.size()));
  StoreU32(out.data() + fdg + 4,
           std::max(kept_last, *std::max_element(spids.begin(), spids.end())));
  return out;
}

}  // namespace vlx
