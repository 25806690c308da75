#include "engine/scan/pictures/deflate_resume.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace vlx {
namespace {

constexpr size_t kBlock = 512;

// Text of random words: it packs into long dynamic blocks full of back-references.
std::vector<uint8_t> Words(size_t size, uint32_t seed) {
  static const char* kWords[] = {"slide", "master", "picture", "record", "stream", "sector",
                                 "the",   "of",     "a",       "deck",   "text",   "notes"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % 12];
    text += random() % 7 == 0 ? ".\n" : " ";
    if (random() % 5 == 0) text += std::to_string(random() % 1000);
  }
  text.resize(size);
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Pack(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
  packed.resize(size);
  return packed;
}

void Lose(std::vector<uint8_t>& packed, size_t block, uint32_t seed) {
  std::mt19937 random(seed);
  for (size_t i = block * kBlock; i < (block + 1) * kBlock && i < packed.size(); ++i)
    packed[i] = static_cast<uint8_t>(random());
}

std::vector<size_t> BlockStarts(size_t size) {
  std::vector<size_t> starts;
  for (size_t at = kBlock; at < size; at += kBlock) starts.push_back(at);
  return starts;
}

// Every byte the tail calls known is the original's, in its place from the end.
void ExpectKnownBytesRight(const ResumedTail& tail, const std::vector<uint8_t>& raw) {
  ASSERT_LE(tail.bytes.size(), raw.size());
  const size_t start = raw.size() - tail.bytes.size();
  size_t wrong = 0;
  for (size_t i = 0; i < tail.bytes.size(); ++i)
    if (tail.known[i] != 0 && tail.bytes[i] != raw[start + i]) ++wrong;
  EXPECT_EQ(wrong, 0u);
}

TEST(DeflateResume, TheOutputAfterALostBlockComesBackInItsPlace) {
  const std::vector<uint8_t> raw = Words(400000, 1);
  for (uint32_t seed : {1u, 2u, 3u}) {
    std::vector<uint8_t> packed = Pack(raw);
    const size_t lost = packed.size() * 4 / 10 / kBlock;
    Lose(packed, lost, seed);
    const auto tail = ResumeAfterLoss(packed, lost * kBlock, BlockStarts(packed.size()), raw.size(),
                                      [](const ResumedTail&) { return true; });
    ASSERT_TRUE(tail) << "seed " << seed;
    EXPECT_EQ(tail->resumed_at, (lost + 1) * kBlock);
    ExpectKnownBytesRight(*tail, raw);
    size_t known = 0;
    for (uint8_t k : tail->known) known += k;
    EXPECT_GT(known, 0u);
    EXPECT_GT(tail->bytes.size(), raw.size() / 2);
  }
}

// Decoding from the first loss may run on through a second one; the caller's check, which
// refuses that tail, makes the search go on to the tail after the second loss.
TEST(DeflateResume, ATailTheCallerRefusesLeadsToTheNextOne) {
  const std::vector<uint8_t> raw = Words(400000, 4);
  std::vector<uint8_t> packed = Pack(raw);
  const size_t first = packed.size() / 4 / kBlock, second = packed.size() * 6 / 10 / kBlock;
  Lose(packed, first, 7);
  Lose(packed, second, 8);
  const auto tail = ResumeAfterLoss(
      packed, first * kBlock, BlockStarts(packed.size()), raw.size(),
      [&](const ResumedTail& t) { return t.resumed_at > (second + 1) * kBlock - 1; });
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->resumed_at, (second + 1) * kBlock);
  ExpectKnownBytesRight(*tail, raw);
}

TEST(DeflateResume, NothingIsHandedOverThatTheCallerOrTheStreamsEndRefuses) {
  const std::vector<uint8_t> raw = Words(200000, 5);
  std::vector<uint8_t> packed = Pack(raw);
  const size_t lost = packed.size() / 2 / kBlock;
  Lose(packed, lost, 9);
  EXPECT_FALSE(ResumeAfterLoss(packed, lost * kBlock, BlockStarts(packed.size()), raw.size(),
                               [](const ResumedTail&) { return false; }));
  // The tail may be no longer than the caller allows.
  EXPECT_FALSE(ResumeAfterLoss(packed, lost * kBlock, BlockStarts(packed.size()), 1000,
                               [](const ResumedTail&) { return true; }));
  // Cut short, the stream never reaches its end: no tail.
  std::vector<uint8_t> cut(packed.begin(),
                           packed.begin() + static_cast<std::ptrdiff_t>(packed.size() * 3 / 4));
  EXPECT_FALSE(ResumeAfterLoss(cut, lost * kBlock, BlockStarts(cut.size()), raw.size(),
                               [](const ResumedTail&) { return true; }));
  // Random bytes are no zlib stream.
  std::vector<uint8_t> noise(20000);
  std::mt19937 random(3);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  EXPECT_FALSE(ResumeAfterLoss(noise, 0, BlockStarts(noise.size()), 1 << 20,
                               [](const ResumedTail&) { return true; }));
}

}  // namespace
}  // namespace vlx
