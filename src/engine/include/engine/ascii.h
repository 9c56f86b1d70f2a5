#pragma once

#include <cstddef>
#include <string_view>

// Letter case of the ASCII letters only, as Windows' names and keywords use it; other
// characters are left as they are.
namespace tgw::ascii {

constexpr wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// Whether `text` is `lower` (written in lower case) in any case of the ASCII letters.
constexpr bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

constexpr bool StartsIgnoringCase(std::wstring_view text, std::wstring_view lower) {
  return text.size() >= lower.size() && EqualsIgnoringCase(text.substr(0, lower.size()), lower);
}

}  // namespace tgw::ascii
