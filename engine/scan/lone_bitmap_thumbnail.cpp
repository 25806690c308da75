#include "engine/scan/lone_bitmap_thumbnail.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/scan/pictures/lone_bitmap.h"

namespace vlx {
namespace {

// Metafiles larger than this are left to the long way rather than read into memory.
constexpr std::streamoff kLargestRead = 256LL << 20;

std::optional<std::vector<uint8_t>> ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kLargestRead) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

bool WriteScratchFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  const bool closed = std::fclose(out) == 0;
  return written && closed;
}

}  // namespace

std::optional<Bitmap> LoneBitmapThumbnail(ImageToolkit& images, const std::string& metafile_path,
                                          const std::string& bmp_path, int size) {
  const std::optional<std::vector<uint8_t>> metafile = ReadSmallFile(metafile_path);
  if (!metafile) return std::nullopt;
  const std::optional<std::vector<uint8_t>> bmp = LoneBitmapOfMetafile(*metafile);
  if (!bmp) return std::nullopt;
  std::optional<Bitmap> thumbnail;
  if (WriteScratchFile(bmp_path, *bmp)) thumbnail = images.MakeThumbnail(bmp_path, size, size);
  std::remove(bmp_path.c_str());
  return thumbnail;
}

}  // namespace vlx
