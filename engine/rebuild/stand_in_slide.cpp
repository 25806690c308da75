#include "engine/rebuild/stand_in_slide.h"

#include <algorithm>
#include <array>
#include <utility>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint16_t kShapeTypeTextBox = 202;
constexpr uint32_t kFlagsGroupPatriarch = 0x005;
constexpr uint32_t kFlagsAnchorShapeType = 0xA00;
constexpr uint32_t kSlideLayoutBlank = 0x10;
constexpr uint16_t kFollowMaster = 0x7;  // objects, scheme and background of the master
constexpr uint32_t kTextTitle = 0;
constexpr uint32_t kTextCenterTitle = 6;
// Shape properties: the fill's and the line's boolean sets, each "use" bit set and the
// flag itself clear.
constexpr std::array<std::pair<uint16_t, uint32_t>, 2> kPlainTextBox = {{
    {0x01BF, 0x00100000},  // fill style: not filled
    {0x01FF, 0x00080000},  // line style: no line
}};

std::vector<uint8_t> Record(uint16_t version_instance, uint16_t type,
                            std::span<const uint8_t> body) {
  std::vector<uint8_t> out;
  AppendU16(out, version_instance);
  AppendU16(out, type);
  AppendU32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// One text of the entry: its records from its TextHeaderAtom up to the next one.
struct EntryText {
  std::span<const uint8_t> records;
  uint32_t type = 0;
  bool Title() const { return type == kTextTitle || type == kTextCenterTitle; }
};

std::vector<EntryText> TextsOf(std::span<const uint8_t> entry) {
  std::vector<EntryText> texts;
  size_t at = 0;
  size_t start = 0;
  bool open = false;
  while (entry.size() - at >= kHeader) {
    const uint16_t type = LoadU16(entry.data() + at + 2);
    const uint32_t length = LoadU32(entry.data() + at + 4);
    if (entry.size() - at - kHeader < length) break;
    if (type == kTypeTextHeaderAtom) {
      if (open) texts.back().records = entry.subspan(start, at - start);
      texts.push_back({{}, length >= 4 ? LoadU32(entry.data() + at + kHeader) : 4});
      start = at;
      open = true;
    }
    at += kHeader + length;
  }
  if (open) texts.back().records = entry.subspan(start, at - start);
  return texts;
}

std::vector<uint8_t> TextBox(uint32_t spid, const EntryText& text, int16_t top, int16_t left,
                             int16_t right, int16_t bottom) {
  std::vector<uint8_t> body;
  std::vector<uint8_t> fsp;
  AppendU32(fsp, spid);
  AppendU32(fsp, kFlagsAnchorShapeType);
  Append(body, Record(static_cast<uint16_t>(kShapeTypeTextBox << 4 | 0x2), kTypeShapeAtom, fsp));
  // Neither filled nor outlined, as the placeholders the texts came from.
  std::vector<uint8_t> options;
  for (const auto& [property, value] : kPlainTextBox) {
    AppendU16(options, property);
    AppendU32(options, value);
  }
  Append(body, Record(static_cast<uint16_t>(kPlainTextBox.size() << 4 | 0x3), kTypeShapeOptions,
                      options));
  std::vector<uint8_t> anchor;
  for (int16_t v : {top, left, right, bottom}) AppendU16(anchor, static_cast<uint16_t>(v));
  Append(body, Record(0, kTypeClientAnchor, anchor));
  Append(body, Record(0x0F, kTypeClientTextbox, text.records));
  return Record(0x0F, kTypeShapeContainer, body);
}

int16_t Scaled(int32_t length, int percent) {
  return static_cast<int16_t>(std::clamp<int64_t>(int64_t{length} * percent / 100, 0, 0x7FFF));
}

// Placement ids of the placeholders a master's title and body texts take.
constexpr uint8_t kPlacedMasterTitle = 0x01;
constexpr uint8_t kPlacedMasterBody = 0x02;
constexpr uint8_t kPlacedMasterCenterTitle = 0x03;

}  // namespace

