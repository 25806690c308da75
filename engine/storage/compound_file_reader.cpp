#include "engine/storage/compound_file_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/storage/compound_format.h"

namespace vlx {
namespace {

constexpr size_t kSectorShiftAt = 0x1E;
constexpr size_t kMiniSectorShiftAt = 0x20;
constexpr size_t kFatSectorsAt = 0x2C;
constexpr size_t kDirectoryStartAt = 0x30;
constexpr size_t kMiniCutoffAt = 0x38;
constexpr size_t kMiniFatStartAt = 0x3C;
constexpr size_t kDifatStartAt = 0x44;
constexpr size_t kHeaderDifatAt = 0x4C;
constexpr size_t kEntryNameLengthAt = 0x40;
constexpr size_t kEntryTypeAt = 0x42;
constexpr size_t kEntryStartAt = 0x74;
constexpr size_t kEntrySizeAt = 0x78;

class CompoundImage {
 public:
  explicit CompoundImage(std::span<const uint8_t> file) : file_(file) {}

  bool ReadHeader() {
    if (file_.size() < cfb::kHeaderSize ||
        std::memcmp(file_.data(), cfb::kSignature, sizeof cfb::kSignature) != 0)
      return false;
    const uint16_t shift = LoadU16(file_.data() + kSectorShiftAt);
    const uint16_t mini_shift = LoadU16(file_.data() + kMiniSectorShiftAt);
    if ((shift != 9 && shift != 12) || mini_shift != cfb::kMiniSectorShift) return false;
    sector_ = size_t{1} << shift;
    mini_cutoff_ = LoadU32(file_.data() + kMiniCutoffAt);
    return ReadFat();
  }

  // The sectors of the chain from `start`, in order; nullopt where it breaks or loops.
  std::optional<std::vector<uint32_t>> Chain(uint32_t start, const std::vector<uint32_t>& table,
                                             size_t sectors_in_file) const {
    std::vector<uint32_t> chain;
    for (uint32_t at = start; at != cfb::kEndOfChain; at = table[at]) {
      if (at >= table.size() || at >= sectors_in_file || chain.size() >= table.size())
        return std::nullopt;
      chain.push_back(at);
    }
    return chain;
  }

  // The bytes of the regular chain from `start`, cut to `size` (all of them without one).
  std::optional<std::vector<uint8_t>> ReadChain(uint32_t start,
                                                std::optional<uint64_t> wanted) const {
    const std::optional<std::vector<uint32_t>> chain = Chain(start, fat_, SectorsInFile());
    const uint64_t size = wanted.value_or(uint64_t{chain ? chain->size() : 0} * sector_);
    if (!chain || uint64_t{chain->size()} * sector_ < size) return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(size));
    for (uint32_t s : *chain) {
      if (bytes.size() >= size) break;
      const size_t take = std::min<size_t>(sector_, static_cast<size_t>(size) - bytes.size());
      const uint8_t* from = file_.data() + (size_t{s} + 1) * sector_;
      bytes.insert(bytes.end(), from, from + take);
    }
    return bytes;
  }

  std::optional<std::vector<uint8_t>> ReadStream(std::span<const uint8_t> entry,
                                                 std::span<const uint8_t> root) const {
    const uint32_t start = LoadU32(entry.data() + kEntryStartAt);
    const uint64_t size = EntrySize(entry);
    if (size > file_.size()) return std::nullopt;
    if (size >= mini_cutoff_) return ReadChain(start, size);
    // A short stream lies in the mini stream, which the root entry's chain holds.
    const std::optional<std::vector<uint8_t>> mini =
        ReadChain(LoadU32(root.data() + kEntryStartAt), EntrySize(root));
    const uint32_t mini_fat_start = LoadU32(file_.data() + kMiniFatStartAt);
    if (!mini) return std::nullopt;
    const std::optional<std::vector<uint8_t>> table_bytes = ReadChain(mini_fat_start, std::nullopt);
    if (!table_bytes) return std::nullopt;
    std::vector<uint32_t> mini_fat(table_bytes->size() / 4);
    for (size_t i = 0; i < mini_fat.size(); ++i) mini_fat[i] = LoadU32(table_bytes->data() + 4 * i);
    const auto chain = Chain(start, mini_fat, mini->size() / cfb::kMiniSectorSize);
    if (!chain || uint64_t{chain->size()} * cfb::kMiniSectorSize < size) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (uint32_t s : *chain) {
      if (bytes.size() >= size) break;
      const size_t take =
          std::min<size_t>(cfb::kMiniSectorSize, static_cast<size_t>(size) - bytes.size());
      const uint8_t* from = mini->data() + size_t{s} * cfb::kMiniSectorSize;
      bytes.insert(bytes.end(), from, from + take);
    }
    return bytes;
  }

