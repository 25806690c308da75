#include "engine/scan/encryption_check.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

std::vector<std::string> CorpusFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(CorpusPath(folder).c_str())) {
    while (dirent* entry = ::readdir(dir))
      if (entry->d_name[0] != '.') names.push_back(folder + "/" + entry->d_name);
    ::closedir(dir);
  }
  return names;
}

TEST(EncryptionCheckTest, TheCorpusEncryptedFilesAreTheOnlyOnesCalledEncrypted) {
  VLX_REQUIRE_CORPUS();
  int protected_files = 0;
  for (const std::string& name : CorpusFiles("badinput")) {
    auto file = DamagedFile::Open(CorpusPath(name));
    if (!file) continue;
    const bool password = name.find("Password_Protected") != std::string::npos ||
                          name.find("encrypted") != std::string::npos ||
                          name.find("cryptoapi") != std::string::npos;
    protected_files += password ? 1 : 0;
    EXPECT_EQ(LooksEncrypted(*file), password) << name;
  }
  EXPECT_GT(protected_files, 0);
  for (const std::string& name : CorpusFiles("healthy")) {
    auto file = DamagedFile::Open(CorpusPath(name));
    ASSERT_TRUE(file) << name;
    EXPECT_FALSE(LooksEncrypted(*file)) << name;
  }
}

TEST(EncryptionCheckTest, AHeaderAloneIsNotEnoughAndAMarkOnAChunkEdgeIsFound) {
  testing::TempDir dir;
  std::vector<unsigned char> bytes(3 << 20, 0x11);
  // The header bytes with an implausible body: random data, not encryption.
  const unsigned char bare[] = {0x0F, 0x00, 0x14, 0x2F, 0xFF, 0xFF,
                                0xFF, 0x7F, 0x09, 0x00, 0x00, 0x00};
  std::copy(std::begin(bare), std::end(bare), bytes.begin() + 5000);
  auto plain = DamagedFile::Open(dir.Write("plain", bytes));
  EXPECT_FALSE(LooksEncrypted(*plain));
  const std::u16string name = u"EncryptedSummary";
  const size_t edge = (1 << 20) - 10;  // across the first 1 MiB boundary
  for (size_t i = 0; i < name.size(); ++i) {
    bytes[edge + 2 * i] = static_cast<unsigned char>(name[i]);
    bytes[edge + 2 * i + 1] = 0;
  }
  auto marked = DamagedFile::Open(dir.Write("marked", bytes));
  EXPECT_TRUE(LooksEncrypted(*marked));
}

}  // namespace
}  // namespace vlx
