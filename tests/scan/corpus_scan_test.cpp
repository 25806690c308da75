// The scans against real presentations: whatever an independent walk of the intact
// file's streams finds must be found by the scans, in the intact file and in copies
// whose compound-file header, allocation table or directory has been destroyed.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/format/record_header.h"
#include "engine/format/text_encoding.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_report.h"
#include "engine/scan/picture_signatures.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/pictures/raster_formats.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/text_census.h"
#include "tests/scan/compound_walk.h"
#include "tests/scan/scan_run.h"
#include "tests/support/corpus.h"

namespace vlx::testing {
namespace {

enum class Damage { kNone, kHeader, kAllocationTable, kDirectory };

// Zeroes the sectors that hold the named part of the container.
Bytes Damaged(const Bytes& intact, Damage damage) {
  Bytes bytes = intact;
  const uint64_t sector = uint64_t{1} << Le16(intact, 0x1E);
  auto wipe = [&](uint32_t s) {
    const uint64_t at = (uint64_t{s} + 1) * sector;
    if (at + sector <= bytes.size()) std::fill_n(bytes.begin() + static_cast<long>(at), sector, 0);
  };
  switch (damage) {
    case Damage::kNone:
      break;
    case Damage::kHeader:
      std::fill_n(bytes.begin(), 512, 0);
      break;
    case Damage::kAllocationTable:
      for (int i = 0; i < 109; ++i)
        if (const uint32_t s = Le32(intact, 0x4C + 4 * i); s < 0xFFFFFFFA) wipe(s);
      break;
    case Damage::kDirectory: {
      // Follow the directory chain through the intact table before wiping it.
      std::vector<uint32_t> fat;
      for (int i = 0; i < 109; ++i)
        if (const uint32_t s = Le32(intact, 0x4C + 4 * i); s < 0xFFFFFFFA)
          for (uint64_t k = 0; k < sector / 4; ++k)
            fat.push_back(Le32(intact, (uint64_t{s} + 1) * sector + 4 * k));
      for (uint32_t s = Le32(intact, 0x30), n = 0; s < fat.size() && n < fat.size();
           s = fat[s], ++n)
        wipe(s);
      break;
    }
  }
  return bytes;
}

struct Expected {
  std::set<std::pair<int64_t, int64_t>> structures;  // (file offset, length)
  std::multiset<std::pair<int64_t, std::string>> byte_texts, char_texts;
  std::vector<std::pair<std::string, Bytes>> pictures;  // (extension, data)
  // Records the flat file holds in pieces, left unchecked: headers, slide-list bodies,
  // pictures.
  size_t split_headers = 0, split_lists = 0, split_pictures = 0;
};

std::string CharsText(const Bytes& s, uint64_t at, uint32_t length, uint64_t end) {
  std::u16string text;
  for (uint64_t u = 0; u < length / 2 && at + 2 * u + 1 < end; ++u) {
    const char16_t c = static_cast<char16_t>(Le16(s, at + 2 * u));
    if (c == 0) break;
    text.push_back(c);
  }
  while (!text.empty() && (text.back() == u' ' || (text.back() >= 9 && text.back() <= 13)))
    text.pop_back();
  return Utf16ToUtf8(text);
}

std::string BytesText(const Bytes& s, uint64_t at, uint32_t length, uint64_t end) {
  std::string text;
  for (uint64_t i = 0; i < length && at + i < end && s[at + i] != 0; ++i)
    text.push_back(static_cast<char>(s[at + i]));
  return Windows1252ToUtf8(text);
}

Expected Expect(const Bytes& file) {
  Expected expected;
  const auto walk = CompoundWalk::Read(file);
  if (!walk) return expected;
  if (const auto doc = walk->Stream("PowerPoint Document")) {
    std::vector<WalkedRecord> records;
    WalkRecords(doc->bytes, 0, doc->bytes.size(), records);
    for (const WalkedRecord& r : records) {
      const bool container = (r.version_instance & 0xFF) == 0x0F;
      if (!container || (r.type != kTypePPDrawing && r.type != kTypeMainMaster &&
                         r.type != kTypeSlideListWithText))
        continue;
      if (!doc->Contiguous(r.at, 8)) {
        ++expected.split_headers;
        continue;
      }
      expected.structures.insert({static_cast<int64_t>(doc->FileOffset(r.at)), r.length});
      if (r.type != kTypeSlideListWithText) continue;
      const uint64_t end = std::min<uint64_t>(r.at + 8 + r.length, doc->bytes.size());
      if (!doc->Contiguous(r.at, end - r.at)) {
        ++expected.split_lists;
        continue;
      }
      std::vector<WalkedRecord> atoms;
      WalkRecords(doc->bytes, r.at + 8, end, atoms);
      int64_t slide = 0;
      for (const WalkedRecord& a : atoms) {
        if (a.type == kTypeSlidePersistAtom) ++slide;
        if (a.type == kTypeTextBytesAtom)
          expected.byte_texts.insert({slide, BytesText(doc->bytes, a.at + 8, a.length, end)});
        if (a.type == kTypeTextCharsAtom && a.length < kMaxCharsAtomLength)
          expected.char_texts.insert({slide, CharsText(doc->bytes, a.at + 8, a.length, end)});
      }
    }
  }
  if (const auto pictures = walk->Stream("Pictures")) {
    const Bytes& s = pictures->bytes;
    for (uint64_t at = 0; at + 8 <= s.size();) {
      const uint16_t word = Le16(s, at);
      const uint32_t length = Le32(s, at + 4);
      const uint64_t end = std::min<uint64_t>(at + 8 + length, s.size());
      constexpr size_t kDataOffset = 25;  // header, identifier, tag
      if (IsPictureRecordWord(word) && length < file.size() && at + kDataOffset + 16 <= s.size()) {
        const PictureFormat* format =
            MatchRasterFormat(std::span<const uint8_t>(s).subspan(at + kDataOffset));
        if (format != nullptr && format->extension != "gif" && format->extension != "tif") {
          if (pictures->Contiguous(at, end - at))
            expected.pictures.push_back({std::string(format->extension),
                                         Slice(s, at + kDataOffset, end - at - kDataOffset)});
          else
            ++expected.split_pictures;
        }
      }
      at += 8 + uint64_t{length};
    }
  }
  return expected;
}

class CorpusScan : public ::testing::TestWithParam<Damage> {};

TEST_P(CorpusScan, FindsWhatTheIntactFilesRecordTreeHolds) {
  VLX_REQUIRE_CORPUS();
  size_t structures = 0, texts = 0, pictures = 0;
  for (const std::string& name : HealthyCorpusPresentations()) {
    SCOPED_TRACE(name);
    const Bytes intact = ReadAll(CorpusPath("healthy/" + name));
    const Expected expected = Expect(intact);
    ScanRun run;
    auto file = run.Damaged(Damaged(intact, GetParam()));
    ASSERT_NE(file, nullptr);
    run.job.file_length = file->GetLength();
    ScanSlideStructures(run.job, *file);
    ScanSlideTexts(run.job, *file);

    std::set<std::pair<int64_t, int64_t>> found;
    for (const auto* list : {&run.job.drawings, &run.job.main_masters, &run.job.slide_lists})
      for (const FoundRecord& r : *list) found.insert({r.offset, r.length});
    for (const auto& s : expected.structures)
      EXPECT_TRUE(found.count(s)) << "record at " << s.first;
    structures += expected.structures.size();

    std::multiset<std::pair<int64_t, std::string>> byte_texts, char_texts;
    if (!run.job.texts.groups.empty()) {
      for (const auto& t : run.job.texts.groups[0].byte_texts) byte_texts.insert({t.slide, t.text});
      for (const auto& t : run.job.texts.groups[0].char_texts) char_texts.insert({t.slide, t.text});
    }
    for (const auto& t : expected.byte_texts)
      EXPECT_GE(byte_texts.count(t), expected.byte_texts.count(t)) << t.second;
    for (const auto& t : expected.char_texts)
      EXPECT_GE(char_texts.count(t), expected.char_texts.count(t)) << t.second;
    texts += expected.byte_texts.size() + expected.char_texts.size();

    ::mkdir(run.dir.File("out").c_str(), 0755);
    ExtractImages(run.job, file->path(), run.dir.File("out/"));
    for (const auto& picture : expected.pictures) {
      const auto& [ext, data] = picture;
      const bool handed_over =
          std::any_of(run.view.pictures.begin(), run.view.pictures.end(), [&](const auto& call) {
            return call.item.kind == SavedPictureExtension(picture.first) &&
                   Bytes(call.bytes.begin(), call.bytes.end()) == picture.second;
          });
      EXPECT_TRUE(handed_over) << ext << " picture of " << data.size() << " bytes";
    }
    pictures += expected.pictures.size();
    if (expected.split_headers + expected.split_lists + expected.split_pictures > 0)
      std::printf(
          "  %s: split in the file, not checked: %zu headers, %zu slide lists, %zu pictures\n",
          name.c_str(), expected.split_headers, expected.split_lists, expected.split_pictures);
  }
  std::printf("  checked %zu structures, %zu texts, %zu pictures\n", structures, texts, pictures);
  EXPECT_GT(structures, 0u);
  EXPECT_GT(texts, 0u);
  EXPECT_GT(pictures, 0u);
}

INSTANTIATE_TEST_SUITE_P(Damages, CorpusScan,
                         ::testing::Values(Damage::kNone, Damage::kHeader, Damage::kAllocationTable,
                                           Damage::kDirectory));

// Damaged and hostile inputs: every scan runs to its end without a fault.
TEST(CorpusScan, BadInputsAreScannedWithoutFault) {
  VLX_REQUIRE_CORPUS();
  DIR* dir = ::opendir(CorpusPath("badinput").c_str());
  ASSERT_NE(dir, nullptr);
  while (dirent* e = ::readdir(dir)) {
    if (!std::string(e->d_name).ends_with(".ppt")) continue;
    ScanRun run;
    auto file = DamagedFile::Open(CorpusPath(std::string("badinput/") + e->d_name));
    ASSERT_NE(file, nullptr);
    run.job.file_length = file->GetLength();
    SearchPictureStream(run.job, *file);
    ScanSlideStructures(run.job, *file);
    ScanSlideTexts(run.job, *file);
    ::mkdir(run.dir.File("out").c_str(), 0755);
    ExtractImages(run.job, file->path(), run.dir.File("out/"));
    EXPECT_EQ(run.job.texts.groups.size(), run.job.slide_lists.size());
    EXPECT_FALSE(run.sink.progress_out_of_range);
  }
  ::closedir(dir);
}

}  // namespace
}  // namespace vlx::testing
