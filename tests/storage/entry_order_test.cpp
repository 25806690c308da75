#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "engine/storage/directory_tree.h"
#include "engine/storage/entry_name.h"

namespace vlx {
namespace {

TEST(EntryName, OrdersByLengthBeforeLetters) {
  EXPECT_LT(CompareEntryNames(u"Zz", u"aaa"), 0);
  EXPECT_GT(CompareEntryNames(u"Pictures", u"Current"), 0);
  EXPECT_LT(CompareEntryNames(u"Current User", u"PowerPoint Document"), 0);
  EXPECT_LT(CompareEntryNames(u"abc", u"abd"), 0);
}

TEST(EntryName, ComparesWithoutCase) {
  EXPECT_EQ(CompareEntryNames(u"pictures", u"PICTURES"), 0);
  EXPECT_EQ(CompareEntryNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);  // Latin-1
  EXPECT_EQ(CompareEntryNames(u"\u0430\u0431", u"\u0410\u0411"), 0);    // Cyrillic
  EXPECT_EQ(CompareEntryNames(u"\u0142", u"\u0141"), 0);                // odd/even pair
  EXPECT_EQ(CompareEntryNames(u"\u0101", u"\u0100"), 0);                // even/odd pair
  // Letters upper-case before comparing: '_' (0x5F) sorts after 'A'..'Z' but before 'a'.
  EXPECT_LT(CompareEntryNames(u"a", u"_"), 0);
}

TEST(EntryName, RefusesNamesTheFormatCannotHold) {
  std::u16string name;
  std::string why;
  EXPECT_FALSE(MakeEntryName("", &name, &why));
  EXPECT_FALSE(MakeEntryName("a/b", &name));
  EXPECT_FALSE(MakeEntryName("a\\b", &name));
  EXPECT_FALSE(MakeEntryName("a:b", &name));
  EXPECT_FALSE(MakeEntryName("a!b", &name));
  EXPECT_FALSE(MakeEntryName(std::string(32, 'x'), &name, &why));
  EXPECT_FALSE(why.empty());
  ASSERT_TRUE(MakeEntryName(std::string(31, 'x'), &name));
  EXPECT_EQ(name.size(), 31u);
  ASSERT_TRUE(MakeEntryName("\xC3\xA9t\xC3\xA9", &name));  // UTF-8 in, UTF-16 out
  EXPECT_EQ(name, u"\u00e9t\u00e9");
}

// Walks the tree under root; checks order, colours and equal black heights.
struct TreeCheck {
  const std::vector<DirectoryEntry>& entries;
  std::vector<uint32_t> in_order;
  bool red_red = false;
  std::set<int> black_heights;

  void Walk(uint32_t id, bool parent_red, int blacks) {
    if (id == cfb::kNoStream) {
      black_heights.insert(blacks);
      return;
    }
    const bool red = entries[id].color == cfb::NodeColor::kRed;
    if (red && parent_red) red_red = true;
    Walk(entries[id].left, red, blacks + (red ? 0 : 1));
    in_order.push_back(id);
    Walk(entries[id].right, red, blacks + (red ? 0 : 1));
  }
};

TEST(SiblingTree, IsAValidRedBlackTreeForEveryCount) {
  std::mt19937 random(7);
  for (uint32_t count = 0; count <= 70; ++count) {
    std::vector<DirectoryEntry> entries(count + 1);
    std::vector<uint32_t> ids;
    for (uint32_t i = 1; i <= count; ++i) {
      const size_t length = 1 + random() % 6;
      for (size_t k = 0; k < length; ++k)
        entries[i].name += static_cast<char16_t>('a' + random() % 26);
      entries[i].name += static_cast<char16_t>('0' + i % 10) + std::u16string(i / 10, u'#');
      ids.push_back(i);
    }
    const uint32_t root = LinkSiblingTree(entries, ids);
    if (count == 0) {
      EXPECT_EQ(root, cfb::kNoStream);
      continue;
    }
    TreeCheck check{entries, {}, false, {}};
    EXPECT_EQ(entries[root].color, cfb::NodeColor::kBlack) << count;
    check.Walk(root, false, 0);
    EXPECT_FALSE(check.red_red) << count;
    EXPECT_EQ(check.black_heights.size(), 1u) << count;
    ASSERT_EQ(check.in_order.size(), count);
    for (size_t i = 1; i < check.in_order.size(); ++i) {
      EXPECT_LT(
          CompareEntryNames(entries[check.in_order[i - 1]].name, entries[check.in_order[i]].name),
          0)
          << count;
    }
  }
}

}  // namespace
}  // namespace vlx
