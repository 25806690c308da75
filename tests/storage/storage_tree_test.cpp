// Storages inside storages and class ids, as a salvaged presentation with embedded
// objects needs them written back; read with olefile, which shares no code with ours.

#include <gtest/gtest.h>

#include <string>

#include "engine/storage/compound_storage.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Quote;
using testing::RunCommand;
using testing::TempDir;

constexpr std::array<uint8_t, 16> kRootId = {0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11,
                                             0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};
constexpr std::array<uint8_t, 16> kObjectId = {1, 2,  3,  4,  5,  6,  7,  8,
                                               9, 10, 11, 12, 13, 14, 15, 16};

// Every element with its type, class id and size, one per line, as olefile reads them.
std::string Listing(const std::string& path) {
  static const char* kScript =
      "import olefile, sys\n"
      "ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
      "print('root', ole.root.clsid)\n"
      "for e in sorted(ole.listdir(streams=True, storages=True)):\n"
      "    p = '/'.join(e)\n"
      "    if ole.get_type(p) == olefile.STGTY_STORAGE: print('storage', p, ole.getclsid(p))\n"
      "    else: print('stream', p, len(ole.openstream(p).read()))\n";
  std::string out;
  if (RunCommand("/usr/bin/python3 -c " + Quote(kScript) + " " + Quote(path), &out) != 0)
    return "olefile refused the file: " + out;
  return out;
}

TEST(StorageTree, NestedStoragesWithClassIdsAndStreamsInThem) {
  if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  TempDir dir;
  const std::string path = dir.File("tree.ppt");
  {
    auto storage = CompoundStorage::Create(path);
    ASSERT_NE(storage, nullptr);
    storage->SetClassId(kRootStorage, kRootId);
    const uint32_t objects = storage->CreateStorage("ObjectPool");
    ASSERT_NE(objects, kRootStorage);
    const uint32_t object = storage->CreateStorage("_1234", objects);
    ASSERT_NE(object, kRootStorage);
    storage->SetClassId(object, kObjectId);
    std::vector<unsigned char> big(9000, 0x5A);
    std::vector<unsigned char> small(100, 0x11);
    ASSERT_TRUE(storage->CreateStreamIn(object, "Contents")->Write(big.data(), big.size()));
    ASSERT_TRUE(storage->CreateStreamIn(object, "\x01Ole")->Write(small.data(), small.size()));
    // The same name in another storage is another element.
    ASSERT_TRUE(storage->CreateStream("Contents")->Write(small.data(), 10));
    EXPECT_EQ(storage->CreateStorage("ObjectPool"), objects) << "a storage is made once";
    EXPECT_EQ(storage->CreateStreamIn(77, "x"), nullptr) << "no such storage";
    ASSERT_TRUE(storage->Commit());
  }
  EXPECT_EQ(Listing(path),
            "root 64818D10-4F9B-11CF-86EA-00AA00B929E8\n"
            "stream Contents 10\n"
            "storage ObjectPool \n"
            "storage ObjectPool/_1234 04030201-0605-0807-090A-0B0C0D0E0F10\n"
            "stream ObjectPool/_1234/\x01Ole 100\n"
            "stream ObjectPool/_1234/Contents 9000\n");
}

TEST(StorageTree, FlatFileKeepsAnEmptyRootClassId) {
  if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  TempDir dir;
  const std::string path = dir.File("flat.ppt");
  {
    auto storage = CompoundStorage::Create(path);
    ASSERT_NE(storage, nullptr);
    ASSERT_TRUE(storage->CreateStream("A")->Write("x", 1));
  }
  EXPECT_EQ(Listing(path), "root \nstream A 1\n");
}

}  // namespace
}  // namespace vlx
