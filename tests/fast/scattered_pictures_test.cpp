// Pictures whose sectors lie scattered in the damaged file: the pictures stream put back
// together through its chain gives each of them back whole.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/fast/salvaged_picture_streams.h"
#include "engine/fast/sector_stream_source.h"
#include "engine/format/record_types.h"
#include "engine/run/recovery_driver.h"
#include "engine/scan/extract_images.h"
#include "tests/e2e/compound_damage.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"
#include "tests/support/test_run.h"

namespace vlx::testing {
namespace {

uint32_t U32(const Bytes& b, uint64_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}
void PutU32(Bytes& b, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A copy of a healthy presentation whose "Pictures" stream is stored as a fragmented
// file system leaves it: its sectors in four runs, the runs in another order among the
// places they held, the FAT chain and the directory changed to match. An intact
// compound file whose pictures no longer all lie in one run of bytes. Empty when the
// file has no pictures stream of eight sectors or more.
Bytes WithPicturesFragmented(const Bytes& healthy) {
  e2e::CompoundLayout layout;
  if (!e2e::ReadCompoundLayout(healthy, &layout)) return {};
  const uint32_t ss = layout.sector_size;
  const auto fat_entry = [&](uint32_t sector) {
    const uint32_t per = ss / 4;
    return layout.SectorOffset(layout.fat_sectors.at(sector / per)) + (sector % per) * 4;
  };
  for (uint32_t dir : layout.directory_sectors) {
    for (uint32_t e = 0; e < ss / 128; ++e) {
      const uint64_t entry = layout.SectorOffset(dir) + e * 128;
      const std::u16string pictures = u"Pictures";
      bool named = healthy[entry + 64] == (pictures.size() + 1) * 2 && healthy[entry + 66] == 2;
      for (size_t i = 0; named && i < pictures.size(); ++i)
        named = healthy[entry + 2 * i] == pictures[i] && healthy[entry + 2 * i + 1] == 0;
      if (!named || U32(healthy, entry + 120) < 4096) continue;
      std::vector<uint32_t> chain;
      for (uint32_t s = U32(healthy, entry + 116); s < 0xFFFFFFFA && chain.size() < 1000000;
           s = U32(healthy, fat_entry(s)))
        chain.push_back(s);
      const size_t n = chain.size();
      const size_t run = n / 4;
      if (run < 2) return {};
      const size_t order[] = {2, 0, 3, 1};  // where each run of the stream goes
      const auto place = [&](size_t i) {
        return i >= 4 * run ? chain[i] : chain[order[i / run] * run + i % run];
      };
      Bytes out = healthy;
      for (size_t i = 0; i < n; ++i) {
        std::copy_n(healthy.begin() + layout.SectorOffset(chain[i]), ss,
                    out.begin() + layout.SectorOffset(place(i)));
        PutU32(out, fat_entry(place(i)), i + 1 < n ? place(i + 1) : 0xFFFFFFFE);
      }
      PutU32(out, entry + 116, place(0));
      return out;
    }
  }
  return {};
}

using PictureSet = std::set<std::vector<char>>;

PictureSet SavedPictures(const RecordingView& view) {
  PictureSet set;
  for (const auto& p : view.pictures) set.insert(p.bytes);
  return set;
}

struct PictureRun : TestRun {
  PictureRun() : TestRun(TestRunOptions{.with_office = false}) {
    ::mkdir(env.output_folder.c_str(), 0755);
  }
};

TEST(ScatteredPictures, EveryPictureOfTheStreamComesBackByteForByte) {
  VLX_REQUIRE_CORPUS();
  if (!OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (/usr/bin/python3)";
  size_t regained = 0;
  size_t files = 0;
  for (const std::string& name : HealthyCorpusPresentations()) {
    SCOPED_TRACE(name);
    const Bytes healthy = ReadAll(CorpusPath("healthy/" + name));
    const Bytes scattered = WithPicturesFragmented(healthy);
    if (scattered.empty()) continue;
    const ReaderResult truth = ReadWithOlefile(CorpusPath("healthy/" + name));
    ASSERT_TRUE(truth.ok) << truth.complaint;
    const auto stream = truth.streams.find("Pictures");
    ASSERT_NE(stream, truth.streams.end());
    ++files;

    // What the pictures stream holds, as an independent reader reads it.
    PictureRun expected;
    MemorySource source(stream->second);
    ASSERT_TRUE(ExtractPictures(expected.job, source, expected.env.output_folder));
    const PictureSet wanted = SavedPictures(expected.view);

    PictureRun damaged;
    const std::string path = damaged.dir.Write("scattered.ppt", scattered);
    const ReaderResult reread = ReadWithOlefile(path);
    ASSERT_TRUE(reread.ok && reread.streams.at("Pictures") == stream->second)
        << "the scattered copy must still be an intact compound file";
    PrepareJob(damaged.job, path, damaged.env.output_folder);
    const PictureSet got = SavedPictures(damaged.view);
    for (const auto& picture : wanted) EXPECT_TRUE(got.count(picture)) << picture.size();

    // Without the stream the pictures across the runs' edges are lost.
    PictureRun file_only;
    ExtractImages(file_only.job, path, file_only.env.output_folder);
    const PictureSet file_found = SavedPictures(file_only.view);
    for (const auto& picture : wanted) regained += file_found.count(picture) == 0 ? 1 : 0;

    // A picture found only in the stream is reported where its record header lies in
    // the file.
    const auto damaged_bytes = ReadAll(path);
    for (const auto& p : damaged.view.pictures) {
      const int64_t at = p.item.source_offset;
      ASSERT_TRUE(at >= 0 && static_cast<uint64_t>(at) + 8 <= damaged_bytes.size());
      const uint16_t type = damaged_bytes[at + 2] | damaged_bytes[at + 3] << 8;
      EXPECT_TRUE(type >= kTypeBlipFirst && type <= kTypeBlipLast) << "offset " << at;
    }
  }
  if (files == 0) GTEST_SKIP() << "no corpus file has a pictures stream of eight sectors";
  EXPECT_GT(regained, 0u);
}

TEST(SectorStreamSource, ViewsFollowTheSectorsAndOffsetsMapBackToTheFile) {
  // Header block, then sectors 0..3 holding the stream's sectors in the order 2, 0, 3, 1.
  Bytes file(5 * 512, 0);
  const std::vector<uint32_t> order = {1, 3, 0, 2};  // the file sector of stream sector i
  for (uint32_t i = 0; i < 4; ++i)
    std::fill_n(file.begin() + (order[i] + 1) * 512, 512, static_cast<unsigned char>('a' + i));
  TempDir dir;
  auto damaged = DamagedFile::Open(dir.Write("f", file));
  ASSERT_TRUE(damaged);
  salvage::SectorGeometry geometry;
  SectorStreamSource source(*damaged, geometry, order, 4 * 512 - 100);
  EXPECT_EQ(source.size(), 4u * 512 - 100);
  const ByteSpan across = source.View(500, 30);
  ASSERT_EQ(across.size(), 30u);
  EXPECT_EQ(across[11], 'a');
  EXPECT_EQ(across[12], 'b');
  EXPECT_EQ(source.View(4 * 512 - 110, 50).size(), 10u);  // none past the stream's end
  EXPECT_TRUE(source.View(4 * 512, 1).empty());
  EXPECT_EQ(source.FileOffsetOf(0), 2u * 512);
  EXPECT_EQ(source.FileOffsetOf(512 + 7), 4u * 512 + 7);
  EXPECT_EQ(source.FileOffsetOf(3 * 512), 3u * 512);
}

}  // namespace
}  // namespace vlx::testing
