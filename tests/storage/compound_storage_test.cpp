#include "engine/storage/compound_storage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "engine/storage/stream_spool.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::ReaderResult;
using testing::StreamMap;
using testing::TempDir;

// Bytes that differ from sector to sector, so a misplaced sector shows.
std::vector<unsigned char> Pattern(size_t size, uint32_t seed) {
  std::vector<unsigned char> bytes(size);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<unsigned char>(x);
  }
  return bytes;
}

void WriteStreams(const std::string& path, const StreamMap& streams) {
  auto storage = CompoundStorage::Create(path);
  ASSERT_NE(storage, nullptr);
  for (const auto& [name, bytes] : streams) {
    CompoundStream* stream = storage->CreateStream(name);
    ASSERT_NE(stream, nullptr) << name;
    ASSERT_TRUE(stream->Write(bytes.data(), bytes.size())) << name;
  }
  ASSERT_TRUE(storage->Commit());
}

// Reads path with both outside readers (each skipped when absent) and compares.
void ExpectReadersSee(const std::string& path, const StreamMap& expected) {
  const std::pair<const char*, std::function<ReaderResult()>> readers[] = {
      {"olefile", [&] { return testing::ReadWithOlefile(path); }},
      {"gsf", [&] { return testing::ReadWithGsf(path); }},
  };
  const bool available[] = {testing::OlefileAvailable(), testing::GsfAvailable()};
  if (!available[0] && !available[1]) GTEST_SKIP() << "neither python3-olefile nor gsf installed";
  for (int i = 0; i < 2; ++i) {
    if (!available[i]) continue;
    SCOPED_TRACE(readers[i].first);
    const ReaderResult result = readers[i].second();
    ASSERT_TRUE(result.ok) << result.complaint;
    ASSERT_EQ(result.streams.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
      auto found = result.streams.find(name);
      ASSERT_NE(found, result.streams.end()) << name;
      EXPECT_EQ(found->second.size(), bytes.size()) << name;
      EXPECT_TRUE(found->second == bytes) << name << " differs";
    }
  }
}

TEST(CompoundStorageReadBack, StreamsAroundEverySizeBoundary) {
  TempDir dir;
  StreamMap streams;
  const size_t sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 65535, 65536, 65537};
  for (size_t i = 0; i < std::size(sizes); ++i) {
    streams["s" + std::to_string(sizes[i])] = Pattern(sizes[i], static_cast<uint32_t>(i));
  }
  const std::string path = dir.File("sizes.cfb");
  WriteStreams(path, streams);
  ExpectReadersSee(path, streams);
}

TEST(CompoundStorageReadBack, SeveralMebibytesThroughTheSpool) {
  TempDir dir;
  StreamMap streams{{"PowerPoint Document", Pattern(3 * 1024 * 1024 + 17, 1)},
                    {"Pictures", Pattern(StreamSpool::kMemoryLimit + 1, 2)},
                    {"Current User", Pattern(5120, 3)}};
  const std::string path = dir.File("spool.cfb");
  WriteStreams(path, streams);
  ExpectReadersSee(path, streams);
}

TEST(CompoundStorageReadBack, FileLargeEnoughForDifatSectors) {
  // 9 MiB needs 144 FAT sectors, 35 more than the header lists.
  TempDir dir;
  StreamMap streams{{"Big", Pattern(9 * 1024 * 1024 + 100, 4)}, {"Small", Pattern(100, 5)}};
  const std::string path = dir.File("difat.cfb");
  WriteStreams(path, streams);
  const auto bytes = ReadAll(path);
  ASSERT_GE(bytes.size(), 512u);
  EXPECT_EQ(bytes[0x48], 1);  // one DIFAT sector
  ExpectReadersSee(path, streams);
}

TEST(CompoundStorageReadBack, EmptyStorageIsAValidFile) {
  TempDir dir;
  const std::string path = dir.File("empty.cfb");
  ASSERT_NE(CompoundStorage::Create(path), nullptr);
  EXPECT_EQ(ReadAll(path).size(), 3u * 512);  // header, directory, FAT
  ExpectReadersSee(path, {});
}

