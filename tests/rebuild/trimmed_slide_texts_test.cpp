#include "engine/rebuild/trimmed_slide_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;
using testing::U32s;

constexpr uint32_t kDrawing = 3;
constexpr uint32_t kFirstSpid = kDrawing << 10;
constexpr uint16_t kColorScheme = 0x07F0;

const std::vector<uint8_t> kTitle = Cat(
    {Record(0, kTypeTextHeaderAtom, U32s({0})), Record(0, kTypeTextCharsAtom, {'T', 0, 'o', 0})});
const std::vector<uint8_t> kBody = Cat({Record(0, kTypeTextHeaderAtom, U32s({1})),
                                        Record(0, kTypeTextCharsAtom, {'B', 0, 'o', 0, 'd', 0}),
                                        Record(0, 0x0FA1, {1, 0, 0, 0, 0, 0})});
const std::vector<uint8_t> kEntry = Cat({kTitle, kBody});

std::vector<uint8_t> ShapeAtom(uint32_t spid) {
  return Record(0x0CA2, kTypeShapeAtom, U32s({spid, 0xA00}));
}

// A placeholder of the given placement whose text box holds the given records.
std::vector<uint8_t> Placeholder(uint32_t spid, uint8_t placement, std::vector<uint8_t> text) {
  const auto atom = Record(0, kTypePlaceholderAtom, {0, 0, 0, 0, placement, 0, 0, 0});
  return Record(0x0F, kTypeShapeContainer,
                Cat({ShapeAtom(spid), Record(0x0F, kTypeClientData, atom),
                     Record(0x0F, kTypeClientTextbox, std::move(text))}));
}

std::vector<uint8_t> RefTo(uint32_t index) {
  return Record(0, kTypeOutlineTextRefAtom, U32s({index}));
}

// A slide whose drawing holds the patriarch and the given shapes, a shape after its top
// group (as the background is) and a record after the drawing.
std::vector<uint8_t> SlideWith(std::vector<uint8_t> shapes, uint32_t csp, uint32_t last) {
  const auto patriarch = Record(0x0F, kTypeShapeContainer, ShapeAtom(kFirstSpid));
  const auto group = Record(0x0F, kTypeGroupContainer, Cat({patriarch, shapes}));
  const auto background = Record(0x0F, kTypeShapeContainer, ShapeAtom(kFirstSpid + 1));
  const auto dg =
      Record(0x0F, kTypeDrawingContainer,
             Cat({Record(kDrawing << 4, kTypeDrawingAtom, U32s({csp, last})), group, background}));
  return Record(0x0F, kTypeSlide,
                Cat({Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)),
                     Record(0x0F, kTypePPDrawing, dg), Record(0, kColorScheme, U32s({7}))}));
}

std::span<const uint8_t> GroupOf(std::span<const uint8_t> slide) {
  return FirstChild(FirstChild(FirstChild(slide, kTypePPDrawing), kTypeDrawingContainer),
                    kTypeGroupContainer);
}

std::span<const uint8_t> DgAtomOf(std::span<const uint8_t> slide) {
  return FirstChild(FirstChild(FirstChild(slide, kTypePPDrawing), kTypeDrawingContainer),
                    kTypeDrawingAtom);
}

// Every shape id of the record run, inside containers too.
void CollectSpids(std::span<const uint8_t> container, std::vector<uint32_t>& spids) {
  for (std::span<const uint8_t> child : ChildRecords(container)) {
    if ((GetU16(child, 0) & 0xF) == 0xF) CollectSpids(child, spids);
    if (GetU16(child, 2) == kTypeShapeAtom) spids.push_back(GetU32(child, 8));
  }
}

std::vector<int16_t> AnchorOf(std::span<const uint8_t> shape) {
  const auto anchor = FirstChild(shape, kTypeClientAnchor);
  if (anchor.size() < 16) return {};
  return {static_cast<int16_t>(GetU16(anchor, 8)), static_cast<int16_t>(GetU16(anchor, 10)),
          static_cast<int16_t>(GetU16(anchor, 12)), static_cast<int16_t>(GetU16(anchor, 14))};
}

