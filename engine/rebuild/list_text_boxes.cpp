#include "engine/rebuild/list_text_boxes.h"

#include <algorithm>
#include <array>
#include <utility>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/record_bytes.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint16_t kShapeTypeTextBox = 202;
constexpr uint32_t kFlagsAnchorShapeType = 0xA00;
constexpr uint32_t kTextTitle = 0;
constexpr uint32_t kTextCenterTitle = 6;
constexpr uint32_t kTextOther = 4;  // what a header atom too short to say is taken for
// Shape properties: the fill's and the line's boolean sets, each "use" bit set and the
// flag itself clear.
constexpr std::array<std::pair<uint16_t, uint32_t>, 2> kPlainTextBox = {{
    {0x01BF, 0x00100000},  // fill style: not filled
    {0x01FF, 0x00080000},  // line style: no line
}};

std::vector<uint8_t> Record(uint16_t version_instance, uint16_t type,
                            std::span<const uint8_t> body) {
  return MakeRecord(version_instance, type, body);
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  AppendBytes(out, bytes);
}

std::vector<uint8_t> TextBox(uint32_t spid, const ListText& text, const TextFrame& frame) {
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
  for (int16_t v : {frame.top, frame.left, frame.right, frame.bottom})
    AppendU16(anchor, static_cast<uint16_t>(v));
  Append(body, Record(0, kTypeClientAnchor, anchor));
  Append(body, Record(0x0F, kTypeClientTextbox, text.records));
  return Record(0x0F, kTypeShapeContainer, body);
}

int16_t Scaled(int32_t length, int percent) {
  return static_cast<int16_t>(std::clamp<int64_t>(int64_t{length} * percent / 100, 0, 0x7FFF));
}

}  // namespace

bool ListText::Title() const {
  return type == kTextTitle || type == kTextCenterTitle;
}

std::vector<ListText> ListTexts(std::span<const uint8_t> entry) {
  std::vector<ListText> texts;
  size_t at = 0;
  size_t start = 0;
  bool open = false;
  while (entry.size() - at >= kHeader) {
    const uint16_t type = LoadU16(entry.data() + at + 2);
    const uint32_t length = LoadU32(entry.data() + at + 4);
    if (entry.size() - at - kHeader < length) break;
    if (type == kTypeTextHeaderAtom) {
      if (open) texts.back().records = entry.subspan(start, at - start);
      texts.push_back({{}, length >= 4 ? LoadU32(entry.data() + at + kHeader) : kTextOther});
      start = at;
      open = true;
    }
    at += kHeader + length;
  }
  if (open) texts.back().records = entry.subspan(start, at - start);
  return texts;
}

std::vector<uint8_t> ListTextBoxes(std::span<const ListText> texts, std::span<const uint32_t> spids,
                                   SlideSize size, const MasterFrames& frames) {
  const auto bodies = static_cast<int>(
      std::count_if(texts.begin(), texts.end(), [](const ListText& t) { return !t.Title(); }));
  const TextFrame title =
      frames.title.value_or(TextFrame{Scaled(size.height, 4), Scaled(size.width, 5),
                                      Scaled(size.width, 95), Scaled(size.height, 20)});
  const TextFrame body =
      frames.body.value_or(TextFrame{Scaled(size.height, 24), Scaled(size.width, 5),
                                     Scaled(size.width, 95), Scaled(size.height, 96)});
  std::vector<uint8_t> shapes;
  int body_index = 0;
  for (size_t i = 0; i < texts.size() && i < spids.size(); ++i) {
    if (texts[i].Title()) {
      Append(shapes, TextBox(spids[i], texts[i], title));
      continue;
    }
    // The bodies share the body's frame, one band each.
    const int band = (body.bottom - body.top) / std::max(bodies, 1);
    const auto top = static_cast<int16_t>(body.top + band * body_index++);
    Append(shapes,
           TextBox(spids[i], texts[i],
                   TextFrame{top, body.left, body.right, static_cast<int16_t>(top + band)}));
  }
  return shapes;
}

}  // namespace vlx
