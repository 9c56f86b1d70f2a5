#include "wizard/strings.h"

#include <algorithm>

#include "engine/decimal.h"
#include "engine/error_words.h"
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

namespace {

// The texts of one language for the completion page.
struct NotCompletedTexts {
  std::wstring_view head;        // followed by ": " and one sentence, or by a list
  std::wstring_view damaged;     // the setup file failed its integrity check
  std::wstring_view stopped;     // an unexpected failure
  std::wstring_view folder;      // the install folder could not be made
  std::wstring_view unreadable;  // the setup could not read itself
  std::wstring_view no_files;
  std::wstring_view not_done;  // followed by the items, grouped by cause
  std::wstring_view files_of;  // "N" + this + "M" + files
  std::wstring_view files;
  std::wstring_view log;
  std::wstring_view settings;
  std::wstring_view shortcut;  // followed by the shortcut's name in quotes
  std::wstring_view open_quote, close_quote;
  std::wstring_view user_record;
  int language;             // of the causes' words (ErrorWords)
  std::wstring_view error;  // followed by the code, for a cause without words
};

constexpr NotCompletedTexts kEnglish{
    L"Setup did not complete",
    L"the setup file is damaged, and nothing was installed. Please obtain the setup again.",
    L"an unexpected error stopped it",
    L"the install folder could not be created",
    L"the setup file could not be read",
    L"this setup holds no files to install",
    L"Not done",
    L" of ",
    L" files",
    L"the install log",
    L"the settings file",
    L"the shortcut ",
    L"\"",
    L"\"",
    L"the record of the install folder",
    0,
    L"error ",
};

constexpr NotCompletedTexts kRussian{
    L"Установка не завершена",
    L"файл программы установки повреждён, ничего не установлено. Загрузите программу установки "
    L"заново.",
    L"её прервала непредвиденная ошибка",
    L"не удалось создать папку установки",
    L"не удалось прочитать файл программы установки",
    L"в программе установки нет файлов",
    L"Не выполнено",
    L" из ",
    L" файлов",
    L"журнал установки",
    L"файл настроек",
    L"ярлык ",
    L"«",
    L"»",
    L"запись о папке установки",
    1,
    L"ошибка ",
};

// " (disk full)"; " (error 1234)" for a cause without words; nothing without a code either.
std::wstring Cause(const NotCompletedTexts& texts, const Error& error) {
  const std::wstring_view words = ErrorWords(texts.language, error.kind);
  if (!words.empty()) return std::wstring(L" (").append(words).append(L")");
  if (error.code == 0) return {};
  return std::wstring(L" (").append(texts.error).append(Decimal(error.code)).append(L")");
}

std::wstring Item(const NotCompletedTexts& texts, const InstallOutcome& outcome,
                  const Shortfall& shortfall) {
  using Step = Shortfall::Step;
  switch (shortfall.step) {
    case Step::kFiles:
      return Decimal(shortfall.failed) + std::wstring(texts.files_of) +
             Decimal(outcome.file_count) + std::wstring(texts.files);
    case Step::kLog:
      return std::wstring(texts.log);
    case Step::kSettings:
      return std::wstring(texts.settings);
    case Step::kRuntimeCopy:
      return shortfall.name;
    case Step::kShortcut:
      return std::wstring(texts.shortcut) + std::wstring(texts.open_quote) + shortfall.name +
             std::wstring(texts.close_quote);
    case Step::kUserRecord:
      return std::wstring(texts.user_record);
    case Step::kReadSetup:
    case Step::kFolder:
      break;
  }
  return {};
}

std::wstring Sentence(const NotCompletedTexts& texts, std::wstring_view what) {
  return std::wstring(texts.head).append(L": ").append(what);
}

}  // namespace

std::wstring NotCompletedText(int language, const InstallOutcome& outcome) {
  using Step = Shortfall::Step;
  const NotCompletedTexts& texts = language == 0 ? kEnglish : kRussian;
  if (outcome.damaged) return Sentence(texts, texts.damaged);
  if (outcome.stopped) return Sentence(texts, texts.stopped) + L".";
  // Everything else follows from a folder that is not there, or a setup that cannot be read.
  for (const Shortfall& shortfall : outcome.shortfalls) {
    if (shortfall.step == Step::kFolder || shortfall.step == Step::kReadSetup) {
      return Sentence(texts, shortfall.step == Step::kFolder ? texts.folder : texts.unreadable) +
             Cause(texts, shortfall.error) + L".";
    }
  }
  if (outcome.file_count == 0) return Sentence(texts, texts.no_files) + L".";

  // "Not done: 2 of 30 files, the settings file (disk full); ...": the items grouped by
  // cause, in the order of each cause's first item.
  std::vector<std::pair<std::wstring, std::wstring>> groups;  // cause, items
  for (const Shortfall& shortfall : outcome.shortfalls) {
    std::wstring cause = Cause(texts, shortfall.error);
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&cause](const auto& g) { return g.first == cause; });
    if (group == groups.end()) {
      group = groups.insert(groups.end(), {std::move(cause), {}});
    } else {
      group->second += L", ";
    }
    group->second += Item(texts, outcome, shortfall);
  }
  std::wstring text = std::wstring(texts.head) + L". " + std::wstring(texts.not_done) + L": ";
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (i != 0) text += L"; ";
    text += groups[i].second + groups[i].first;
  }
  return text + L".";
}

std::wstring RefusedFolderText(int language, const Error& error) {
  if (error.kind == ErrorKind::kNoMapping) {
    return language == 0
               ? L"The name of this folder cannot be stored in the system's code page, and its "
                 L"drive keeps no short names for it. Please choose another folder."
               : L"Имя этой папки нельзя сохранить в кодовой странице системы, а её диск не "
                 L"хранит для неё коротких имён. Выберите другую папку.";
  }
  const NotCompletedTexts& texts = language == 0 ? kEnglish : kRussian;
  return (language == 0 ? L"This folder cannot be used" : L"Эту папку нельзя использовать") +
         Cause(texts, error) +
         (language == 0 ? L". Please choose another folder." : L". Выберите другую папку.");
}

}  // namespace tgw
