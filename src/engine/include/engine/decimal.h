#pragma once

#include <cstddef>
#include <string>

namespace tgw {

// A whole number's decimal digits. (The setup stays clear of the printf family,
// which std::to_wstring would bring into the program image.)
inline std::wstring Decimal(std::size_t number) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

}  // namespace tgw
