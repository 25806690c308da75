#pragma once

// A small reader of intact compound files and of the record tree of their
// presentation stream, written for the tests independently of the engine: it follows
// the file's own allocation tables and directory, which the scans never look at.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlx::testing {

using FileBytes = std::vector<unsigned char>;

inline uint16_t Le16(const FileBytes& b, uint64_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
inline uint32_t Le32(const FileBytes& b, uint64_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

// One stream's bytes and, for every byte, where it lies in the file.
struct StreamImage {
  FileBytes bytes;
  std::vector<uint64_t> piece_offsets;  // file offset of each piece of piece_size bytes
  uint64_t piece_size = 512;

  uint64_t FileOffset(uint64_t at) const {
    return piece_offsets[at / piece_size] + at % piece_size;
  }
  // True when the stream bytes [at, at + count) lie in the file in one run.
  bool Contiguous(uint64_t at, uint64_t count) const {
    if (count == 0) return true;
    for (uint64_t p = at / piece_size; p < (at + count - 1) / piece_size; ++p)
      if (piece_offsets[p + 1] != piece_offsets[p] + piece_size) return false;
    return true;
  }
};

class CompoundWalk {
 public:
  // nullopt when the file is not a readable compound file.
  static std::optional<CompoundWalk> Read(const FileBytes& file) {
    static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (file.size() < 512 || !std::equal(kMagic, kMagic + 8, file.begin())) return std::nullopt;
    CompoundWalk walk(file);
    if (!walk.Load()) return std::nullopt;
    return walk;
  }

  // The named stream (top-level name, ASCII), or nullopt.
  std::optional<StreamImage> Stream(const std::string& name) const {
    for (const Entry& e : entries_) {
      if (e.type != 2 || e.name != name) continue;
      StreamImage image;
      if (e.size < mini_cutoff_) {
        image.piece_size = 64;
        for (uint32_t m = e.start; m < minifat_.size() && image.piece_offsets.size() * 64 < e.size;
             m = minifat_[m]) {
          const uint64_t in_root = uint64_t{m} * 64;
          if (in_root / sector_size_ >= root_chain_.size()) return std::nullopt;
          image.piece_offsets.push_back(SectorOffset(root_chain_[in_root / sector_size_]) +
                                        in_root % sector_size_);
        }
      } else {
        image.piece_size = sector_size_;
        for (uint32_t s : Chain(e.start)) image.piece_offsets.push_back(SectorOffset(s));
      }
      if (image.piece_offsets.size() * image.piece_size < e.size) return std::nullopt;
      for (uint64_t at = 0; at < e.size; ++at) image.bytes.push_back(file_[image.FileOffset(at)]);
      return image;
    }
    return std::nullopt;
  }

 private:
  struct Entry {
    std::string name;
    uint8_t type;
    uint32_t start;
    uint64_t size;
  };

  explicit CompoundWalk(const FileBytes& file) : file_(file) {}

  uint64_t SectorOffset(uint32_t sector) const { return (uint64_t{sector} + 1) * sector_size_; }

  std::vector<uint32_t> Chain(uint32_t start) const {
    std::vector<uint32_t> chain;
    for (uint32_t s = start; s < fat_.size() && chain.size() <= fat_.size(); s = fat_[s])
      chain.push_back(s);
    return chain;
  }

  bool SectorInFile(uint32_t s) const { return SectorOffset(s) + sector_size_ <= file_.size(); }

  bool Load() {
    sector_size_ = uint64_t{1} << Le16(file_, 0x1E);
    mini_cutoff_ = Le32(file_, 0x38);
    std::vector<uint32_t> fat_sectors;
    for (int i = 0; i < 109; ++i) {
      const uint32_t s = Le32(file_, 0x4C + 4 * i);
      if (s < 0xFFFFFFFA) fat_sectors.push_back(s);
    }
    for (uint32_t d = Le32(file_, 0x44), n = 0; d < 0xFFFFFFFA && n < Le32(file_, 0x48); ++n) {
      if (!SectorInFile(d)) return false;
      const uint64_t at = SectorOffset(d);
      for (uint64_t i = 0; i + 1 < sector_size_ / 4; ++i) {
        const uint32_t s = Le32(file_, at + 4 * i);
        if (s < 0xFFFFFFFA) fat_sectors.push_back(s);
      }
      d = Le32(file_, at + sector_size_ - 4);
    }
    for (uint32_t s : fat_sectors) {
      if (!SectorInFile(s)) return false;
      for (uint64_t i = 0; i < sector_size_ / 4; ++i)
        fat_.push_back(Le32(file_, SectorOffset(s) + 4 * i));
    }
    for (uint32_t s : Chain(Le32(file_, 0x3C))) {
      if (!SectorInFile(s)) return false;
      for (uint64_t i = 0; i < sector_size_ / 4; ++i)
        minifat_.push_back(Le32(file_, SectorOffset(s) + 4 * i));
    }
    for (uint32_t s : Chain(Le32(file_, 0x30))) {
      if (!SectorInFile(s)) return false;
      for (uint64_t e = 0; e < sector_size_ / 128; ++e) {
        const uint64_t at = SectorOffset(s) + 128 * e;
        Entry entry;
        const uint16_t name_bytes = Le16(file_, at + 64);
        for (uint64_t i = 0; i + 2 < name_bytes && i < 62; i += 2)
          entry.name.push_back(static_cast<char>(Le16(file_, at + i)));
        entry.type = file_[at + 66];
        entry.start = Le32(file_, at + 116);
        entry.size = Le32(file_, at + 120);
        entries_.push_back(entry);
      }
    }
    if (entries_.empty()) return false;
    root_chain_ = Chain(entries_[0].start);
    return true;
  }

  const FileBytes& file_;
  uint64_t sector_size_ = 512;
  uint32_t mini_cutoff_ = 4096;
  std::vector<uint32_t> fat_, minifat_, root_chain_;
  std::vector<Entry> entries_;
};

// One record of a stream's record tree.
struct WalkedRecord {
  uint64_t at;  // offset in the stream
  uint16_t version_instance;
  uint16_t type;
  uint32_t length;
};

// Every record of the tree in [begin, end), containers (version 0xF) descended into.
inline void WalkRecords(const FileBytes& stream, uint64_t begin, uint64_t end,
                        std::vector<WalkedRecord>& out) {
  for (uint64_t at = begin; at + 8 <= end;) {
    const WalkedRecord r{at, Le16(stream, at), Le16(stream, at + 2), Le32(stream, at + 4)};
    out.push_back(r);
    const uint64_t body_end = std::min<uint64_t>(at + 8 + r.length, end);
    if ((r.version_instance & 0xF) == 0xF) WalkRecords(stream, at + 8, body_end, out);
    at = at + 8 + r.length;
  }
}

}  // namespace vlx::testing