MasterFrames FramesOfMaster(std::span<const uint8_t> master) {
  MasterFrames frames;
  const std::span<const uint8_t> group = FirstChild(
      FirstChild(FirstChild(master, kTypePPDrawing), kTypeDrawingContainer), kTypeGroupContainer);
  for (std::span<const uint8_t> shape : ChildRecords(group)) {
    if (LoadU16(shape.data() + 2) != kTypeShapeContainer) continue;
    const std::span<const uint8_t> placeholder =
        FirstChild(FirstChild(shape, kTypeClientData), kTypePlaceholderAtom);
    const std::span<const uint8_t> anchor = FirstChild(shape, kTypeClientAnchor);
    if (placeholder.size() < kHeader + 8 || anchor.size() < kHeader + 8) continue;
    const uint8_t placed = placeholder[kHeader + 4];
    TextFrame frame;
    frame.top = static_cast<int16_t>(LoadU16(anchor.data() + kHeader));
    frame.left = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 2));
    frame.right = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 4));
    frame.bottom = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 6));
    if (frame.right <= frame.left || frame.bottom <= frame.top) continue;
    if ((placed == kPlacedMasterTitle || placed == kPlacedMasterCenterTitle) && !frames.title)
      frames.title = frame;
    if (placed == kPlacedMasterBody && !frames.body) frames.body = frame;
  }
  return frames;
}

std::vector<uint8_t> StandInSlide(std::span<const uint8_t> entry_texts, SlideSize size,
                                  uint32_t master_id, uint32_t drawing_id,
                                  const MasterFrames& frames) {
  const uint32_t kDrawingId = drawing_id & 0xFFF;
  const std::vector<EntryText> texts = TextsOf(entry_texts);
  if (texts.empty()) return {};
  const auto bodies = static_cast<int>(
      std::count_if(texts.begin(), texts.end(), [](const EntryText& t) { return !t.Title(); }));

  std::vector<uint8_t> shapes;
  std::vector<uint8_t> patriarch;
  Append(patriarch, Record(0x01, kTypeGroupShapeAtom, std::vector<uint8_t>(16, 0)));
  std::vector<uint8_t> fsp;
  AppendU32(fsp, kDrawingId << 10);
  AppendU32(fsp, kFlagsGroupPatriarch);
  Append(patriarch, Record(0x02, kTypeShapeAtom, fsp));
  Append(shapes, Record(0x0F, kTypeShapeContainer, patriarch));
  uint32_t spid = (kDrawingId << 10) + 1;
  int body_index = 0;
  const TextFrame title =
      frames.title.value_or(TextFrame{Scaled(size.height, 4), Scaled(size.width, 5),
                                      Scaled(size.width, 95), Scaled(size.height, 20)});
  const TextFrame body =
      frames.body.value_or(TextFrame{Scaled(size.height, 24), Scaled(size.width, 5),
                                     Scaled(size.width, 95), Scaled(size.height, 96)});
  for (const EntryText& text : texts) {
    if (text.Title()) {
      Append(shapes, TextBox(spid++, text, title.top, title.left, title.right, title.bottom));
      continue;
    }
    // The bodies share the body's frame, one band each.
    const int band = (body.bottom - body.top) / std::max(bodies, 1);
    const auto top = static_cast<int16_t>(body.top + band * body_index++);
    Append(shapes,
           TextBox(spid++, text, top, body.left, body.right, static_cast<int16_t>(top + band)));
  }
  std::vector<uint8_t> drawing;
  std::vector<uint8_t> fdg;
  AppendU32(fdg, spid - (kDrawingId << 10));  // shapes, the patriarch included
  AppendU32(fdg, spid - 1);
  Append(drawing, Record(static_cast<uint16_t>(kDrawingId << 4), kTypeDrawingAtom, fdg));
  Append(drawing, Record(0x0F, kTypeGroupContainer, shapes));

  std::vector<uint8_t> slide_atom;
  AppendU32(slide_atom, kSlideLayoutBlank);
  slide_atom.resize(slide_atom.size() + 8, 0);  // no placeholders
  AppendU32(slide_atom, master_id);
  AppendU32(slide_atom, 0);  // no notes
  AppendU16(slide_atom, kFollowMaster);
  AppendU16(slide_atom, 0);
  std::vector<uint8_t> slide = Record(0x02, kTypeSlideAtom, slide_atom);
  Append(slide, Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, drawing)));
  return Record(0x0F, kTypeSlide, slide);
}

}  // namespace vlx
