#include "engine/scan/pictures/blip_layout.h"

#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kIdentifierSize = 16;
constexpr size_t kTagSize = 1;

using Kind = BlipLayout::Kind;

struct InstanceLayout {
  uint16_t instance;  // the one-identifier instance; instance + 1 has two
  Kind kind;
  const MetafileFormat* metafile;
};

const InstanceLayout kInstances[] = {
    {kBlipInstanceWmf, Kind::kMetafile, &kWmfFormat},
    {kBlipInstanceEmf, Kind::kMetafile, &kEmfFormat},
    {kBlipInstancePict, Kind::kMetafile, &kPictFormat},
    {kBlipInstanceJpeg, Kind::kRaster, nullptr},
    {kBlipInstancePng, Kind::kRaster, nullptr},
    {kBlipInstanceJpegCmyk, Kind::kRaster, nullptr},
    {kBlipInstanceTiff, Kind::kRaster, nullptr},
    {kBlipInstanceUnnamed, Kind::kRaster, nullptr},
    {kBlipInstanceDib, Kind::kDib, nullptr},
};

}  // namespace

std::optional<BlipLayout> BlipLayoutOf(uint16_t version_instance) {
  if ((version_instance & 0x000F) != 0) return std::nullopt;  // record version 0 only
  const uint16_t instance = version_instance >> 4;
  for (const InstanceLayout& known : kInstances) {
    if (instance != known.instance && instance != known.instance + 1) continue;
    const size_t identifiers = instance == known.instance ? 1 : 2;
    BlipLayout layout;
    layout.kind = known.kind;
    layout.metafile = known.metafile;
    layout.data_offset = kRecordHeaderSize + identifiers * kIdentifierSize +
                         (known.kind == Kind::kMetafile ? 0 : kTagSize);
    return layout;
  }
  return std::nullopt;
}

}  // namespace vlx
