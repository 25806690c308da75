#pragma once

// A compound file made byte by byte in the test, for layouts our writer never makes:
// 4096-byte sectors, streams whose sectors interleave (every chain jumps), a mini
// stream. One FAT sector, no DIFAT; the streams sit in the root storage.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vlx::testing {

struct BuiltStream {
  std::u16string name;
  std::vector<unsigned char> bytes;
};

class BuiltCompound {
 public:
  explicit BuiltCompound(uint32_t sector_size) : size_(sector_size) {}

  std::vector<unsigned char> Build(const std::vector<BuiltStream>& streams) {
    const uint32_t entries = size_ / 4;
    // Sector plan: 0 FAT, then the directory, the mini FAT, the mini stream, and the
    // large streams' sectors dealt out in turn.
    fat_.assign(entries, kFree);
    fat_[0] = kFatMark;
    const uint32_t directory_sectors =
        static_cast<uint32_t>((128 * (streams.size() + 1) + size_ - 1) / size_);
    Chain(1, directory_sectors, 1);
    const uint32_t mini_fat_sector = 1 + directory_sectors;
    fat_[mini_fat_sector] = kEnd;
    uint32_t next = mini_fat_sector + 1;
    std::vector<unsigned char> mini;
    std::vector<uint32_t> mini_fat(entries, kFree);
    std::vector<uint32_t> starts(streams.size(), kEnd);
    for (size_t i = 0; i < streams.size(); ++i) {
      if (streams[i].bytes.size() >= 4096 || streams[i].bytes.empty()) continue;
      const uint32_t first = static_cast<uint32_t>(mini.size() / 64);
      const uint32_t count = static_cast<uint32_t>((streams[i].bytes.size() + 63) / 64);
      for (uint32_t k = 0; k < count; ++k)
        mini_fat[first + k] = k + 1 < count ? first + k + 1 : kEnd;
      starts[i] = first;
      mini.insert(mini.end(), streams[i].bytes.begin(), streams[i].bytes.end());
      mini.resize((mini.size() + 63) / 64 * 64, 0);
    }
    const uint32_t mini_start = mini.empty() ? kEnd : next;
    const uint32_t mini_sectors = static_cast<uint32_t>((mini.size() + size_ - 1) / size_);
    Chain(next, mini_sectors, 1);
    next += mini_sectors;
    // Large streams: sector k of stream j goes to next + k * large + j.
    std::vector<size_t> large;
    for (size_t i = 0; i < streams.size(); ++i)
      if (streams[i].bytes.size() >= 4096) large.push_back(i);
    uint32_t longest = 0;
    for (size_t i : large)
      longest = std::max<uint32_t>(
          longest, static_cast<uint32_t>((streams[i].bytes.size() + size_ - 1) / size_));
    const uint32_t stride = static_cast<uint32_t>(large.size());
    for (size_t j = 0; j < large.size(); ++j) {
      starts[large[j]] = next + static_cast<uint32_t>(j);
      Chain(next + static_cast<uint32_t>(j),
            static_cast<uint32_t>((streams[large[j]].bytes.size() + size_ - 1) / size_), stride);
    }
    const uint32_t total = next + longest * stride;

    std::vector<unsigned char> file(size_t{size_} * (1 + total), 0);
    unsigned char* header = file.data();
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header, signature, 8);
    Put16(header + 0x18, 0x3E);
    Put16(header + 0x1A, size_ == 4096 ? 4 : 3);
    Put16(header + 0x1C, 0xFFFE);
    Put16(header + 0x1E, size_ == 4096 ? 12 : 9);
    Put16(header + 0x20, 6);
    Put32(header + 0x2C, 1);     // FAT sectors
    Put32(header + 0x30, 1);     // directory start
    Put32(header + 0x38, 4096);  // mini stream cutoff
    Put32(header + 0x3C, mini_fat_sector);
    Put32(header + 0x40, 1);
    Put32(header + 0x44, kEnd);
    for (int i = 0; i < 109; ++i) Put32(header + 0x4C + 4 * i, i == 0 ? 0 : kFree);
    for (uint32_t e = 0; e < entries; ++e) {
      Put32(Sector(file, 0) + 4 * e, fat_[e]);
      Put32(Sector(file, mini_fat_sector) + 4 * e, mini_fat[e]);
    }
    unsigned char* directory = Sector(file, 1);  // its sectors follow each other
    Entry(directory, u"Root Entry", 5, mini_start, mini.size(), streams.empty() ? kFree : 1);
    for (size_t i = 0; i < streams.size(); ++i) {
      unsigned char* entry = directory + 128 * (i + 1);
      Entry(entry, streams[i].name, 2, starts[i], streams[i].bytes.size(), kFree);
      Put32(entry + 0x48, i + 1 < streams.size() ? static_cast<uint32_t>(i + 2) : kFree);
    }
    for (size_t at = 128 * (streams.size() + 1); at < size_t{size_} * directory_sectors;
         at += 128) {
      Put32(directory + at + 0x44, kFree);
      Put32(directory + at + 0x48, kFree);
      Put32(directory + at + 0x4C, kFree);
    }
    for (size_t at = 0; at < mini.size(); at += size_)
      std::memcpy(Sector(file, mini_start + static_cast<uint32_t>(at / size_)), mini.data() + at,
                  std::min<size_t>(size_, mini.size() - at));
    for (size_t j = 0; j < large.size(); ++j) {
      const auto& bytes = streams[large[j]].bytes;
      for (size_t at = 0, k = 0; at < bytes.size(); at += size_, ++k)
        std::memcpy(Sector(file, next + static_cast<uint32_t>(k * stride + j)), bytes.data() + at,
                    std::min<size_t>(size_, bytes.size() - at));
    }
    return file;
  }

 private:
  static constexpr uint32_t kFree = 0xFFFFFFFF;
  static constexpr uint32_t kEnd = 0xFFFFFFFE;
  static constexpr uint32_t kFatMark = 0xFFFFFFFD;

  static void Put16(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
  }
  static void Put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
  }
  unsigned char* Sector(std::vector<unsigned char>& file, uint32_t n) {
    return file.data() + size_t{size_} * (n + 1);
  }
  void Chain(uint32_t first, uint32_t count, uint32_t stride) {
    for (uint32_t k = 0; k < count; ++k)
      fat_.at(first + k * stride) = k + 1 < count ? first + (k + 1) * stride : kEnd;
  }
  static void Entry(unsigned char* entry, std::u16string_view name, unsigned char type,
                    uint32_t start, uint64_t size, uint32_t child) {
    for (size_t i = 0; i < name.size(); ++i) Put16(entry + 2 * i, name[i]);
    Put16(entry + 0x40, static_cast<uint32_t>(2 * (name.size() + 1)));
    entry[0x42] = type;
    entry[0x43] = 1;
    Put32(entry + 0x44, kFree);
    Put32(entry + 0x48, kFree);
    Put32(entry + 0x4C, child);
    Put32(entry + 0x74, start);
    Put32(entry + 0x78, static_cast<uint32_t>(size));
  }

  uint32_t size_;
  std::vector<uint32_t> fat_;
};

}  // namespace vlx::testing
