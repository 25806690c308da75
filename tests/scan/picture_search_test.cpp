#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/format/workspace_files.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_signatures.h"
#include "engine/scan/picture_stream_search.h"
#include "tests/scan/picture_bytes.h"
#include "tests/scan/scan_run.h"

namespace vlx::testing {
namespace {

TEST(PictureSignatures, TheStreamSearchKnowsSevenRecordWords) {
  for (uint16_t w : {0x2160, 0x3D40, 0x46A0, 0x5420, 0x6E00, 0x7A80, 0x8000})
    EXPECT_TRUE(IsPictureRecordWord(w)) << w;
  for (uint16_t w : {0x46A1, 0x46B0, 0x0000, 0xF01D, 0x216F}) EXPECT_FALSE(IsPictureRecordWord(w));
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

Bytes Saved(const RecordingView::Picture& picture) {
  return Bytes(picture.bytes.begin(), picture.bytes.end());
}

TEST(ExtractImages, SavesEveryKindInItsOwnFormatOnceWithTheOffsetItWasFirstFoundAt) {
  ExtractionRun run;
  Bytes bytes = Filler(6000);  // a file far smaller than one 64 KiB chunk
  PutBlip(bytes, 100, 0x46A0, Jpeg());
  PutBlip(bytes, 400, 0x46B0, Jpeg(true));  // Exif, two identifiers
  PutBlip(bytes, 700, 0x6E00, Png());       // a record of a few dozen bytes
  PutBlip(bytes, 1000, 0x6E00, Gif());
  PutBlip(bytes, 1300, 0x7A80, Dib(3, 2));
  PutBlip(bytes, 1600, 0x3D40, MetafileBlipData(Emf()), 0, false);
  PutBlip(bytes, 2000, 0x2170, MetafileBlipData(Wmf()), 0, false);
  PutBlip(bytes, 2400, 0x6E00, Png());   // the same picture again
  PutBlip(bytes, 5990, 0x46A0, Jpeg());  // in the last bytes, cut off
  run.Extract(bytes);

  ASSERT_EQ(run.view.pictures.size(), 7u);
  const std::vector<std::string> kinds = {"jpg", "jpg", "png", "gif", "bmp", "emf", "wmf"};
  const std::vector<int64_t> offsets = {100, 400, 700, 1000, 1300, 1600, 2000};
  for (size_t i = 0; i < kinds.size(); ++i) {
    const ResultItem& item = run.view.pictures[i].item;
    EXPECT_EQ(item.kind, kinds[i]);
    EXPECT_EQ(item.source_offset, offsets[i]);
    EXPECT_EQ(item.file,
              run.dir.File("out/Pictures/Image" + std::to_string(i + 1) + "." + kinds[i]));
  }
  EXPECT_EQ(Saved(run.view.pictures[0]), Jpeg());
  EXPECT_EQ(Saved(run.view.pictures[1]), Jpeg(true));
  EXPECT_EQ(Saved(run.view.pictures[2]), Png());
  const Bytes bmp = Saved(run.view.pictures[4]);
  ASSERT_EQ(bmp.size(), 14 + Dib(3, 2).size());
  EXPECT_EQ(Bytes(bmp.begin() + 14, bmp.end()), Dib(3, 2));
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(Saved(run.view.pictures[5]), Emf());
  EXPECT_EQ(Saved(run.view.pictures[6]), Wmf());
  EXPECT_EQ(run.images.PlaceholderLabels(),
            (std::vector<std::string>{"EMF picture", "WMF picture"}));
  EXPECT_FALSE(run.view.pictures[5].item.thumbnail.empty());

  EXPECT_EQ(run.sink.statuses, (std::vector<std::string>{"Extracting images...", ""}));
  EXPECT_EQ(run.sink.counters, (std::vector<std::string>{"0\\6000", ""}));
  EXPECT_EQ(run.sink.last_progress, 0);
  EXPECT_NE(run.sink.log.find("Recovered Image 7\r\nExtracting images done...\r\n"),
            std::string::npos);
  EXPECT_FALSE(run.Exists(""));  // the workspace is gone
}

TEST(ExtractImages, APictPictureIsSavedBehindTheZeroHeaderItsFileNeedsAndOnlyOnce) {
  ExtractionRun run;
  Bytes bytes = Filler(3000);
  PutBlip(bytes, 100, 0x5420, MetafileBlipData(Pict()), 0, false);
  PutBlip(bytes, 1000, 0x5420, MetafileBlipData(Pict(), false), 0, false);  // stored, same bytes
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 1u);
  EXPECT_EQ(run.view.pictures[0].item.kind, "pct");
  EXPECT_EQ(run.view.pictures[0].item.source_offset, 100);
  Bytes expected(512, 0);
  const Bytes pict = Pict();
  expected.insert(expected.end(), pict.begin(), pict.end());
  EXPECT_EQ(Saved(run.view.pictures[0]), expected);
  EXPECT_EQ(run.images.PlaceholderLabels(), (std::vector<std::string>{"PICT picture"}));
}

TEST(ExtractImages, PicturesThatDoNotDecodeOrInflateAreNotKept) {
  ExtractionRun run;
  Bytes bytes = Filler(3000);
  Bytes damaged_png = Png();
  const std::string mark(StubImageToolkit::kUndecodableMark);
  damaged_png.insert(damaged_png.begin() + 30, mark.begin(), mark.end());
  PutBlip(bytes, 100, 0x6E00, damaged_png);
  Bytes broken_emf = MetafileBlipData(Emf());
  broken_emf[40] ^= 0xFF;
  PutBlip(bytes, 600, 0x3D40, broken_emf, 0, false);
  PutBlip(bytes, 1200, 0x6E00, Png());
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 1u);
  EXPECT_EQ(run.view.pictures[0].item.source_offset, 1200);
  EXPECT_EQ(run.view.pictures[0].item.file, run.dir.File("out/Pictures/Image1.png"));
}

TEST(ExtractImages, APictureEndsAtItsOwnEndWhereTheRecordLengthIsWrong) {
  ExtractionRun run;
  Bytes bytes = Filler(70000);
  PutBlip(bytes, 65536 - 3, 0x46A0, Jpeg(), 20);     // header across chunks, length short
  PutBlip(bytes, 30000, 0x6E00, Png(), 0x7FFFFFF0);  // length past the end of the file
  PutBlip(bytes, 40000, 0x6E00, Gif(), 25000);       // length running into other bytes
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 3u);
  EXPECT_EQ(Saved(run.view.pictures[0]), Png());
  EXPECT_EQ(Saved(run.view.pictures[1]), Gif());
  EXPECT_EQ(Saved(run.view.pictures[2]), Jpeg());
}

