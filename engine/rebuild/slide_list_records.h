#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vlx {

// Records of the rebuilt slide list (SlideListWithText, instance 0).

// One slide's entry: its persist atom and the text records that follow it.
struct SlideListEntry {
  uint32_t persist_id = 0;
  uint32_t slide_id = 0;
  int32_t text_count = 2;
  std::vector<uint8_t> text_records;
};

// The slide list holding every entry in order.
std::vector<uint8_t> MakeSlideList(std::span<const SlideListEntry> entries);

// Text records for the title and body placeholders of a slide built like the trial
// slide (outline text references 0 and 1): a text header whose instance is the
// reference, then the text as UTF-16. The body's paragraphs are separated by '\r'.
// An empty body gets no records.
std::vector<uint8_t> MakePlaceholderTexts(const std::string& title_utf8,
                                          const std::vector<std::string>& body_utf8);

}  // namespace vlx