bool Holds(std::span<const uint8_t> bytes, const std::vector<uint8_t>& part) {
  return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

const MasterFrames kFrames{TextFrame{100, 200, 5000, 700}, TextFrame{1000, 200, 5000, 4000}};

TEST(TrimmedSlideTexts, LostBodyPlaceholderComesBackAsABoxBesideTheKeptTitle) {
  const auto title_shape = Placeholder(kFirstSpid + 2, 0x0D, RefTo(0));
  const auto slide = SlideWith(title_shape, 3, kFirstSpid + 2);
  const auto out = WithMissingListTexts(slide, kEntry, SlideSize{}, kFrames);

  // Every enclosing container grew by the box: the slide nests exactly, one record.
  ASSERT_TRUE(IsWellFormedRecordRun(out));
  ASSERT_EQ(out.size(), 8 + size_t{GetU32(out, 4)});
  const auto shapes = ChildRecords(GroupOf(out));
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_TRUE(std::ranges::equal(shapes[1], title_shape)) << "the title shape is kept as it was";
  const auto box = shapes[2];
  const auto text = FirstChild(box, kTypeClientTextbox);
  EXPECT_TRUE(std::ranges::equal(text.subspan(8), kBody)) << "the body's records, as they are";
  EXPECT_FALSE(Holds(out, kTitle)) << "the title is shown by its placeholder, not repeated";
  EXPECT_EQ(AnchorOf(box), (std::vector<int16_t>{1000, 200, 5000, 4000}));
  // What follows the group in the drawing and the drawing in the slide is untouched.
  const auto dg = FirstChild(FirstChild(out, kTypePPDrawing), kTypeDrawingContainer);
  EXPECT_EQ(GetU16(ChildRecords(dg).back(), 2), kTypeShapeContainer);
  EXPECT_EQ(GetU16(ChildRecords(out).back(), 2), kColorScheme);

  // The box takes the id after the drawing's last, and the drawing atom counts it.
  EXPECT_EQ(GetU32(box, 16), kFirstSpid + 3);
  EXPECT_EQ(GetU32(DgAtomOf(out), 8), 4u);
  EXPECT_EQ(GetU32(DgAtomOf(out), 12), kFirstSpid + 3);
}

TEST(TrimmedSlideTexts, SlideShowingEveryTextIsReturnedAsItIs) {
  const auto same = [](const std::vector<uint8_t>& slide, std::span<const uint8_t> entry) {
    return WithMissingListTexts(slide, entry, SlideSize{}, kFrames) == slide;
  };
  const auto both = SlideWith(Cat({Placeholder(kFirstSpid + 2, 0x0D, RefTo(0)),
                                   Placeholder(kFirstSpid + 3, 0x0E, RefTo(1))}),
                              4, kFirstSpid + 3);
  EXPECT_TRUE(same(both, kEntry));
  EXPECT_TRUE(same(both, {}));
  // Texts held by the shapes themselves, not named by reference, are shown too.
  const auto own = SlideWith(
      Cat({Placeholder(kFirstSpid + 2, 0x0D, kTitle), Placeholder(kFirstSpid + 3, 0x0E, kBody)}), 4,
      kFirstSpid + 3);
  EXPECT_TRUE(same(own, kEntry));
  // A text without characters has nothing to show.
  const auto empty_body = Cat({kTitle, Record(0, kTypeTextHeaderAtom, U32s({1}))});
  EXPECT_TRUE(
      same(SlideWith(Placeholder(kFirstSpid + 2, 0x0D, RefTo(0)), 3, kFirstSpid + 2), empty_body));
  // A slide that does not nest, or has no drawing atom, is not touched.
  auto broken = SlideWith({}, 2, kFirstSpid + 1);
  PutU32(broken, 4, GetU32(broken, 4) - 4);
  broken.resize(broken.size() - 4);
  EXPECT_TRUE(same(broken, kEntry));
  const auto no_drawing =
      Record(0x0F, kTypeSlide, Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)));
  EXPECT_TRUE(same(no_drawing, kEntry));
}

