#include "engine/rebuild/stream_prefix.h"

#include <stdexcept>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/template_records.h"
#include "engine/rebuild/template_patching.h"

namespace vlx {
namespace {

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> piece) {
  out.insert(out.end(), piece.begin(), piece.end());
}

}  // namespace

StreamPrefix ComposeStreamPrefix(TemplateRecords& t, std::span<const uint8_t> blip_store,
                                 std::span<const uint8_t> master,
                                 std::span<const uint8_t> slide_list) {
  PatchContainerLengths(t, blip_store.size());

  StreamPrefix prefix;
  std::vector<uint8_t>& out = prefix.bytes;
  out.reserve(kMasterOffsetWithoutBlipStore + blip_store.size() + master.size() +
              slide_list.size());
  const size_t document_start = out.size();
  Append(out, t.document_header);
  Append(out, t.document_atom);
  Append(out, t.environment);
  Append(out, t.drawing_group_header);
  Append(out, t.dgg_header);
  Append(out, t.dgg_atom);
  if (out.size() != kBlipStoreStreamOffset) throw std::logic_error("template sizes changed");
  Append(out, blip_store);
  Append(out, t.dgg_options);
  Append(out, t.menu_split_colors);
  Append(out, t.master_list);
  Append(out, t.doc_info_list);
  Append(out, slide_list);
  Append(out, t.end_document);
  // The Document container spans everything written so far but its own header.
  PutU32(out, document_start + kRecordLengthField,
         static_cast<uint32_t>(out.size() - document_start - 8));
  prefix.master_offset = static_cast<uint32_t>(out.size());
  Append(out, master);
  return prefix;
}

StreamPrefix ComposeStreamPrefix(TemplateRecords& templates, std::span<const uint8_t> blip_store,
                                 std::span<const uint8_t> master) {
  return ComposeStreamPrefix(templates, blip_store, master, templates.slide_list);
}

}  // namespace vlx
