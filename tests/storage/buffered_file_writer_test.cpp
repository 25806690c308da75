#include "engine/storage/buffered_file_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

std::vector<unsigned char> Piece(size_t size, unsigned char seed) {
  std::vector<unsigned char> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(seed + i * 13);
  return bytes;
}

// Pieces smaller and larger than the buffer, in any order, land one after another from
// the start offset: a large piece is written as it comes only after what was gathered.
TEST(BufferedFileWriterTest, SmallAndLargePiecesLandInOrder) {
  testing::TempDir dir;
  const std::string path = dir.File("out");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const std::vector<std::vector<unsigned char>> pieces = {Piece(10, 1),      Piece(200000, 2),
                                                          Piece(70000, 3),   Piece(5, 4),
                                                          Piece(1 << 20, 5), Piece(65536, 6)};
  std::vector<unsigned char> expected(7, 0);  // the start offset
  {
    BufferedFileWriter out(fd, 7);
    for (const auto& piece : pieces) {
      ASSERT_TRUE(out.Put(piece.data(), piece.size()));
      expected.insert(expected.end(), piece.begin(), piece.end());
    }
    ASSERT_TRUE(out.PadTo(512));
    expected.resize(7 + (expected.size() - 7 + 511) / 512 * 512, 0);
    ASSERT_TRUE(out.Flush());
    EXPECT_EQ(out.written() + 7, expected.size());
  }
  ::close(fd);
  EXPECT_TRUE(testing::ReadAll(path) == expected);
}

}  // namespace
}  // namespace vlx
