#include "engine/rebuild/stand_in_slide.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/list_text_boxes.h"
#include "engine/rebuild/record_bytes.h"

namespace vlx {
namespace {

constexpr uint32_t kFlagsGroupPatriarch = 0x005;
constexpr uint32_t kSlideLayoutBlank = 0x10;
constexpr uint16_t kFollowMaster = 0x7;  // objects, scheme and background of the master

std::vector<uint8_t> Record(uint16_t version_instance, uint16_t type,
                            std::span<const uint8_t> body) {
  return MakeRecord(version_instance, type, body);
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  AppendBytes(out, bytes);
}

}  // namespace

std::vector<uint8_t> StandInSlide(std::span<const uint8_t> entry_texts, SlideSize size,
                                  uint32_t master_id, uint32_t drawing_id,
                                  const MasterFrames& frames) {
  const uint32_t kDrawingId = drawing_id & 0xFFF;
  const std::vector<ListText> texts = ListTexts(entry_texts);
  if (texts.empty()) return {};

  std::vector<uint8_t> shapes;
  std::vector<uint8_t> patriarch;
  Append(patriarch, Record(0x01, kTypeGroupShapeAtom, std::vector<uint8_t>(16, 0)));
  std::vector<uint8_t> fsp;
  AppendU32(fsp, kDrawingId << 10);
  AppendU32(fsp, kFlagsGroupPatriarch);
  Append(patriarch, Record(0x02, kTypeShapeAtom, fsp));
  Append(shapes, Record(0x0F, kTypeShapeContainer, patriarch));
  // The text boxes take the ids after the patriarch's.
  std::vector<uint32_t> spids;
  for (size_t i = 1; i <= texts.size(); ++i)
    spids.push_back((kDrawingId << 10) + static_cast<uint32_t>(i));
  Append(shapes, ListTextBoxes(texts, spids, size, frames));
  std::vector<uint8_t> drawing;
  std::vector<uint8_t> fdg;
  AppendU32(fdg, static_cast<uint32_t>(texts.size() + 1));  // shapes, the patriarch included
  AppendU32(fdg, spids.back());
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