TEST(TrimmedSlideTexts, LostTitleTakesTheTitleFrameOnlyWhenTheSlideHasNoTitle) {
  const auto body_shape = Placeholder(kFirstSpid + 2, 0x0E, RefTo(1));
  const auto out =
      WithMissingListTexts(SlideWith(body_shape, 3, kFirstSpid + 2), kEntry, SlideSize{}, kFrames);
  const auto shapes = ChildRecords(GroupOf(out));
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_TRUE(std::ranges::equal(FirstChild(shapes[2], kTypeClientTextbox).subspan(8), kTitle));
  EXPECT_EQ(AnchorOf(shapes[2]), (std::vector<int16_t>{100, 200, 5000, 700}));

  // A kept title placeholder (its text lost with a damaged text box) is not covered over;
  // the body still comes back, in the default body frame when the master gives none.
  const auto kept_title =
      Cat({Record(0x0F, kTypeShapeContainer,
                  Cat({ShapeAtom(kFirstSpid + 2),
                       Record(0x0F, kTypeClientData,
                              Record(0, kTypePlaceholderAtom, {0, 0, 0, 0, 0x0F, 0, 0, 0}))}))});
  const auto kept = WithMissingListTexts(SlideWith(kept_title, 3, kFirstSpid + 2), kEntry,
                                         SlideSize{5760, 4320}, MasterFrames{});
  const auto kept_shapes = ChildRecords(GroupOf(kept));
  ASSERT_EQ(kept_shapes.size(), 3u);
  EXPECT_FALSE(Holds(kept, kTitle));
  EXPECT_EQ(AnchorOf(kept_shapes[2]), (std::vector<int16_t>{1036, 288, 5472, 4147}));
}

TEST(TrimmedSlideTexts, NewShapeIdsStayFreeAndInTheDrawingsRange) {
  const auto second_body =
      Cat({Record(0, kTypeTextHeaderAtom, U32s({1})), Record(0, kTypeTextCharsAtom, {'C', 0})});
  const auto entry = Cat({kTitle, kBody, second_body});
  const auto check = [&](uint32_t last, const std::vector<uint8_t>& shapes, size_t added) {
    const auto slide = SlideWith(shapes, 0, last);
    const auto out = WithMissingListTexts(slide, entry, SlideSize{}, kFrames);
    ASSERT_TRUE(IsWellFormedRecordRun(out));
    std::vector<uint32_t> before, after;
    CollectSpids(slide, before);
    CollectSpids(out, after);
    ASSERT_EQ(after.size(), before.size() + added);
    EXPECT_EQ(std::set<uint32_t>(after.begin(), after.end()).size(), after.size()) << "no id twice";
    for (uint32_t spid : after) EXPECT_EQ(spid >> 10, kDrawing) << spid;
    EXPECT_EQ(GetU32(DgAtomOf(out), 8), added);
    EXPECT_EQ(GetU32(DgAtomOf(out), 12), *std::max_element(after.begin(), after.end()));
  };
  // Both bodies lost: ids after the last, the bodies sharing the body frame in bands.
  check(kFirstSpid + 2, Placeholder(kFirstSpid + 2, 0x0D, RefTo(0)), 2);
  // The last id at the top of the range: the boxes take free ids below it.
  check(kFirstSpid + 1023, Placeholder(kFirstSpid + 1023, 0x0D, RefTo(0)), 2);
  // A last id of noise outside the range: the ids follow the shapes' own.
  check(0xDEADBEEF, Placeholder(kFirstSpid + 7, 0x0D, RefTo(0)), 2);

  // A range with no free id left adds nothing rather than reuse one.
  std::vector<uint8_t> full;
  for (uint32_t spid = kFirstSpid + 2; spid < kFirstSpid + 1024; ++spid)
    full = Cat({full, Record(0x0F, kTypeShapeContainer, ShapeAtom(spid))});
  full = Cat({full, Placeholder(kFirstSpid + 1, 0x0D, RefTo(0))});
  const auto crowded = SlideWith(full, 1024, kFirstSpid + 1023);
  EXPECT_EQ(WithMissingListTexts(crowded, entry, SlideSize{}, kFrames), crowded);
}

}  // namespace
}  // namespace vlx
