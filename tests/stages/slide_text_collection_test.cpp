#include "engine/office/slide_text_collection.h"

#include <gtest/gtest.h>

namespace vlx {
namespace {

SlideTextStore Store(std::vector<SlideText> bytes, std::vector<SlideText> chars) {
  SlideTextStore store;
  store.groups.push_back({std::move(bytes), std::move(chars)});
  return store;
}

TEST(HighestTextSlide, TakesTheLastEntryOfEachListNotTheirMaximum) {
  EXPECT_EQ(HighestTextSlide(SlideTextStore{}), 0);
  EXPECT_EQ(HighestTextSlide(Store({}, {})), 0);
  EXPECT_EQ(HighestTextSlide(Store({{"a", 3}}, {})), 3);
  EXPECT_EQ(HighestTextSlide(Store({{"a", 2}}, {{"b", 1}, {"c", 5}})), 5);
  // A second slide list restarts the numbering; the last entry decides.
  EXPECT_EQ(HighestTextSlide(Store({{"a", 1}, {"b", 4}, {"c", 1}}, {})), 1);
}

TEST(HighestTextSlide, ReadsOnlyTheFirstGroup) {
  SlideTextStore store = Store({{"a", 2}}, {});
  store.groups.push_back({{{"later", 9}}, {}});
  EXPECT_EQ(HighestTextSlide(store), 2);
}

TEST(CollectSlideTexts, PutsByteTextsBeforeCharTexts) {
  const SlideTextStore store =
      Store({{"b1", 1}, {"b2", 2}, {"b2'", 2}}, {{"c1", 1}, {"c2", 2}, {"c3", 3}});
  SlideTextBuffer buffer;
  EXPECT_EQ(CollectSlideTexts(store, 2, buffer), 3u);
  EXPECT_EQ(buffer, (SlideTextBuffer{"b2", "b2'", "c2"}));
  EXPECT_EQ(CollectSlideTexts(store, 4, buffer), 0u);
  EXPECT_TRUE(buffer.empty()) << "the buffer is filled anew for every slide number";
}

TEST(CollectSlideTexts, StopsAtTheFirstGreaterNumberSoRestartedListsAreNotReached) {
  const SlideTextStore store = Store({{"first 1", 1}, {"first 3", 3}, {"second 1", 1}}, {});
  SlideTextBuffer buffer;
  EXPECT_EQ(CollectSlideTexts(store, 1, buffer), 1u);
  EXPECT_EQ(buffer, (SlideTextBuffer{"first 1"}));
}

TEST(CollectSlideTexts, HoldsAtMostOneHundredTexts) {
  std::vector<SlideText> many(120, SlideText{"t", 7});
  const SlideTextStore store = Store(many, {{"char", 7}});
  SlideTextBuffer buffer;
  EXPECT_EQ(CollectSlideTexts(store, 7, buffer), kSlideTextBufferSize);
  EXPECT_EQ(buffer.size(), kSlideTextBufferSize);
  EXPECT_EQ(buffer.back(), "t");
}

}  // namespace
}  // namespace vlx
