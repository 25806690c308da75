// Rebuilds a "PowerPoint Document" stream from arbitrary bytes as the standard mode does
// with a damaged one: the damaged Document's salvage, the persist ids taken from an edit
// chain or from the order of the records, the slides kept, trimmed or standing in. A
// whole compound file (the corpus seeds) is read from its first Document container on,
// as a carve would. Crashes, sanitizer reports, and a rebuilt stream that is not well
// formed or whose own edit does not map what it wrote are findings. The embedded objects'
// own pictures are read from the same bytes, and from them as one object's storage.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/format/record_tree.h"
#include "engine/rebuild/document_salvage.h"
#include "engine/rebuild/object_previews.h"
#include "engine/rebuild/own_records_stream.h"

namespace {

constexpr std::array<uint8_t, 4> kDocumentOpening = {0x0F, 0x00, 0xE8, 0x03};

std::span<const uint8_t> StreamOf(std::span<const uint8_t> input) {
  const auto found =
      std::search(input.begin(), input.end(), kDocumentOpening.begin(), kDocumentOpening.end());
  if (found == input.end()) return input;
  return input.subspan(static_cast<size_t>(found - input.begin()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> stream = StreamOf({data, size});
  // The embedded objects' pictures: their stored objects, each a compound file of its own.
  for (const auto& [blip, preview] : vlx::ObjectPreviewsByBlip(stream))
    if (preview.wmf.empty() || blip == 0) __builtin_trap();
  (void)vlx::CachedObjectPreview({data, size});
  if (const auto document = vlx::SalvageDocument(stream))
    if (!vlx::IsWellFormedRecordRun(document->bytes)) __builtin_trap();
  std::string why;
  const auto rebuilt = vlx::BuildOwnRecordsStream(stream, std::nullopt, &why);
  if (!rebuilt) return 0;
  if (!vlx::IsWellFormedRecordRun(rebuilt->bytes)) __builtin_trap();
  if (vlx::PersistOffsets(rebuilt->bytes, rebuilt->user_edit_offset) != rebuilt->persist_offsets)
    __builtin_trap();
  return 0;
}
