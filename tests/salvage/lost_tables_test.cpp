// Compound files whose allocation table is gone: the directory's sectors that do not
// follow its first one, and the small streams, come back by their content.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "engine/salvage/mini_stream_by_content.h"
#include "tests/salvage/built_compound.h"
#include "tests/salvage/salvage_run.h"

namespace vlx::testing {
namespace {

constexpr size_t kSector = 512;

std::vector<unsigned char> Pattern(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(size);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

// Six entries: the root and three streams in directory sector 1, two more streams in
// directory sector 2.
std::vector<BuiltStream> Streams() {
  return {{u"Big", Pattern(5000, 1)},
          {u"Other big", Pattern(6000, 2)},
          {u"Current User", Pattern(59, 3)},
          {u"\x05SummaryInformation", Pattern(700, 4)},
          {u"\x05"
           u"DocumentSummaryInformation",
           Pattern(300, 5)}};
}

unsigned char* SectorOf(std::vector<unsigned char>& file, size_t n) {
  return file.data() + (n + 1) * kSector;
}

// The FAT (sector 0) zeroed, and the directory's second sector moved to the end of the
// file, its old place overwritten: the directory's chain is lost with the table.
std::vector<unsigned char> MovedDirectorySector(std::vector<unsigned char> file) {
  std::fill_n(SectorOf(file, 0), kSector, 0);
  const std::vector<unsigned char> second(SectorOf(file, 2), SectorOf(file, 2) + kSector);
  file.insert(file.end(), second.begin(), second.end());
  std::fill_n(SectorOf(file, 2), kSector, 0x41);
  return file;
}

TEST(LostTables, ADirectorySectorThatDoesNotFollowTheFirstIsFoundByItsContent) {
  TempDir work;
  const std::vector<unsigned char> healthy = BuiltCompound(kSector).Build(Streams());
  const SalvageRun run = RunSalvage(work.Write("moved.bin", MovedDirectorySector(healthy)), work);
  ASSERT_TRUE(run.planned);
  for (const BuiltStream& stream : Streams()) {
    const auto found = run.streams.find(JoinedPath({stream.name}));
    ASSERT_NE(found, run.streams.end()) << JoinedPath({stream.name});
    if (stream.bytes.size() < 4096) {
      EXPECT_TRUE(found->second == stream.bytes) << JoinedPath({stream.name});
    }
  }
}

// An older copy of the directory's first sector (the same names) elsewhere in the file
// is not taken for its second sector.
TEST(LostTables, AnOlderCopyOfTheFirstDirectorySectorIsNotTakenForTheSecond) {
  TempDir work;
  const std::vector<unsigned char> healthy = BuiltCompound(kSector).Build(Streams());
  std::vector<unsigned char> damaged = MovedDirectorySector(healthy);
  const std::vector<unsigned char> first(SectorOf(damaged, 1), SectorOf(damaged, 1) + kSector);
  damaged.insert(damaged.end() - kSector, first.begin(), first.end());
  const SalvageRun run = RunSalvage(work.Write("copy.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  const auto found = run.streams.find(JoinedPath({u"\x05SummaryInformation"}));
  ASSERT_NE(found, run.streams.end());
  EXPECT_TRUE(found->second == Streams()[3].bytes);
}

void Put32(std::vector<unsigned char>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
std::vector<unsigned char> Record(uint16_t ver_inst, uint16_t type,
                                  const std::vector<unsigned char>& body) {
  std::vector<unsigned char> r = {
      static_cast<unsigned char>(ver_inst), static_cast<unsigned char>(ver_inst >> 8),
      static_cast<unsigned char>(type), static_cast<unsigned char>(type >> 8)};
  Put32(r, static_cast<uint32_t>(body.size()));
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

// A deck small enough for the mini stream: the Document, its persist directory, the edit.
std::vector<unsigned char> SmallDocument() {
  std::vector<unsigned char> s = Record(0x000F, 0x03E8, Record(0, 0x03E9, Pattern(40, 6)));
  const uint32_t directory = static_cast<uint32_t>(s.size());
  std::vector<unsigned char> entries;
  Put32(entries, 1 | 1u << 20);
  Put32(entries, 0);
  const std::vector<unsigned char> persist = Record(0, 0x1772, entries);
  s.insert(s.end(), persist.begin(), persist.end());
  std::vector<unsigned char> edit;
  for (uint32_t v : {256u, 0x03000000u, 0u, directory, 1u, 2u, 1u}) Put32(edit, v);
  const std::vector<unsigned char> edit_record = Record(0, 0x0FF5, edit);
  s.insert(s.end(), edit_record.begin(), edit_record.end());
  return s;
}

// The Current User record, the user's name in UTF-16 after it.
std::vector<unsigned char> CurrentUser(uint32_t edit_offset, const std::string& user = "Alice") {
  std::vector<unsigned char> body;
  Put32(body, 20);
  Put32(body, 0xE391C05F);
  Put32(body, edit_offset);
  body.push_back(static_cast<unsigned char>(user.size()));
  for (unsigned char c : {0, 0xF4, 0x03, 3, 0, 0, 0}) body.push_back(c);
  for (char c : user) body.push_back(static_cast<unsigned char>(c));
  Put32(body, 8);
  std::vector<unsigned char> s = Record(0, 0x0FF6, body);
  for (char c : user) {
    s.push_back(static_cast<unsigned char>(c));
    s.push_back(0);
  }
  return s;
}

// A property set with one section of one property, of the summary's format or the
// document summary's; the section padded to section_size bytes (a thumbnail's room).
std::vector<unsigned char> PropertySet(bool document_summary, uint32_t section_size = 24) {
  std::vector<unsigned char> s = {0xFE, 0xFF, 0, 0, 5, 1, 2, 0};
  s.resize(24, 0);
  Put32(s, 1);
  const std::vector<unsigned char> summary = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                              0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
  const std::vector<unsigned char> document = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                               0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
  const std::vector<unsigned char>& format = document_summary ? document : summary;
  s.insert(s.end(), format.begin(), format.end());
  Put32(s, 48);
  for (uint32_t v : {section_size, 1u, 1u, 16u, 2u, 0x04E4u}) Put32(s, v);
  s.resize(48 + section_size, 0x5A);
  return s;
}

// The directory's sectors zeroed: the root entry that named the mini stream is gone
// with it, the FAT and the mini FAT are whole. The small streams are found in the mini
// stream by what they begin with, and sized by their own contents.
TEST(LostTables, SmallStreamsComeBackFromTheMiniStreamWithoutADirectory) {
  const std::vector<unsigned char> document = SmallDocument();
  const std::vector<BuiltStream> streams = {
      {u"Current User", CurrentUser(static_cast<uint32_t>(document.size()) - 36)},
      {u"\x05SummaryInformation", PropertySet(false)},
      {u"\x05"
       u"DocumentSummaryInformation",
       PropertySet(true)},
      {u"PowerPoint Document", document}};
  std::vector<unsigned char> damaged = BuiltCompound(kSector).Build(streams);
  std::fill_n(SectorOf(damaged, 1), kSector, 0);
  std::fill_n(SectorOf(damaged, 2), kSector, 0);
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("no-directory.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  EXPECT_FALSE(run.plan.directory_found);
  for (const BuiltStream& stream : streams) {
    const auto found = run.streams.find(JoinedPath({stream.name}));
    ASSERT_NE(found, run.streams.end()) << JoinedPath({stream.name});
    EXPECT_TRUE(found->second == stream.bytes) << JoinedPath({stream.name});
  }
}

// Summaries too long for the mini stream, in regular sectors, the directory zeroed: the
// chains that begin like their property sets are named so and sized by their sections
// (a shorter one by the mini-stream cutoff, as its writer padded it).
TEST(LostTables, LongSummariesComeBackFromTheirChainsWithoutADirectory) {
  std::vector<unsigned char> padded = PropertySet(true, 900);
  padded.resize(4096, 0);
  const std::vector<BuiltStream> streams = {{u"\x05SummaryInformation", PropertySet(false, 9000)},
                                            {u"Big", Pattern(5000, 9)},
                                            {u"\x05"
                                             u"DocumentSummaryInformation",
                                             padded}};
  std::vector<unsigned char> damaged = BuiltCompound(kSector).Build(streams);
  std::fill_n(SectorOf(damaged, 1), kSector, 0);
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("no-directory.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  EXPECT_FALSE(run.plan.directory_found);
  for (const size_t i : {size_t{0}, size_t{2}}) {
    const auto found = run.streams.find(JoinedPath({streams[i].name}));
    ASSERT_NE(found, run.streams.end()) << JoinedPath({streams[i].name});
    EXPECT_TRUE(found->second == streams[i].bytes) << JoinedPath({streams[i].name});
  }
  EXPECT_EQ(run.streams.count("Big"), 0u) << "a chain of no known kind has no name";
}

// The mini stream in two regular sectors, the second moved to the end of the file and
// the FAT zeroed: the directory still names the small streams, and the Current User
// and the summary beginning in that sector place it.
TEST(LostTables, TheMiniStreamsSectorsArePlacedByTheSmallStreamsFirstBytes) {
  const std::vector<unsigned char> document = SmallDocument();
  const std::vector<BuiltStream> streams = {
      {u"Padding", Pattern(600, 7)},
      {u"Current User", CurrentUser(static_cast<uint32_t>(document.size()) - 36)},
      {u"\x05SummaryInformation", PropertySet(false)},
      {u"PowerPoint Document", document}};
  std::vector<unsigned char> damaged = BuiltCompound(kSector).Build(streams);
  // Header, FAT, two directory sectors, the mini FAT, the mini stream's two.
  ASSERT_EQ(damaged.size(), 7 * kSector);
  std::fill_n(SectorOf(damaged, 0), kSector, 0);
  const std::vector<unsigned char> second(SectorOf(damaged, 5), SectorOf(damaged, 5) + kSector);
  std::fill_n(SectorOf(damaged, 5), kSector, 0x41);
  damaged.insert(damaged.end(), kSector, 0x42);
  damaged.insert(damaged.end(), second.begin(), second.end());
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("mini-moved.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  for (const BuiltStream& stream : streams) {
    const auto found = run.streams.find(JoinedPath({stream.name}));
    ASSERT_NE(found, run.streams.end()) << JoinedPath({stream.name});
    if (stream.name != u"Padding") {
      EXPECT_TRUE(found->second == stream.bytes) << JoinedPath({stream.name});
    }
  }
}

// As above, with an older copy of the moved sector after it, from an earlier save whose
// Current User named another user: the copy begins the Current User at the same place,
// but its length is not the directory's, and the live sector is taken.
TEST(LostTables, AnEarlierSavesCopyOfAMiniStreamSectorIsToldByTheStreamsLength) {
  const std::vector<unsigned char> document = SmallDocument();
  const auto streams = [&](const std::string& user) {
    return std::vector<BuiltStream>{
        {u"Padding", Pattern(600, 7)},
        {u"Current User", CurrentUser(static_cast<uint32_t>(document.size()) - 36, user)},
        {u"\x05SummaryInformation", PropertySet(false)},
        {u"PowerPoint Document", document}};
  };
  std::vector<unsigned char> damaged = BuiltCompound(kSector).Build(streams("Alice"));
  std::vector<unsigned char> older = BuiltCompound(kSector).Build(streams("Bob Older"));
  ASSERT_EQ(damaged.size(), 7 * kSector);
  ASSERT_EQ(older.size(), 7 * kSector);
  std::fill_n(SectorOf(damaged, 0), kSector, 0);
  const std::vector<unsigned char> second(SectorOf(damaged, 5), SectorOf(damaged, 5) + kSector);
  std::fill_n(SectorOf(damaged, 5), kSector, 0x41);
  damaged.insert(damaged.end(), second.begin(), second.end());
  damaged.insert(damaged.end(), SectorOf(older, 5), SectorOf(older, 5) + kSector);
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("older-copy.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  const auto user = run.streams.find("Current User");
  ASSERT_NE(user, run.streams.end());
  EXPECT_TRUE(user->second == streams("Alice")[1].bytes);
}

// A writer may leave a small stream's mini sectors out of a row and put another stream
// in the gap: a Current User in the mini sector a property set written in a row would
// end in is still found, where the property set's own mini FAT chain leaves it.
TEST(LostTables, ACurrentUserInsideTheRowAnotherSmallStreamWouldFillIsFound) {
  std::vector<unsigned char> mini = PropertySet(true, 736);  // 784 bytes: mini sectors 0-12
  ASSERT_EQ(mini.size(), 784u);
  mini.resize(3 * kSector, 0);
  const std::vector<unsigned char> user = CurrentUser(300);
  std::copy(user.begin(), user.end(), mini.begin() + 12 * 64);
  std::vector<unsigned char> file(kSector, 0);  // the header, lost
  file.insert(file.end(), mini.begin(), mini.end());
  TempDir work;
  auto damaged = DamagedFile::Open(work.Write("mini.bin", file));
  ASSERT_TRUE(damaged);
  std::vector<uint32_t> fat(128, 0xFFFFFFFF);
  fat[0] = 1;
  fat[1] = 2;
  fat[2] = 0xFFFFFFFE;
  const salvage::MiniStreamByContent found =
      salvage::FindMiniStreamByContent(*damaged, salvage::SectorGeometry{}, fat, 4096);
  ASSERT_EQ(found.mini_stream.size, 3 * kSector);
  std::map<std::string, std::pair<uint32_t, uint64_t>> items;
  for (const auto& item : found.items)
    items[JoinedPath(item.path)] = {item.start_sector, item.size};
  EXPECT_EQ(items["\x05"
                  "DocumentSummaryInformation"],
            std::make_pair(0u, uint64_t{784}));
  EXPECT_EQ(items["Current User"], std::make_pair(12u, uint64_t{user.size()}));
}

uint32_t Get32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void Set32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// base with the tables of another save of the same streams laid after its end, as a
// save leaves the tables of the one before it in sectors it no longer uses: a FAT, a
// directory, a mini FAT and a mini stream of their own, which the base's FAT calls
// free. The base's root entry was modified at base_time, the other's at other_time.
// The header is zeroed: nothing tells the live tables from the other ones but their
// content.
std::vector<unsigned char> WithTablesOfAnotherSave(std::vector<unsigned char> base,
                                                   const std::vector<unsigned char>& other,
                                                   uint64_t base_time, uint64_t other_time) {
  const auto sector = [](std::vector<unsigned char>& f, uint32_t n) {
    return f.data() + (n + 1) * kSector;
  };
  std::vector<unsigned char> copy = other;
  // The tables: the FAT (0), the directory, the mini FAT, the mini stream, up to the
  // first sector of the large streams (which both saves share).
  const unsigned char* root = sector(copy, 1);
  const uint32_t tables =
      Get32(root + 0x74) + static_cast<uint32_t>((Get32(root + 0x78) + 511) / 512);
  const uint32_t shift = static_cast<uint32_t>(base.size() / kSector) - 1;
  std::vector<uint32_t> fat(128);
  for (uint32_t e = 0; e < 128; ++e) fat[e] = Get32(sector(copy, 0) + 4 * e);
  std::vector<uint32_t> moved = fat;
  for (uint32_t e = 0; e < tables; ++e) {
    moved[e] = 0xFFFFFFFF;
    moved[e + shift] = fat[e] < 0xFFFFFFFA ? fat[e] + shift : fat[e];
  }
  for (uint32_t e = 0; e < 128; ++e) Set32(sector(copy, 0) + 4 * e, moved[e]);
  Set32(sector(copy, 1) + 0x74, Get32(root + 0x74) + shift);
  for (int i = 0; i < 8; ++i) {
    sector(copy, 1)[0x6C + i] = static_cast<unsigned char>(other_time >> (8 * i));
    sector(base, 1)[0x6C + i] = static_cast<unsigned char>(base_time >> (8 * i));
  }
  base.insert(base.end(), sector(copy, 0), sector(copy, tables));
  std::fill_n(base.begin(), kSector, 0);
  return base;
}

// Two saves' tables, each as complete as the other, the header that named the live ones
// lost: the newest save's are taken, wherever they lie, and the small streams are its.
TEST(LostTables, TheNewestSavesTablesWinOverAnEarlierSavesWhenTheHeaderIsLost) {
  const auto streams = [](const std::string& user) {
    return std::vector<BuiltStream>{{u"Big", Pattern(5000, 1)},
                                    {u"Current User", CurrentUser(100, user)}};
  };
  const std::vector<unsigned char> older = BuiltCompound(kSector).Build(streams("Older"));
  const std::vector<unsigned char> newer = BuiltCompound(kSector).Build(streams("Newer"));
  const uint64_t earlier = 0x01C520BEF7C7F900, later = 0x01C520F4AB8A6510;
  TempDir work;
  for (bool newest_first : {true, false}) {
    SCOPED_TRACE(newest_first ? "the newest save's tables first" : "the newest save's last");
    const std::vector<unsigned char> damaged =
        newest_first ? WithTablesOfAnotherSave(newer, older, later, earlier)
                     : WithTablesOfAnotherSave(older, newer, earlier, later);
    const SalvageRun run = RunSalvage(work.Write("two-saves.bin", damaged), work);
    ASSERT_TRUE(run.planned);
    const auto user = run.streams.find("Current User");
    ASSERT_NE(user, run.streams.end());
    EXPECT_TRUE(user->second == streams("Newer")[1].bytes);
    EXPECT_TRUE(run.streams.at("Big") == streams("Newer")[0].bytes);
  }
}

}  // namespace
}  // namespace vlx::testing
