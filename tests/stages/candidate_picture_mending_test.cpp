#include "engine/run/candidate_picture_mending.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "tests/support/test_run.h"

namespace vlx {
namespace {

// A JPEG picture record with a scan of coded bytes, and its blip-store entry at `at`.
std::vector<uint8_t> JpegRecord(size_t coded, uint8_t mark) {
  std::vector<uint8_t> body(16, mark);
  body.push_back(0xFF);
  body.insert(body.end(), {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43});
  body.insert(body.end(), 0x41, 0x08);
  body.insert(body.end(), {0xFF, 0xC0, 0x00, 0x11, 8, 0, 64, 0, 64, 3});
  body.insert(body.end(), 9, 0x11);
  body.insert(body.end(), {0xFF, 0xDA, 0x00, 0x0C});
  body.insert(body.end(), 10, 0x00);
  std::mt19937 random(mark);
  for (size_t i = 0; i < coded; ++i) {
    const auto b = static_cast<uint8_t>(random());
    body.push_back(b);
    if (b == 0xFF) body.push_back(0x00);
  }
  body.insert(body.end(), {0xFF, 0xD9});
  std::vector<uint8_t> record(8);
  StoreU16(record.data(), 0x46A0);
  StoreU16(record.data() + 2, 0xF01D);
  StoreU32(record.data() + 4, static_cast<uint32_t>(body.size()));
  record.insert(record.end(), body.begin(), body.end());
  return record;
}

std::vector<uint8_t> Wrapped(uint16_t type, std::vector<uint8_t> body, uint16_t instance = 0x0F) {
  std::vector<uint8_t> record(8);
  StoreU16(record.data(), instance);
  StoreU16(record.data() + 2, type);
  StoreU32(record.data() + 4, static_cast<uint32_t>(body.size()));
  record.insert(record.end(), body.begin(), body.end());
  return record;
}

std::vector<uint8_t> DocumentNaming(const std::vector<uint8_t>& picture, uint8_t mark) {
  std::vector<uint8_t> entry = {5, 5};
  entry.insert(entry.end(), 16, mark);
  entry.insert(entry.end(), {0, 0});
  AppendU32(entry, static_cast<uint32_t>(picture.size()));
  AppendU32(entry, 1);
  AppendU32(entry, 0);
  entry.resize(36, 0);
  return Wrapped(kTypeDocument,
                 Wrapped(kTypeDrawingGroup,
                         Wrapped(kTypeDrawingGroupContainer,
                                 Wrapped(kTypeBlipStore,
                                         Wrapped(kTypeBlipStoreEntry, entry, 0x0052), 0x001F))));
}

TEST(CandidatePictureMending, ASetWithADamagedPictureSaysSoInItsMethodAndRepairs) {
  testing::TestRun run;
  const auto whole = JpegRecord(6000, 0x21);
  auto damaged = whole;
  damaged[3000] = 0xFF;  // a marker no coded data may hold
  damaged[3001] = 0x93;
  StreamCandidate candidate;
  candidate.method = "byte-exact streams";
  candidate.streams.push_back({{kPicturesStreamName}, run.dir.Write("pictures", damaged)});
  const auto document = DocumentNaming(damaged, 0x21);
  MendCandidatePictures(run.job, candidate, document);
  EXPECT_EQ(candidate.method, "byte-exact streams, damaged pictures mended");
  ASSERT_EQ(candidate.repairs.size(), 1u);
  EXPECT_NE(candidate.repairs[0].find("1 damaged JPEG picture"), std::string::npos);
  EXPECT_NE(candidate.Find(kPicturesStreamName)->file, run.dir.File("pictures"));

  // Whole pictures: the set is left as it was.
  StreamCandidate healthy;
  healthy.method = "byte-exact streams";
  healthy.streams.push_back({{kPicturesStreamName}, run.dir.Write("whole", whole)});
  MendCandidatePictures(run.job, healthy, DocumentNaming(whole, 0x21));
  EXPECT_EQ(healthy.method, "byte-exact streams");
  EXPECT_TRUE(healthy.repairs.empty());
  EXPECT_EQ(healthy.Find(kPicturesStreamName)->file, run.dir.File("whole"));
}

}  // namespace
}  // namespace vlx
