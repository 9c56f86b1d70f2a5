#include "engine/markers.h"

#include <cstring>

namespace tgw {

std::size_t FindMarker(std::string_view bytes, std::u16string_view marker, std::size_t from) {
  const std::size_t m = marker.size();
  if (m == 0 || bytes.size() < m) return std::string_view::npos;
  const char first = static_cast<char>(marker[0]);
  const char* const data = bytes.data();
  const std::size_t last_start = bytes.size() - m;
  while (from <= last_start) {
    const void* hit = std::memchr(data + from, first, last_start - from + 1);
    if (hit == nullptr) break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    std::size_t i = 1;
    while (i < m && static_cast<unsigned char>(data[at + i]) == marker[i]) ++i;
    if (i == m) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

}  // namespace tgw
