// The check of a candidate document stream: what a whole presentation passes and each
// break in the chain from the Current User to the slides that it must catch.

#include "engine/salvage/presentation_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
Bytes Record(uint16_t ver_inst, uint16_t type, const Bytes& body) {
  Bytes r;
  Put16(r, ver_inst);
  Put16(r, type);
  Put32(r, static_cast<uint32_t>(body.size()));
  r.insert(r.end(), body.begin(), body.end());
  return r;
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes U32s(std::initializer_list<uint32_t> values) {
  Bytes b;
  for (uint32_t v : values) Put32(b, v);
  return b;
}

struct PresentationCheckResult {
  salvage::PresentationCheck check;
};

// A document stream: the Document container (its slide list names the slide ids
// given), one Slide container per id, the persist directory and the user edit.
struct Presentation {
  Bytes stream;
  uint32_t edit = 0;
  uint32_t directory = 0;
  uint32_t slide_at = 0;

  explicit Presentation(std::vector<uint32_t> listed = {2}, uint32_t slide_id = 2) {
    Bytes persist_atoms;
    for (uint32_t id : listed)
      persist_atoms = Join({persist_atoms, Record(0, 0x03F3, U32s({id, 0, 0, 256, 0}))});
    const Bytes document = Record(
        0x000F, 0x03E8, Join({Record(0x000F, 0x0FF0, persist_atoms), Record(0, 0x03EA, {})}));
    const Bytes slide = Record(0x000F, 0x03EE, Record(0x0002, 0x03EF, Bytes(24, 0)));
    slide_at = static_cast<uint32_t>(document.size());
    stream = Join({document, slide});
    directory = static_cast<uint32_t>(stream.size());
    stream =
        Join({stream, Record(0, 0x1772, U32s({1 | 1u << 20, 0, slide_id | 1u << 20, slide_at}))});
    edit = static_cast<uint32_t>(stream.size());
    stream = Join({stream, Record(0, 0x0FF5, U32s({256, 0x03000000, 0, directory, 1, 3, 1}))});
  }

  static Bytes CurrentUser(uint32_t edit) {
    Bytes user = Record(0, 0x0FF6, Bytes(51, 0));
    Set32(user, 8 + 8, edit);
    return user;
  }

  // The Current User PowerPoint writes: its header token set.
  static Bytes GenuineCurrentUser(uint32_t edit) {
    Bytes user = CurrentUser(edit);
    Set32(user, 8 + 4, 0xE391C05F);
    return user;
  }

  PresentationCheckResult Check(const Bytes* user, uint64_t file_ends_at = 0) const;
};

PresentationCheckResult Presentation::Check(const Bytes* user, uint64_t file_ends_at) const {
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("doc", stream));
  std::vector<uint8_t> bytes;
  if (user != nullptr) bytes.assign(user->begin(), user->end());
  return {salvage::CheckPresentation(*file, user != nullptr ? &bytes : nullptr, file_ends_at)};
}

TEST(PresentationCheck, WholePresentationPasses) {
  const Presentation p;
  const Bytes user = Presentation::CurrentUser(p.edit);
  const auto check = p.Check(&user).check;
  EXPECT_TRUE(check.verified) << check.failure;
  EXPECT_TRUE(check.current_user_names_edit);
  EXPECT_EQ(check.slides, 1);
  EXPECT_EQ(check.persist_objects, 2);
  EXPECT_EQ(check.edits, 1);
}

// A missing or stale Current User does not fail the document: the newest edit is used
// and the caller learns that the Current User must be rebuilt.
TEST(PresentationCheck, StaleOrMissingCurrentUserFallsBackToTheNewestEdit) {
  const Presentation p;
  const Bytes stale = Presentation::CurrentUser(p.edit + 3);
  for (const Bytes* user : {&stale, static_cast<const Bytes*>(nullptr)}) {
    const auto check = p.Check(user).check;
    EXPECT_TRUE(check.verified) << check.failure;
    EXPECT_FALSE(check.current_user_names_edit);
    ASSERT_TRUE(check.current_edit.has_value());
    EXPECT_EQ(*check.current_edit, p.edit);
  }
}

// A run of sectors that holds a whole older save of the stream (its first edit, its
// slides) but ends before the edit the file's own Current User names is a stale or
// foreign copy, unless the file itself ended there.
TEST(PresentationCheck, StreamEndingBeforeTheNamedEditIsStaleUnlessTheFileWasCut) {
  const Presentation p;
  const uint32_t newer = static_cast<uint32_t>(p.stream.size()) + 2000;  // a later save's edit
  const Bytes user = Presentation::GenuineCurrentUser(newer);
  {
    const auto check = p.Check(&user, UINT64_MAX).check;  // read back whole
    EXPECT_FALSE(check.verified);
    EXPECT_NE(check.failure.find("past the end of this stream"), std::string::npos)
        << check.failure;
  }
  {
    // Carved from a file that goes on well past where the edit would lie.
    EXPECT_FALSE(p.Check(&user, newer + 100).check.verified);
  }
  for (const uint64_t file_ends_at : {uint64_t{newer}, uint64_t{0}}) {
    // The file ended before the edit (a cut file), or where it ends is not known: the
    // newest edit held stands in and the Current User is rebuilt.
    const auto check = p.Check(&user, file_ends_at).check;
    EXPECT_TRUE(check.verified) << check.failure;
    EXPECT_FALSE(check.current_user_names_edit);
    EXPECT_EQ(check.current_edit, p.edit);
  }
  {
    // A block that only starts like a Current User (no header token) proves nothing.
    const Bytes loose = Presentation::CurrentUser(newer);
    EXPECT_TRUE(p.Check(&loose, UINT64_MAX).check.verified);
  }
  {
    // The genuine Current User naming the stream's own edit passes as before.
    const Bytes own = Presentation::GenuineCurrentUser(p.edit);
    const auto check = p.Check(&own, UINT64_MAX).check;
    EXPECT_TRUE(check.verified) << check.failure;
    EXPECT_TRUE(check.current_user_names_edit);
  }
}

TEST(PresentationCheck, BreaksInTheChainFail) {
  {
    const Presentation p({2, 3});  // the slide list names a slide the directory lacks
    EXPECT_EQ(p.Check(nullptr).check.failure, "slide 3 is missing");
  }
  {
    Presentation p;  // a sector of other bytes where the slide's atom was
    for (size_t i = p.slide_at + 8; i < p.slide_at + 40; ++i) p.stream[i] = 0xEE;
    const auto check = p.Check(nullptr).check;
    EXPECT_FALSE(check.verified);
    EXPECT_NE(check.failure.find("persist object 2"), std::string::npos) << check.failure;
  }
  {
    Presentation p;  // the edit's persist directory offset points into the slide
    Set32(p.stream, p.edit + 8 + 12, p.slide_at);
    EXPECT_NE(p.Check(nullptr).check.failure.find("no persist directory"), std::string::npos);
  }
  {
    Presentation p;  // the edit names itself as the previous one
    Set32(p.stream, p.edit + 8 + 8, p.edit);
    EXPECT_EQ(p.Check(nullptr).check.failure, "the user edits loop");
  }
  {
    Presentation p;  // the stream was cut before its user edit
    p.stream.resize(p.edit + 10);
    EXPECT_EQ(p.Check(nullptr).check.failure, "the document stream holds no user edit");
  }
}

TEST(PresentationCheck, EmptyStreamFails) {
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("empty", {}));
  EXPECT_EQ(salvage::CheckPresentation(*file, nullptr).failure, "the document stream is empty");
}

}  // namespace
}  // namespace vlx::testing
