#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/format/workspace_files.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_signatures.h"
#include "engine/scan/picture_stream_search.h"
#include "tests/scan/scan_run.h"

namespace vlx::testing {
namespace {

const Bytes kJfif = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01};
const Bytes kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};

// A picture record at `at`: header, 17 bytes of identifier and tag, then the picture
// file (its signature followed by bytes that count up).
void PutPicture(Bytes& bytes, size_t at, uint32_t length, const Bytes& signature = kJfif,
                uint16_t word = 0x46A0) {
  PutHeader(bytes, at, word, 0xF01D, length);
  for (size_t i = 0; i < 17 && at + 8 + i < bytes.size(); ++i) bytes[at + 8 + i] = 0x11;
  for (size_t i = 0; at + 25 + i < bytes.size() && i < length - 17; ++i)
    bytes[at + 25 + i] = i < signature.size() ? signature[i] : static_cast<unsigned char>(i * 7);
}

Bytes PictureData(const Bytes& bytes, size_t at, uint32_t length) {
  const size_t from = at + 25;
  return Slice(bytes, from, std::min<size_t>(length - 17, bytes.size() - from));
}

TEST(PictureSignatures, FileKindsAreTestedInOrderWithExactExtensions) {
  auto kind = [](Bytes data) {
    data.resize(64, 0x11);
    const auto ext = MatchPictureFile(data.data(), data.size());
    return ext ? std::string(*ext) : std::string("-");
  };
  EXPECT_EQ(kind({'B', 'M'}), "bmp");
  EXPECT_EQ(kind(kJfif), "Jpg");
  EXPECT_EQ(kind({0xFF, 0xD8, 0xFF, 0xE1, 0, 0x10, 'E', 'x', 'i', 'f', 0}), "-");
  EXPECT_EQ(kind({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 1}), "-");
  EXPECT_EQ(kind({'I', 'I', '*'}), "Tif");
  EXPECT_EQ(kind({'M', 'M', 0, '*'}), "Tif");
  EXPECT_EQ(kind(kPng), "Png");
  EXPECT_EQ(kind({'G', 'I', 'F', '8'}), "Gif");
  EXPECT_EQ(kind({'G', 'I'}), "-");
  const Bytes jpeg_head = {0xFF, 0xD8, 0xFF, 0xE0};
  EXPECT_FALSE(MatchPictureFile(jpeg_head.data(), jpeg_head.size()));  // too short for JFIF
}

TEST(PictureSignatures, RecordWordsAndDataLength) {
  for (uint16_t w : {0x2160, 0x3D40, 0x46A0, 0x5420, 0x6E00, 0x7A80, 0x8000})
    EXPECT_TRUE(IsPictureRecordWord(w)) << w;
  for (uint16_t w : {0x46A1, 0x46B0, 0x0000, 0xF01D, 0x216F}) EXPECT_FALSE(IsPictureRecordWord(w));
  EXPECT_EQ(PictureDataLength(10), 0u);
  EXPECT_EQ(PictureDataLength(17), 0u);
  EXPECT_EQ(PictureDataLength(18000), 18000u - 17);
}

struct PictureStreamRun : ScanRun {
  void Search(const Bytes& bytes) {
    auto file = Damaged(bytes);
    job.file_length = file->GetLength();
    SearchPictureStream(job, *file);
  }
};

TEST(PictureStreamSearch, CopiesFromTheFirstPictureBlockThroughTheEndOfTheFile) {
  PictureStreamRun run;
  Bytes bytes = Filler(10240);
  PutHeader(bytes, 0, 0x46A0, 0xF01D, 0);  // length 0 passes here
  PutHeader(bytes, 1024, 0x6E00, 0xF01E, 100);
  PutHeader(bytes, 1536, 0x6E00, 0xF01E, 10240);  // not smaller than the file
  PutHeader(bytes, 1100, 0x6E00, 0xF01E, 100);    // not at a block start
  PutHeader(bytes, 9728, 0x6E00, 0xF01E, 100);    // the last block is not examined
  run.Search(bytes);
  EXPECT_EQ(run.job.picture_starts, (std::vector<uint64_t>{0, 1024}));
  EXPECT_EQ(run.ReadWorkspaceFile(kPicturesFile), bytes);
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{10, 11, 12, 13}));
  EXPECT_TRUE(run.sink.messages.empty());
}

TEST(PictureStreamSearch, NoPictureBlockLeavesAnEmptyFile) {
  PictureStreamRun run;
  run.Search(Filler(512));
  EXPECT_TRUE(run.job.picture_starts.empty());
  EXPECT_TRUE(run.Exists(kPicturesFile));
  EXPECT_TRUE(run.ReadWorkspaceFile(kPicturesFile).empty());
  EXPECT_EQ(run.sink.progress_calls, 0);
}

TEST(PictureStreamSearch, AnUnwritableWorkspaceShowsCriticalError006) {
  PictureStreamRun run;
  run.workspace.Delete();
  Bytes bytes = Filler(4096);
  PutHeader(bytes, 512, 0x46A0, 0xF01D, 100);
  run.Search(bytes);
  EXPECT_TRUE(
      run.sink.HasMessage("Critical Error 006 has occured. Please restart the application."));
  EXPECT_EQ(run.sink.messages[0].caption, "Veltrix Pellum PowerPoint");
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{10, 11}));
}

struct ExtractionRun : ScanRun {
  std::string damaged_path;
  void Extract(const Bytes& bytes) {
    damaged_path = dir.Write("damaged.ppt", bytes);
    ::mkdir(dir.File("out").c_str(), 0755);
    ExtractImages(job, damaged_path, dir.File("out/"));
  }
};