TEST(ExtractPictures, AnyByteSourceServesWithItsOwnOffsets) {
  ExtractionRun run;
  ::mkdir(run.dir.File("out").c_str(), 0755);
  Bytes stream = Filler(500);
  PutBlip(stream, 0, 0x6E00, Png());
  PutBlip(stream, 200, 0x46A0, Jpeg());
  MemorySource source(stream);
  EXPECT_TRUE(ExtractPictures(run.job, source, run.dir.File("out/")));
  ASSERT_EQ(run.view.pictures.size(), 2u);
  EXPECT_EQ(run.view.pictures[0].item.source_offset, 0);
  EXPECT_EQ(run.view.pictures[1].item.source_offset, 200);
}

TEST(ExtractImages, NestedPicturesAreEachExtracted) {
  ExtractionRun run;
  Bytes bytes = Filler(100000);
  Bytes outer = Dib(100, 100);  // 30000 bytes of pixels
  PutBlip(bytes, 100, 0x7A80, outer);
  PutBlip(bytes, 5000, 0x6E00, Png());  // inside the first picture's pixels
  run.Extract(bytes);
  ASSERT_EQ(run.view.pictures.size(), 2u);
  EXPECT_EQ(run.view.pictures[0].bytes.size(), 14 + outer.size());
  EXPECT_EQ(Saved(run.view.pictures[1]), Png());
}

TEST(ExtractImages, AStopLeavesEmptyTextsAndTheWorkspace) {
  ExtractionRun run;
  run.stop = true;
  Bytes bytes = Filler(70000);
  PutBlip(bytes, 10, 0x46A0, Jpeg());
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
  PutBlip(bytes, 100, 0x46A0, Jpeg());
  run.Extract(bytes);
  EXPECT_TRUE(run.view.pictures.empty());
  EXPECT_EQ(::access((elsewhere + "/temppic.Jpg").c_str(), F_OK), -1);
  EXPECT_EQ(::access(elsewhere.c_str(), F_OK), 0);  // not deleted either
}

TEST(ExtractImages, APictureThatCannotBeSavedIsNeitherReportedNorCounted) {
  ExtractionRun run;
  Bytes bytes = Filler(30000);
  PutBlip(bytes, 100, 0x46A0, Jpeg());
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
