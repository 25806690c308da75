#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// The picture an embedded object keeps of itself in its own storage (its cached
// presentation): a Windows metafile, the window its drawing is given in, and its size.
struct ObjectPreview {
  std::vector<uint8_t> wmf;
  int16_t left = 0, top = 0, right = 0, bottom = 0;  // logical units of the metafile
  uint32_t width_emu = 0, height_emu = 0;
};

// The cached presentation of one embedded object's storage (a compound file): its
// "\x02OlePres000" stream when that holds the object's content as a metafile picture
// whose drawing names its window. nullopt otherwise.
std::optional<ObjectPreview> CachedObjectPreview(std::span<const uint8_t> storage);

// The previews of the embedded objects of a Document stream, by the blip-store index (from 1,
// as shapes name pictures) of the picture their shapes show for them: the shapes of the
// newest edit's slides, masters and notes; the objects that Document's object list shows as
// their content and whose stored object is whole. A picture two objects show is left out.
std::map<uint32_t, ObjectPreview> ObjectPreviewsByBlip(std::span<const uint8_t> document_stream);

// A WMF picture record of exactly `room` bytes (header included) that shows `preview`, with
// `uid` as its unique id; nullopt when the packed metafile does not fit.
std::optional<std::vector<uint8_t>> PreviewPictureRecord(const ObjectPreview& preview,
                                                         std::span<const uint8_t> uid, size_t room);

}  // namespace vlx
