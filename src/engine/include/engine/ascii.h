#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Letter case of the ASCII letters only, as Windows' names and keywords use it; other
// characters are left as they are.
namespace tgw::ascii {

constexpr wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `text` with its ASCII letters in lower case.
inline std::wstring Lowered(std::wstring_view text) {
  std::wstring lowered(text);
  for (wchar_t& c : lowered) c = Lower(c);
  return lowered;
}
inline std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = Lower(c);
  return lowered;
}

// Whether `a` and `b` are the same text in any case of the ASCII letters.
constexpr bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

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