TEST(CompoundStreamWrite, SeekPastTheEndLeavesZerosAndOverwritesInPlace) {
  TempDir dir;
  const std::string path = dir.File("seek.cfb");
  {
    auto storage = CompoundStorage::Create(path);
    ASSERT_NE(storage, nullptr);
    CompoundStream* stream = storage->CreateStream("S");
    ASSERT_TRUE(stream->Seek(10));
    ASSERT_TRUE(stream->Write("abc", 3));
    ASSERT_TRUE(stream->Seek(11));
    ASSERT_TRUE(stream->Write("X", 1));
    EXPECT_EQ(stream->size(), 13u);
    EXPECT_EQ(stream->position(), 12u);
  }  // released without Commit: the changes are written all the same
  std::vector<unsigned char> expected(13, 0);
  expected[10] = 'a';
  expected[11] = 'X';
  expected[12] = 'c';
  ExpectReadersSee(path, {{"S", expected}});
}

TEST(CompoundStreamWrite, RefusesToGrowPastTheFormatLimit) {
  TempDir dir;
  auto storage = CompoundStorage::Create(dir.File("limit.cfb"));
  CompoundStream* stream = storage->CreateStream("S");
  ASSERT_TRUE(stream->Seek(0x80000000u - 1));
  EXPECT_FALSE(stream->Write("ab", 2));
  EXPECT_EQ(stream->size(), 0u);
  EXPECT_FALSE(stream->Seek(0x80000001u));
}

TEST(CompoundStorageReplace, CreatingAStreamAgainEmptiesIt) {
  TempDir dir;
  const std::string path = dir.File("again.cfb");
  auto storage = CompoundStorage::Create(path);
  CompoundStream* first = storage->CreateStream("Pictures");
  const auto big = Pattern(10000, 6);
  first->Write(big.data(), big.size());
  CompoundStream* second = storage->CreateStream("PICTURES");  // same element
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->size(), 0u);
  EXPECT_EQ(second->position(), 0u);
  second->Write("new", 3);
  EXPECT_EQ(storage->stream_count(), 1u);
  ASSERT_TRUE(storage->Commit());
  storage.reset();
  ExpectReadersSee(path, {{"Pictures", {'n', 'e', 'w'}}});
}

TEST(CompoundStorageReplace, CreatingTheFileAgainDropsEverythingOld) {
  TempDir dir;
  const std::string path = dir.File("twice.cfb");
  WriteStreams(path, {{"Old", Pattern(200000, 7)}});
  WriteStreams(path, {{"New", Pattern(10, 8)}});
  EXPECT_LT(ReadAll(path).size(), 5000u);
  ExpectReadersSee(path, {{"New", Pattern(10, 8)}});
}

TEST(CompoundStorageReplace, ALinkAtThePathIsReplacedNotFollowed) {
  TempDir dir;
  const std::string victim = dir.Write("victim.ppt", {'k', 'e', 'e', 'p'});
  const std::string path = dir.File("link.cfb");
  ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
  WriteStreams(path, {{"S", {1, 2, 3}}});
  EXPECT_EQ(ReadAll(victim), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
  struct stat st {};
  ASSERT_EQ(::lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(CompoundStorageReplace, AHardLinkedFileKeepsItsBytes) {
  TempDir dir;
  const std::string original = dir.Write("original.ppt", {'k', 'e', 'e', 'p'});
  const std::string path = dir.File("hard.cfb");
  ASSERT_EQ(::link(original.c_str(), path.c_str()), 0);
  WriteStreams(path, {{"S", {1}}});
  EXPECT_EQ(ReadAll(original), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
}

TEST(CompoundStorageCreate, FailsWithAReasonWhereNoFileCanBeMade) {
  TempDir dir;
  std::string why;
  EXPECT_EQ(CompoundStorage::Create(dir.File("missing/x.cfb"), &why), nullptr);
  EXPECT_NE(why.find("missing/x.cfb"), std::string::npos);
  why.clear();
  EXPECT_EQ(CompoundStorage::Create(dir.path(), &why), nullptr);  // a folder
  EXPECT_FALSE(why.empty());
}

TEST(CompoundStorageReadBack, ManyStreamsNeedSeveralDirectorySectors) {
  TempDir dir;
  StreamMap streams;
  for (int i = 0; i < 40; ++i) {
    streams["Stream " + std::to_string(i)] = Pattern(static_cast<size_t>(i) * 150, 10 + i);
  }
  const std::string path = dir.File("many.cfb");
  WriteStreams(path, streams);
  ExpectReadersSee(path, streams);
}

}  // namespace
}  // namespace vlx
