#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "engine/fast/carve_streams.h"
#include "engine/format/template_records.h"
#include "tests/fast/carving_fixture.h"

namespace vlx::testing {
namespace {

// ---- Phase 1: the document stream ----

// The carve copies the stream's own records (the container and the top-level records
// after it), not the rest of the file.
TEST(CarveDocumentStream, CopiesTheContainerAndTheRecordsAfterItOnly) {
  for (size_t length : {size_t{4096}, size_t{4096 + 300}}) {  // whole and partial last block
    CarvingRun run;
    Bytes bytes = Filler(length);
    PutDocumentContainer(bytes, 1024);
    auto file = run.Damaged(bytes);
    EXPECT_TRUE(CarveDocumentStream(run.job, *file));
    EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 1024, 108)) << "length " << length;
  }
  CarvingRun run;
  Bytes bytes = Filler(8192);
  PutDocumentContainer(bytes, 1024);
  PutHeader(bytes, 1024 + 108, 0x0000, 0x1772, 12);  // persist directory
  PutHeader(bytes, 1024 + 128, 0x0000, 0x0FF5, 28);  // user edit
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 1024, 108 + 20 + 36));
}

// A stream whose records run past the end of the file (cut short) is copied whole.
TEST(CarveDocumentStream, ContainerCutByTheEndOfTheFileIsCopiedToTheEnd) {
  CarvingRun run;
  Bytes bytes = Filler(4096);
  PutDocumentContainer(bytes, 1024, 4000);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 1024, 4096 - 1024));
}

TEST(CarveDocumentStream, ContainerInTheLastBlockStillCarriesItsBytes) {
  CarvingRun run;
  Bytes bytes = Filler(2048);
  PutDocumentContainer(bytes, 1536, 40);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 1536, 48));
}

TEST(CarveDocumentStream, SignatureTestsByteZeroAndTypeButNotByteOne) {
  CarvingRun run;
  Bytes bytes = Filler(8192);
  PutHeader(bytes, 512, 0x000E, 0x03E8, 100);   // not a container nibble
  PutHeader(bytes, 1024, 0x000F, 0x03E9, 100);  // another record type
  PutDocumentContainer(bytes, 1536 + 8);        // not on a block boundary
  PutHeader(bytes, 2560, 0xAB0F, 0x03E8, 100);  // byte 1 is free
  PutDocumentContainer(bytes, 3072);            // a second container is never reached
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 2560, 108));
}

TEST(CarveDocumentStream, LengthFieldMustBePositiveAndShorterThanTheFile) {
  const size_t length = 8192;
  CarvingRun run;
  Bytes bytes = Filler(length);
  PutDocumentContainer(bytes, 512, 0);
  PutDocumentContainer(bytes, 1024, length);       // equal to the file length
  PutDocumentContainer(bytes, 1536, 0x80000000u);  // negative as a signed value
  PutDocumentContainer(bytes, 2048, 0xFFFFFFFFu);
  PutDocumentContainer(bytes, 2560, length - 1);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile").size(), length - 2560);
}

TEST(CarveDocumentStream, HeaderCutByTheEndOfFileReadsZerosNotAnEarlierBlock) {
  // The block before the end holds a large length field at bytes 5-7. A reader that
  // left earlier bytes in its buffer would see that length and miss the container.
  CarvingRun run;
  Bytes bytes = Filler(512 + 5);
  PutDocumentContainer(bytes, 0, 0x7F7F7F00);
  bytes[0] = 0x00;  // not a container itself
  const unsigned char tail[5] = {0x0F, 0x00, 0xE8, 0x03, 0x05};
  std::memcpy(bytes.data() + 512, tail, sizeof tail);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(run.Carved("docfile"), Slice(bytes, 512, 5));
}

TEST(CarveDocumentStream, NoContainerCreatesNoFile) {
  CarvingRun run;
  auto file = run.Damaged(Filler(4096));
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_FALSE(run.Exists("docfile"));
}

// ---- Phase 2: the Current User block ----

// The start of the Current User image of a run's template records.
Bytes ImageStart(const TestRun& run, size_t count) {
  const auto& image = run.templates.current_user_image;
  return Bytes(image.begin(), image.begin() + static_cast<long>(count));
}

TEST(CarveCurrentUser, FindsAtomsOn64ByteBoundariesOnly) {
  CarvingRun run;
  Bytes bytes = Filler(4096);
  PutCurrentUserAtom(bytes, 512 + 32);  // between two tested offsets
  PutCurrentUserAtom(bytes, 1024 + 64 * 3);
  PutCurrentUserAtom(bytes, 2048 + 64);  // a later atom is never reached
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveCurrentUser(run.job, *file));
  const Bytes block = Slice(bytes, 1024 + 64 * 3, 512);
  EXPECT_EQ(run.Carved("userfile"), block);
  EXPECT_EQ(ImageStart(run, 512), block);
}

TEST(CarveCurrentUser, ReplacesOnlyTheFirst512BytesOfTheImage) {
  CarvingRun run;
  const Bytes rest(run.templates.current_user_image.begin() + 512,
                   run.templates.current_user_image.end());
  Bytes bytes = Filler(2048);
  PutCurrentUserAtom(bytes, 640);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveCurrentUser(run.job, *file));
  EXPECT_EQ(
      Bytes(run.templates.current_user_image.begin() + 512, run.templates.current_user_image.end()),
      rest);
}

