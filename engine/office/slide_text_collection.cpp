#include "engine/office/slide_text_collection.h"

#include <algorithm>

namespace vlx {

namespace {

int64_t LastSlideNumber(const std::vector<SlideText>& texts) {
  return texts.empty() ? 0 : texts.back().slide;
}

void CollectFrom(const std::vector<SlideText>& texts, int64_t n, SlideTextBuffer& buffer) {
  for (const SlideText& text : texts) {
    if (text.slide > n || buffer.size() >= kSlideTextBufferSize) return;
    if (text.slide == n) buffer.push_back(text.text);
  }
}

}  // namespace

int64_t HighestTextSlide(const SlideTextStore& store) {
  if (store.groups.empty()) return 0;
  const SlideTextGroup& group = store.groups.front();
  return std::max(LastSlideNumber(group.byte_texts), LastSlideNumber(group.char_texts));
}

size_t CollectSlideTexts(const SlideTextStore& store, int64_t n, SlideTextBuffer& buffer) {
  buffer.clear();
  if (store.groups.empty()) return 0;
  const SlideTextGroup& group = store.groups.front();
  CollectFrom(group.byte_texts, n, buffer);
  CollectFrom(group.char_texts, n, buffer);
  return buffer.size();
}

}  // namespace vlx
