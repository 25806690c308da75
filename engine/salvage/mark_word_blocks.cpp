#include "engine/salvage/mark_word_blocks.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

#include "engine/format/byte_order.h"

namespace vlx::salvage {
namespace {

constexpr uint16_t kSignatureAtEven = 0xCFD0;  // D0 CF
constexpr uint16_t kSignatureAtOdd = 0x11CF;   // CF 11
constexpr uint16_t kRootAtEven = 0x0052;       // 'R' 0
constexpr uint16_t kRootAtOdd = 0x6F00;        // 0 'o'

size_t NextByWord(const uint8_t* data, size_t block, size_t blocks) {
  for (; block < blocks; ++block) {
    const uint8_t* b = data + block * kMarkWordBlock;
    for (size_t i = 0; i < kMarkWordBlock; i += 2) {
      const uint16_t w = LoadU16(b + i);
      if (w == kSignatureAtEven || w == kSignatureAtOdd || w == kRootAtEven || w == kRootAtOdd)
        return block;
    }
  }
  return blocks;
}

#if defined(__SSE2__)
size_t NextBy16(const uint8_t* data, size_t block, size_t blocks) {
  const __m128i sig_even = _mm_set1_epi16(static_cast<short>(kSignatureAtEven));
  const __m128i sig_odd = _mm_set1_epi16(static_cast<short>(kSignatureAtOdd));
  const __m128i root_even = _mm_set1_epi16(static_cast<short>(kRootAtEven));
  const __m128i root_odd = _mm_set1_epi16(static_cast<short>(kRootAtOdd));
  for (; block < blocks; ++block) {
    const uint8_t* b = data + block * kMarkWordBlock;
    __m128i found = _mm_setzero_si128();
    for (size_t i = 0; i < kMarkWordBlock; i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
      const __m128i sig = _mm_or_si128(_mm_cmpeq_epi16(x, sig_even), _mm_cmpeq_epi16(x, sig_odd));
      const __m128i root =
          _mm_or_si128(_mm_cmpeq_epi16(x, root_even), _mm_cmpeq_epi16(x, root_odd));
      found = _mm_or_si128(found, _mm_or_si128(sig, root));
    }
    if (_mm_movemask_epi8(found) != 0) return block;
  }
  return blocks;
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) size_t NextBy32(const uint8_t* data, size_t block, size_t blocks) {
  const __m256i sig_even = _mm256_set1_epi16(static_cast<short>(kSignatureAtEven));
  const __m256i sig_odd = _mm256_set1_epi16(static_cast<short>(kSignatureAtOdd));
  const __m256i root_even = _mm256_set1_epi16(static_cast<short>(kRootAtEven));
  const __m256i root_odd = _mm256_set1_epi16(static_cast<short>(kRootAtOdd));
  for (; block < blocks; ++block) {
    const uint8_t* b = data + block * kMarkWordBlock;
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32));
    const __m256i in_x = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi16(x, sig_even), _mm256_cmpeq_epi16(x, sig_odd)),
        _mm256_or_si256(_mm256_cmpeq_epi16(x, root_even), _mm256_cmpeq_epi16(x, root_odd)));
    const __m256i in_y = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi16(y, sig_even), _mm256_cmpeq_epi16(y, sig_odd)),
        _mm256_or_si256(_mm256_cmpeq_epi16(y, root_even), _mm256_cmpeq_epi16(y, root_odd)));
    const __m256i found = _mm256_or_si256(in_x, in_y);
    if (!_mm256_testz_si256(found, found)) return block;
  }
  return blocks;
}
#endif

using NextFunction = size_t (*)(const uint8_t*, size_t, size_t);

NextFunction FunctionOf(MarkWordLook look) {
  switch (look) {
    case MarkWordLook::kByWord:
      return NextByWord;
    case MarkWordLook::kBy16Bytes:
#if defined(__SSE2__)
      return NextBy16;
#else
      return nullptr;
#endif
    case MarkWordLook::kBy32Bytes:
#if defined(__x86_64__)
      if (__builtin_cpu_supports("avx2")) return NextBy32;
#endif
      return nullptr;
  }
  return nullptr;
}

NextFunction Widest() {
  for (MarkWordLook look : {MarkWordLook::kBy32Bytes, MarkWordLook::kBy16Bytes})
    if (NextFunction f = FunctionOf(look)) return f;
  return NextByWord;
}

}  // namespace

size_t NextMarkWordBlock(const uint8_t* data, size_t block, size_t blocks) {
  static const NextFunction next = Widest();
  return next(data, block, blocks);
}

bool MarkWordLookAvailable(MarkWordLook look) {
  return FunctionOf(look) != nullptr;
}

size_t NextMarkWordBlockBy(MarkWordLook look, const uint8_t* data, size_t block, size_t blocks) {
  const NextFunction next = FunctionOf(look);
  return next != nullptr ? next(data, block, blocks) : NextByWord(data, block, blocks);
}

}  // namespace vlx::salvage
