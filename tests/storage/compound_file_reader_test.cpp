#include "engine/storage/compound_file_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/format/byte_order.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

std::u16string Utf16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// Every stream of the root storage of real presentations, short ones in the mini stream
// among them, reads back as an independent reader reads it.
TEST(CompoundFileReader, ReadsTheStreamsOfRealFilesAsAnIndependentReaderDoes) {
  VLX_REQUIRE_CORPUS();
  if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  for (const char* name : {"37625.ppt", "SampleShow.ppt", "ppt_with_png.ppt"}) {
    const std::string path = CorpusPath(std::string("healthy/") + name);
    const std::vector<unsigned char> file = testing::ReadAll(path);
    const testing::ReaderResult olefile = testing::ReadWithOlefile(path);
    ASSERT_TRUE(olefile.ok) << olefile.complaint;
    size_t short_streams = 0;
    for (const auto& [stream, bytes] : olefile.streams) {
      if (stream.find('/') != std::string::npos) continue;  // the first of a name wins
      const auto read = CompoundFileStream(file, Utf16(stream));
      ASSERT_TRUE(read) << name << ": " << stream;
      EXPECT_TRUE(std::equal(read->begin(), read->end(), bytes.begin(), bytes.end()))
          << name << ": " << stream;
      if (bytes.size() < 4096) ++short_streams;
    }
    EXPECT_GT(short_streams, 0u) << name;
  }
}

TEST(CompoundFileReader, RefusesWhatIsNotThereOrLeadsNowhere) {
  VLX_REQUIRE_CORPUS();
  std::vector<unsigned char> file = testing::ReadAll(CorpusPath("healthy/SampleShow.ppt"));
  ASSERT_TRUE(CompoundFileStream(file, u"PowerPoint Document"));
  EXPECT_FALSE(CompoundFileStream(file, u"PowerPoint Documen"));
  EXPECT_FALSE(CompoundFileStream(file, u""));
  EXPECT_FALSE(CompoundFileStream(std::span<const uint8_t>(file).first(511), u"Current User"));

  // The FAT entry of the directory's first sector made to point at itself: a loop.
  std::vector<unsigned char> looped = file;
  const uint32_t directory = LoadU32(looped.data() + 0x30);
  const uint32_t first_fat = LoadU32(looped.data() + 0x4C);
  StoreU32(looped.data() + (first_fat + 1) * 512 + 4 * directory, directory);
  EXPECT_FALSE(CompoundFileStream(looped, u"PowerPoint Document"));

  // A chain that leaves the file.
  std::vector<unsigned char> outside = file;
  StoreU32(outside.data() + (first_fat + 1) * 512 + 4 * directory, 0x00FFFFFF);
  EXPECT_FALSE(CompoundFileStream(outside, u"PowerPoint Document"));
}

}  // namespace
}  // namespace vlx
