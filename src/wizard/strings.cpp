#include "wizard/strings.h"

#include "engine/decimal.h"
#include "engine/product.h"

namespace tgw {

std::vector<std::wstring> SplitTable(std::wstring_view table) {
  std::vector<std::wstring> lines;
  for (auto end = table.find(L"\r\n"); end != std::wstring_view::npos; end = table.find(L"\r\n")) {
    lines.emplace_back(table.substr(0, end));
    table.remove_prefix(end + 2);
  }
  return lines;
}

namespace {

std::wstring Description(std::initializer_list<std::wstring_view> lines) {
  std::wstring text;
  for (const std::wstring_view line : lines) text.append(line).append(L"\r\n");
  return text;
}

}  // namespace

std::wstring DescriptionEnglish() {
  return Description({
      L"This programm represent HTML editor, with highlightening syntax and visual editor.",
      L"This programm is freeware.",
      L"Version: 2.50",
      std::wstring(L"Official site: ").append(product::kHomePage),
      std::wstring(L"E-mail for wishes and suggestions: ").append(product::kContactEmail),
  });
}

std::wstring DescriptionRussian() {
  return Description({
      L"Эта программа представляет из себя HTML редактор, с подсветкой синтаксиса и визуальным "
      L"редатором.",
      L"Данное ПО является бесплатным.",
      L"Версия продукта: 2.50",
      std::wstring(L"Официальный сайт: ").append(product::kHomePage),
      std::wstring(L"E-mail для пожеланий или предложений: ").append(product::kContactEmail),
  });
}

std::wstring NotCompletedText(int language, bool folder_missing, std::size_t file_count,
                              std::size_t files_failed) {
  const bool english = language == 0;
  std::wstring text = english ? L"Setup did not complete: " : L"Установка не завершена: ";
  if (folder_missing) {
    text += english ? L"the install folder could not be created."
                    : L"не удалось создать папку установки.";
  } else if (file_count == 0) {
    text +=
        english ? L"this setup holds no files to install." : L"в программе установки нет файлов.";
  } else {
    text += Decimal(files_failed);
    text += english ? L" of " : L" из ";
    text += Decimal(file_count);
    text += english ? L" files were not installed." : L" файлов не установлено.";
  }
  return text;
}

}  // namespace tgw
