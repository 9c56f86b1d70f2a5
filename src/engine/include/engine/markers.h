#pragma once

#include <cstddef>
#include <string_view>

namespace tgw {

// The container's marker texts. The program keeps them as 16-bit characters only,
// so that the plain single-byte markers occur nowhere in its own image but in the
// container appended to it; byte data is compared against them character by character.
inline constexpr std::u16string_view kStartMarker = u"s/Parcelon/p";
inline constexpr std::u16string_view kFileMarker = u"p/NewFile/p";
inline constexpr char kNameSeparator = '/';

// The first occurrence of `marker` in `bytes` at or after `from`; npos when none.
std::size_t FindMarker(std::string_view bytes, std::u16string_view marker, std::size_t from = 0);

// Whether `bytes` holds `marker` anywhere.
inline bool HoldsMarker(std::string_view bytes, std::u16string_view marker) {
  return FindMarker(bytes, marker) != std::string_view::npos;
}

}  // namespace tgw
