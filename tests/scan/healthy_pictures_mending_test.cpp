#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/rebuild/picture_mending.h"
#include "tests/scan/compound_walk.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

// The picture menders on real, whole pictures: none may be taken for damaged, since a
// mended picture is no longer the file's own.

namespace vlx {
namespace {

TEST(HealthyPicturesMending, NoPictureOfAHealthyPresentationIsTakenForDamaged) {
  VLX_REQUIRE_CORPUS();
  testing::TempDir dir;
  size_t pictures_checked = 0;
  for (const std::string& name : HealthyCorpusPresentations()) {
    const auto bytes = testing::ReadAll(CorpusPath("healthy/" + name));
    const auto walk = testing::CompoundWalk::Read(bytes);  // reads from `bytes` as it goes
    ASSERT_TRUE(walk) << name;
    const auto pictures = walk->Stream("Pictures");
    const auto document = walk->Stream("PowerPoint Document");
    if (!pictures || !document) continue;
    for (size_t at = 0; pictures->bytes.size() - at >= 8;) {
      const size_t length = 8 + size_t{GetU32(pictures->bytes, at + 4)};
      if (length > pictures->bytes.size() - at) break;
      std::vector<uint8_t> record(pictures->bytes.begin() + at,
                                  pictures->bytes.begin() + at + length);
      EXPECT_FALSE(MendPictureRecord(record, at)) << name << " picture at " << at;
      ++pictures_checked;
      at += length;
    }
    auto file = DamagedFile::Open(dir.Write(name, pictures->bytes));
    std::string error;
    EXPECT_FALSE(MendDamagedPictures(document->bytes, *file, dir.File(name + "-mended"), &error))
        << name;
  }
  EXPECT_GT(pictures_checked, 50u);
}

}  // namespace
}  // namespace vlx