TEST(ExtractImages, SavesEachPictureInItsOwnFormatAndCleansUp) {
  ExtractionRun run;
  Bytes bytes = Filler(60000);  // under one 64 KiB chunk
  PutPicture(bytes, 1000, 17936);
  PutPicture(bytes, 30000, 17935);                // too small
  PutPicture(bytes, 40000, 18000, kPng, 0x6E00);  // runs past the end of the file
  PutPicture(bytes, 20000, 18000, {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0});
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 2u);
  const auto& jpeg = run.view.pictures[0];
  EXPECT_EQ(jpeg.item.file, run.dir.File("out/Pictures/Image1.jpg"));
  EXPECT_EQ(jpeg.item.kind, "jpg");
  EXPECT_EQ(Bytes(jpeg.bytes.begin(), jpeg.bytes.end()), PictureData(bytes, 1000, 17936));
  const auto& png = run.view.pictures[1];
  EXPECT_EQ(png.item.kind, "png");
  EXPECT_EQ(png.item.file, run.dir.File("out/Pictures/Image2.png"));
  EXPECT_EQ(Bytes(png.bytes.begin(), png.bytes.end()), PictureData(bytes, 40000, 18000));

  EXPECT_EQ(run.sink.log,
            "Extracting images...\r\nRecovered Image 1\r\nRecovered Image 2\r\n"
            "Extracting images done...\r\n");
  EXPECT_EQ(run.sink.statuses, (std::vector<std::string>{"Extracting images...", ""}));
  EXPECT_EQ(run.sink.counters, (std::vector<std::string>{"0\\60000", ""}));
  EXPECT_EQ(run.sink.last_progress, 0);
  EXPECT_FALSE(run.Exists(""));  // the workspace is gone
}

TEST(ExtractImages, FindsPicturesAcrossChunkEdgesAndInTheTail) {
  ExtractionRun run;
  Bytes bytes = Filler(65536 * 2 + 30000);
  PutPicture(bytes, 65536 - 3, 20000, {'B', 'M'}, 0x7A80);             // header straddles chunks
  PutPicture(bytes, 65536 * 2 + 100, 20000, {'G', 'I', 'F'}, 0x8000);  // in the tail
  PutPicture(bytes, bytes.size() - 8, 20000);  // last whole header; data beyond the end
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 2u);
  EXPECT_EQ(run.view.pictures[0].item.kind, "bmp");
  EXPECT_EQ(Bytes(run.view.pictures[0].bytes.begin(), run.view.pictures[0].bytes.end()),
            PictureData(bytes, 65536 - 3, 20000));
  EXPECT_EQ(run.view.pictures[1].item.kind, "gif");
  EXPECT_EQ(run.sink.counters,
            (std::vector<std::string>{"0\\161072", "65536\\161072", "131072\\161072", ""}));
}

TEST(ExtractImages, NestedPictureSignaturesAreEachExtracted) {
  ExtractionRun run;
  Bytes bytes = Filler(100000);
  PutPicture(bytes, 100, 60000);
  PutPicture(bytes, 5000, 20000, kPng, 0x6E00);  // inside the first picture's data
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 2u);
  EXPECT_EQ(run.view.pictures[0].bytes.size(), 60000u - 17);
  EXPECT_EQ(run.view.pictures[1].bytes.size(), 20000u - 17);
}

TEST(ExtractImages, AStopLeavesEmptyTextsAndTheWorkspace) {
  ExtractionRun run;
  run.stop = true;
  Bytes bytes = Filler(70000);
  PutPicture(bytes, 10, 20000);
  run.Extract(bytes);
  EXPECT_TRUE(run.view.pictures.empty());
  EXPECT_EQ(run.sink.statuses.back(), "");
  EXPECT_EQ(run.sink.counters.back(), "");
  EXPECT_EQ(run.sink.last_progress, 0);
  EXPECT_EQ(run.sink.log, "Extracting images...\r\n");
  EXPECT_TRUE(run.Exists(""));
}

TEST(ExtractImages, NeverWritesThroughAWorkspaceThatIsALink) {
  ExtractionRun run;
  run.workspace.Delete();
  const std::string elsewhere = run.dir.File("elsewhere");
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
  std::string link = run.workspace.path();
  link.pop_back();
  ASSERT_EQ(::symlink(elsewhere.c_str(), link.c_str()), 0);
  Bytes bytes = Filler(30000);
  PutPicture(bytes, 100, 20000);
  run.Extract(bytes);
  EXPECT_TRUE(run.view.pictures.empty());
  EXPECT_EQ(::access((elsewhere + "/temppic.Jpg").c_str(), F_OK), -1);
  EXPECT_EQ(::access(elsewhere.c_str(), F_OK), 0);  // not deleted either
}

TEST(ExtractImages, APictureThatCannotBeSavedIsNeitherReportedNorCounted) {
  ExtractionRun run;
  Bytes bytes = Filler(30000);
  PutPicture(bytes, 100, 20000);
  const std::string damaged = run.dir.Write("damaged.ppt", bytes);
  ExtractImages(run.job, damaged, run.dir.File("no-such-folder/"));
  EXPECT_TRUE(run.view.pictures.empty());
  EXPECT_EQ(run.job.results.Count(ResultList::kPictures), 0);
  EXPECT_NE(run.sink.log.find("Cannot save picture"), std::string::npos);
}

TEST(ExtractImages, AnUnreadableFileEndsQuietlyAfterTheStatus) {
  ExtractionRun run;
  ExtractImages(run.job, run.dir.File("missing.ppt"), "/out/");
  EXPECT_EQ(run.sink.statuses, (std::vector<std::string>{"Extracting images..."}));
  EXPECT_EQ(run.sink.log, "Extracting images...\r\n");
  EXPECT_TRUE(run.view.pictures.empty());
}

}  // namespace
}  // namespace vlx::testing
