#include "engine/markers.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tgw {

namespace {

// Whether `marker` stands at `data`, which has room for it.
bool MarkerAt(const char* data, std::u16string_view marker) {
  for (std::size_t i = 0; i < marker.size(); ++i) {
    if (static_cast<unsigned char>(data[i]) != marker[i]) return false;
  }
  return true;
}

}  // namespace

std::size_t FindMarker(std::string_view bytes, std::u16string_view marker, std::size_t from) {
  const std::size_t m = marker.size();
  if (m == 0 || bytes.size() < m || from > bytes.size() - m) return std::string_view::npos;
  const char* const data = bytes.data();
  const std::size_t last_start = bytes.size() - m;
  const char first = static_cast<char>(marker[0]);
#if defined(__SSE2__)
  // Sixteen places at a time: those where both the marker's first and its last byte stand (two
  // compares over the bytes, one mask); only those are compared in full. Random bytes give such
  // a place once in 65,536, text about once in a thousand.
  if (m >= 2) {
    const __m128i firsts = _mm_set1_epi8(first);
    const __m128i lasts = _mm_set1_epi8(static_cast<char>(marker[m - 1]));
    for (; from <= last_start && last_start - from >= 15; from += 16) {
      const auto* at = reinterpret_cast<const __m128i*>(data + from);
      const auto* end = reinterpret_cast<const __m128i*>(data + from + m - 1);
      const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(at), firsts),
                                         _mm_cmpeq_epi8(_mm_loadu_si128(end), lasts));
      for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(both)); mask != 0;
           mask &= mask - 1) {
        const std::size_t candidate = from + static_cast<std::size_t>(std::countr_zero(mask));
        if (MarkerAt(data + candidate, marker)) return candidate;
      }
    }
  }
#endif
  // The rest, and processors without SSE2: memchr for the first byte, then the others.
  while (from <= last_start) {
    const void* hit = std::memchr(data + from, first, last_start - from + 1);
    if (hit == nullptr) break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (MarkerAt(data + at, marker)) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

}  // namespace tgw
