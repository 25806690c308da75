#include "engine/rebuild/template_patching.h"

#include <limits>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"

namespace vlx {

bool PatchContainerLengths(TemplateRecords& templates, uint64_t blip_store_size) {
  constexpr uint64_t kLargestLength = std::numeric_limits<uint32_t>::max();
  if (blip_store_size > kLargestLength - kDocumentLengthWithoutBlipStore) {
    return false;
  }
  const auto size = static_cast<uint32_t>(blip_store_size);
  PutU32(templates.document_header, kRecordLengthField, size + kDocumentLengthWithoutBlipStore);
  PutU32(templates.drawing_group_header, kRecordLengthField,
         size + kDrawingGroupLengthWithoutBlipStore);
  PutU32(templates.dgg_header, kRecordLengthField, size + kDggLengthWithoutBlipStore);
  templates.master_stream_offset = kMasterOffsetWithoutBlipStore + size;
  return true;
}

}  // namespace vlx
