#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vlx {

// The fixed records the rebuilt "PowerPoint Document" stream and the "Current User"
// stream are made of. One set is owned by each front end and handed to its runs in the
// run environment. It is writable: the rebuild patches container lengths in place, the
// fast mode's carving replaces the first 512 bytes of the Current User image, and a
// change lasts for later runs of the same program run.
struct TemplateRecords {
  std::array<uint8_t, 8> document_header;  // Document container header, length 859
  std::array<uint8_t, 48> document_atom;
  std::array<uint8_t, 284> environment;
  std::array<uint8_t, 8> drawing_group_header;  // length 128
  std::array<uint8_t, 8> dgg_header;            // OfficeArt container header, length 120
  std::array<uint8_t, 40> dgg_atom;
  std::array<uint8_t, 712> default_blip_store;
  std::array<uint8_t, 56> dgg_options;
  std::array<uint8_t, 24> menu_split_colors;
  std::array<uint8_t, 36> master_list;
  std::array<uint8_t, 287> doc_info_list;
  std::array<uint8_t, 60> slide_list;
  std::array<uint8_t, 8> end_document;
  std::array<uint8_t, 2476> default_main_master;
  std::array<uint8_t, 40> slide_head;  // Slide header (length 826) + SlideAtom
  std::array<uint8_t, 556> trial_slide;
  std::array<uint8_t, 5120> current_user_image;

  // Registers of the most recent build.
  uint64_t master_stream_offset = 0;  // 867 + blip-store size
  uint64_t user_edit_offset = 0;      // stream offset of the last UserEditAtom written
};

// The records exactly as the program stores them, never patched: the starting state of a
// front end's set, and what a caller that must not leave its changes behind restores.
const TemplateRecords& PristineTemplates();

// Byte offset of offsetToCurrentEdit inside current_user_image.
inline constexpr size_t kCurrentUserEditOffsetField = 16;

}  // namespace vlx
