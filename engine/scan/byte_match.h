#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vlx {

// Number of consecutive positions one MatchAny16 call classifies.
inline constexpr size_t kMatchWidth = 16;

// Bit j of the result is set when bytes[j] is one of values, for j = 0 … 15. Reads
// exactly 16 bytes. The scans use it to pass over positions that cannot hold a
// wanted header sixteen at a time; every set bit is then tested exactly.
inline uint32_t MatchAny16(const uint8_t* bytes, std::initializer_list<uint8_t> values) {
#if defined(__SSE2__)
  const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  __m128i hits = _mm_setzero_si128();
  for (uint8_t v : values)
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(data, _mm_set1_epi8(static_cast<char>(v))));
  return static_cast<uint32_t>(_mm_movemask_epi8(hits));
#else
  uint32_t mask = 0;
  for (size_t j = 0; j < kMatchWidth; ++j)
    for (uint8_t v : values)
      if (bytes[j] == v) mask |= uint32_t{1} << j;
  return mask;
#endif
}

// Bit j of the result is set when bytes[j] is a multiple of 32, for j = 0 … 15.
inline uint32_t MatchMultiplesOf32(const uint8_t* bytes) {
#if defined(__SSE2__)
  const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i low_bits = _mm_and_si128(data, _mm_set1_epi8(0x1F));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low_bits, _mm_setzero_si128())));
#else
  uint32_t mask = 0;
  for (size_t j = 0; j < kMatchWidth; ++j)
    if ((bytes[j] & 0x1F) == 0) mask |= uint32_t{1} << j;
  return mask;
#endif
}

// Bit j of the result is set when bytes[j] is a multiple of 16, for j = 0 … 15.
inline uint32_t MatchMultiplesOf16(const uint8_t* bytes) {
#if defined(__SSE2__)
  const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i low_bits = _mm_and_si128(data, _mm_set1_epi8(0x0F));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low_bits, _mm_setzero_si128())));
#else
  uint32_t mask = 0;
  for (size_t j = 0; j < kMatchWidth; ++j)
    if ((bytes[j] & 0x0F) == 0) mask |= uint32_t{1} << j;
  return mask;
#endif
}

}  // namespace vlx