TEST(CarveCurrentUser, AtomInTheLast512BytesKeepsZerosPastTheEnd) {
  // The previous window read holds filler; the block past the end must be zero.
  CarvingRun run;
  Bytes bytes = Filler(4096 + 128);
  PutCurrentUserAtom(bytes, 4096);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarveCurrentUser(run.job, *file));
  Bytes expected = Slice(bytes, 4096, 128);
  expected.resize(512, 0);
  EXPECT_EQ(run.Carved("userfile"), expected);
  EXPECT_EQ(ImageStart(run, 512), expected);
}

// The template records outlive a run: a later run of the same front end without an atom
// keeps the block the earlier one found; another front end's records never see it.
TEST(CarveCurrentUser, RunWithoutAtomLeavesTheImageAsTheLastHitSetIt) {
  CarvingRun run;
  Bytes bytes = Filler(1024);
  PutCurrentUserAtom(bytes, 64);
  auto file = run.Damaged(bytes);
  ASSERT_TRUE(CarveCurrentUser(run.job, *file));
  const Bytes found = Slice(bytes, 64, 512);
  ::unlink(run.W("userfile").c_str());

  RecoveryJob second(run.env);
  auto without_atom = DamagedFile::Open(run.dir.Write("second.ppt", Filler(1024)));
  EXPECT_TRUE(CarveCurrentUser(second, *without_atom));
  EXPECT_FALSE(run.Exists("userfile"));
  EXPECT_EQ(ImageStart(run, 512), found);

  CarvingRun other_front_end;
  EXPECT_EQ(ImageStart(other_front_end, 512),
            Bytes(PristineTemplates().current_user_image.begin(),
                  PristineTemplates().current_user_image.begin() + 512));
}

// ---- Phase 3: the pictures stream ----

TEST(CarvePicturesStream, EveryPictureInstanceIsAHitAndOthersAreNot) {
  for (uint16_t word : {0x2160, 0x3D40, 0x46A0, 0x5420, 0x6E00, 0x7A80, 0x8000}) {
    CarvingRun run;
    Bytes bytes = Filler(4096);
    PutPictureRecord(bytes, 512, 0x2161);  // a version nibble spoils the word
    PutPictureRecord(bytes, 1024, 0x46B0);
    PutPictureRecord(bytes, 1536, word);
    auto file = run.Damaged(bytes);
    EXPECT_TRUE(CarvePicturesStream(run.job, *file));
    EXPECT_EQ(run.Carved("picfile"), Slice(bytes, 1536, 108)) << std::hex << word;
  }
}

TEST(CarvePicturesStream, LengthZeroCountsAndTheFileLengthDoesNot) {
  CarvingRun run;
  Bytes bytes = Filler(4096 + 100);
  PutPictureRecord(bytes, 512, 0x6E00, 4096 + 100);
  PutPictureRecord(bytes, 1024, 0x6E00, 0xFFFFFFFFu);
  PutPictureRecord(bytes, 1536, 0x6E00, 0);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarvePicturesStream(run.job, *file));
  EXPECT_EQ(run.Carved("picfile"), Slice(bytes, 1536, 8));
}

TEST(CarvePicturesStream, TheLastFullBlockIsNotScanned) {
  CarvingRun run;
  Bytes bytes = Filler(4096);
  PutPictureRecord(bytes, 4096 - 512);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarvePicturesStream(run.job, *file));
  EXPECT_FALSE(run.Exists("picfile"));

  CarvingRun partial;  // with a partial tail the block before it is still scanned
  Bytes longer = Filler(4096 + 1);
  PutPictureRecord(longer, 4096 - 512);
  auto longer_file = partial.Damaged(longer);
  EXPECT_TRUE(CarvePicturesStream(partial.job, *longer_file));
  EXPECT_EQ(partial.Carved("picfile"), Slice(longer, 4096 - 512, 108));
}

TEST(CarvePicturesStream, FilesOf512BytesOrLessAreNotScanned) {
  CarvingRun run;
  Bytes bytes(512, 0);
  PutPictureRecord(bytes, 0, 0x46A0, 0);
  auto file = run.Damaged(bytes);
  EXPECT_TRUE(CarvePicturesStream(run.job, *file));
  EXPECT_FALSE(run.Exists("picfile"));
  EXPECT_EQ(run.sink.progress_calls, 0);
}

// ---- every phase ----

TEST(CarvingPhases, EmptyFileCreatesNothingAndEndsNormally) {
  CarvingRun run;
  auto file = run.Damaged({});
  EXPECT_TRUE(CarveDocumentStream(run.job, *file));
  EXPECT_TRUE(CarveCurrentUser(run.job, *file));
  EXPECT_TRUE(CarvePicturesStream(run.job, *file));
  EXPECT_FALSE(run.Exists("docfile"));
  EXPECT_FALSE(run.Exists("userfile"));
  EXPECT_FALSE(run.Exists("picfile"));
  EXPECT_EQ(run.sink.log,
            " Analyzing Phase 1... \r\n Analyzing Phase 2... \r\n Analyzing Phase 3... \r\n");
}

}  // namespace
}  // namespace vlx::testing
