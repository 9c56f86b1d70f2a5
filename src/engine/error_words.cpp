#include "engine/error_words.h"

#include <cstddef>

namespace tgw {

namespace {

// By ErrorKind.
constexpr std::wstring_view kEnglish[] = {
    L"access denied",
    L"disk full",
    L"file in use",
    L"path not found",
    L"already exists",
    L"invalid name",
    L"not in the system's code page",
    L"not enough memory",
    L"",
};
constexpr std::wstring_view kRussian[] = {
    L"отказано в доступе",
    L"диск заполнен",
    L"файл занят",
    L"путь не найден",
    L"уже существует",
    L"недопустимое имя",
    L"нет в кодовой странице системы",
    L"недостаточно памяти",
    L"",
};
static_assert(std::size(kEnglish) == static_cast<std::size_t>(ErrorKind::kOther) + 1);
static_assert(std::size(kRussian) == std::size(kEnglish));

}  // namespace

std::wstring_view ErrorWords(int language, ErrorKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= std::size(kEnglish)) return {};
  return language == 0 ? kEnglish[index] : kRussian[index];
}

}  // namespace tgw
