#include "engine/salvage/compound_marks.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/format/byte_order.h"

namespace vlx::salvage {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// "Root Entry" in UTF-16LE with its terminating zero unit.
constexpr uint8_t kRootName[22] = {'R', 0,   'o', 0,   'o', 0,   't', 0,   ' ', 0, 'E',
                                   0,   'n', 0,   't', 0,   'r', 0,   'y', 0,   0, 0};
constexpr size_t kChunk = size_t{1} << 20;

bool IsRootEntry(const uint8_t* entry) {
  return LoadU16(entry + 0x40) == sizeof kRootName && entry[0x42] == 5;
}

bool IsAt(const uint8_t* data, size_t size, size_t at, const uint8_t* pattern,
          size_t pattern_size) {
  return size - at >= pattern_size && std::memcmp(data + at, pattern, pattern_size) == 0;
}

// The places in data[at, end) where a pair of bytes begins that starts the signature or
// the root entry's name, appended to hits: one look at each byte for both, many bytes at
// a time. Returns where the look stopped (the rest is too short for a whole step).
#if defined(__x86_64__)
__attribute__((target("avx2"))) size_t OpeningsBy32(const uint8_t* data, size_t size, size_t end,
                                                    size_t at, std::vector<size_t>& hits) {
  const __m256i sig0 = _mm256_set1_epi8(static_cast<char>(kSignature[0]));
  const __m256i sig1 = _mm256_set1_epi8(static_cast<char>(kSignature[1]));
  const __m256i root0 = _mm256_set1_epi8(static_cast<char>(kRootName[0]));
  const __m256i zero = _mm256_setzero_si256();
  for (; at + 33 <= size && at + 32 <= end; at += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 1));
    const __m256i found = _mm256_or_si256(
        _mm256_and_si256(_mm256_cmpeq_epi8(here, sig0), _mm256_cmpeq_epi8(next, sig1)),
        _mm256_and_si256(_mm256_cmpeq_epi8(here, root0), _mm256_cmpeq_epi8(next, zero)));
    for (auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(found)); mask != 0;
         mask &= mask - 1)
      hits.push_back(at + static_cast<size_t>(__builtin_ctz(mask)));
  }
  return at;
}
#endif

#if defined(__SSE2__)
size_t OpeningsBy16(const uint8_t* data, size_t size, size_t end, size_t at,
                    std::vector<size_t>& hits) {
  const __m128i sig0 = _mm_set1_epi8(static_cast<char>(kSignature[0]));
  const __m128i sig1 = _mm_set1_epi8(static_cast<char>(kSignature[1]));
  const __m128i root0 = _mm_set1_epi8(static_cast<char>(kRootName[0]));
  const __m128i zero = _mm_setzero_si128();
  for (; at + 17 <= size && at + 16 <= end; at += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1));
    const __m128i found =
        _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(here, sig0), _mm_cmpeq_epi8(next, sig1)),
                     _mm_and_si128(_mm_cmpeq_epi8(here, root0), _mm_cmpeq_epi8(next, zero)));
    for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(found)); mask != 0; mask &= mask - 1)
      hits.push_back(at + static_cast<size_t>(__builtin_ctz(mask)));
  }
  return at;
}
#endif

bool HasAvx2() {
#if defined(__x86_64__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

// Every place in data[0, size) before scan_end where the signature or the root entry's
// name may begin, in file order.
void FindOpenings(const uint8_t* data, size_t size, size_t scan_end, std::vector<size_t>& hits) {
  const size_t end = std::min(scan_end, size);
  size_t at = 0;
#if defined(__x86_64__)
  if (HasAvx2()) at = OpeningsBy32(data, size, end, at, hits);
#endif
#if defined(__SSE2__)
  at = OpeningsBy16(data, size, end, at, hits);
#endif
  for (; at < end; ++at)
    if ((data[at] == kSignature[0] && at + 1 < size && data[at + 1] == kSignature[1]) ||
        (data[at] == kRootName[0] && at + 1 < size && data[at + 1] == kRootName[1]))
      hits.push_back(at);
}

void Keep(std::vector<uint64_t>& list, uint64_t offset) {
  if (list.size() < kMaxMarksOfEachKind && (list.empty() || list.back() != offset))
    list.push_back(offset);
}

}  // namespace

void FindCompoundMarksIn(const uint8_t* data, uint64_t start, size_t scan, size_t got,
                         CompoundMarks& marks) {
  std::vector<size_t> openings;
  FindOpenings(data, got, scan, openings);
  for (const size_t at : openings) {
    if (IsAt(data, got, at, kSignature, sizeof kSignature)) {
      Keep(marks.signatures, start + at);
    } else if (IsAt(data, got, at, kRootName, sizeof kRootName) && got - at >= kMarkReach &&
               IsRootEntry(data + at)) {
      Keep(marks.root_entries, start + at);
    }
  }
}

CompoundMarks FindCompoundMarks(DamagedFile& file) {
  CompoundMarks marks;
  const uint64_t length = file.GetLength();
  for (uint64_t start = 0; start < length; start += kChunk) {
    // Viewed in place: matches that begin in the overlap are found again by the next chunk.
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + kMarkReach, &got);
    if (data == nullptr) break;
    FindCompoundMarksIn(data, start, kChunk, got, marks);
  }
  return marks;
}

}  // namespace vlx::salvage
