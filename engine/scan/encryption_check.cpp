#include "engine/scan/encryption_check.h"

#include <string.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kChunk = size_t{1} << 20;

// UTF-16LE "EncryptedSummary", as a directory entry names the stream.
constexpr std::string_view kSummaryName =
    std::string_view("E\0n\0c\0r\0y\0p\0t\0e\0d\0S\0u\0m\0m\0a\0r\0y\0", 32);

// memmem skips through the bytes many at a time: the check reads every byte of what
// may be a disk image of hundreds of MiB before the run's work begins.
const uint8_t* Find(const uint8_t* from, const uint8_t* end, const uint8_t* pattern,
                    size_t length) {
  if (from >= end) return end;
  const void* hit = ::memmem(from, static_cast<size_t>(end - from), pattern, length);
  return hit == nullptr ? end : static_cast<const uint8_t*>(hit);
}

bool Contains(const uint8_t* data, size_t size, const uint8_t* pattern, size_t length) {
  return Find(data, data + size, pattern, length) != data + size;
}

// The container header followed by a plausible length and the version of the
// encryption information it holds (major 2, 3 or 4, minor 2): random bytes that merely
// look like the header are not taken for it.
bool HasEncryptionContainer(const uint8_t* data, size_t size) {
  std::array<uint8_t, 4> header{};
  StoreU16(header.data(), kContainerMark);
  StoreU16(header.data() + 2, kTypeCryptSession10Container);
  const uint8_t* const end = data + size;
  for (const uint8_t* at = data; (at = Find(at, end, header.data(), header.size())) != end; ++at) {
    if (static_cast<size_t>(end - at) < 12) return false;
    const uint32_t length = LoadU32(at + 4);
    const uint16_t major = LoadU16(at + 8);
    const uint16_t minor = LoadU16(at + 10);
    if (length >= 16 && length <= 65536 && major >= 2 && major <= 4 && minor == 2) return true;
  }
  return false;
}

}  // namespace

bool LooksEncrypted(DamagedFile& file) {
  const auto* name = reinterpret_cast<const uint8_t*>(kSummaryName.data());
  const size_t overlap = kSummaryName.size();
  for (uint64_t at = 0; at < file.GetLength(); at += kChunk) {
    size_t available = 0;
    const uint8_t* data = file.View(at, kChunk + overlap, &available);
    if (data == nullptr) break;
    if (HasEncryptionContainer(data, available) ||
        Contains(data, available, name, kSummaryName.size()))
      return true;
  }
  return false;
}

}  // namespace vlx