  uint64_t EntrySize(std::span<const uint8_t> entry) const {
    // A 512-byte-sector file keeps only the low half of the size field.
    const uint64_t size = LoadU64(entry.data() + kEntrySizeAt);
    return sector_ == cfb::kSectorSize ? size & 0xFFFFFFFF : size;
  }

 private:
  size_t SectorsInFile() const { return file_.size() / sector_ - 1; }

  bool ReadFat() {
    std::vector<uint32_t> fat_sectors;
    const uint32_t count = LoadU32(file_.data() + kFatSectorsAt);
    for (size_t i = 0; i < cfb::kHeaderDifatEntries && fat_sectors.size() < count; ++i)
      fat_sectors.push_back(LoadU32(file_.data() + kHeaderDifatAt + 4 * i));
    const size_t per_difat = sector_ / 4 - 1;
    uint32_t difat = LoadU32(file_.data() + kDifatStartAt);
    for (size_t hops = 0; fat_sectors.size() < count && difat <= cfb::kMaxRegularSector; ++hops) {
      if (difat >= SectorsInFile() || hops > SectorsInFile()) return false;
      const uint8_t* page = file_.data() + (size_t{difat} + 1) * sector_;
      for (size_t i = 0; i < per_difat && fat_sectors.size() < count; ++i)
        fat_sectors.push_back(LoadU32(page + 4 * i));
      difat = LoadU32(page + 4 * per_difat);
    }
    for (uint32_t s : fat_sectors) {
      if (s >= SectorsInFile()) return false;
      const uint8_t* page = file_.data() + (size_t{s} + 1) * sector_;
      for (size_t i = 0; i < sector_ / 4; ++i) fat_.push_back(LoadU32(page + 4 * i));
    }
    return !fat_.empty();
  }

  std::span<const uint8_t> file_;
  size_t sector_ = cfb::kSectorSize;
  uint64_t mini_cutoff_ = cfb::kMiniStreamCutoff;
  std::vector<uint32_t> fat_;
};

bool NameIs(std::span<const uint8_t> entry, std::u16string_view name) {
  const uint16_t length = LoadU16(entry.data() + kEntryNameLengthAt);
  if (length != 2 * (name.size() + 1)) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (LoadU16(entry.data() + 2 * i) != name[i]) return false;
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> CompoundFileStream(std::span<const uint8_t> file,
                                                       std::u16string_view name) {
  CompoundImage image(file);
  if (name.empty() || name.size() > cfb::kMaxEntryNameUnits || !image.ReadHeader())
    return std::nullopt;
  // The directory's own chain has no size: every sector of it, to the chain's end.
  const std::optional<std::vector<uint8_t>> directory =
      image.ReadChain(LoadU32(file.data() + kDirectoryStartAt), std::nullopt);
  if (!directory || directory->size() < cfb::kDirectoryEntrySize) return std::nullopt;
  const std::span<const uint8_t> entries(*directory);
  const std::span<const uint8_t> root = entries.first(cfb::kDirectoryEntrySize);
  if (root[kEntryTypeAt] != static_cast<uint8_t>(cfb::ObjectType::kRoot)) return std::nullopt;
  for (size_t at = 0; entries.size() - at >= cfb::kDirectoryEntrySize;
       at += cfb::kDirectoryEntrySize) {
    const std::span<const uint8_t> entry = entries.subspan(at, cfb::kDirectoryEntrySize);
    if (entry[kEntryTypeAt] == static_cast<uint8_t>(cfb::ObjectType::kStream) &&
        NameIs(entry, name))
      return image.ReadStream(entry, root);
  }
  return std::nullopt;
}

}  // namespace vlx
