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

std::wstring DescriptionEnglish() {
  std::wstring text(
      L"This programm represent HTML editor, with highlightening syntax and visual editor.\r\n"
      L"This programm is freeware.\r\n"
      L"Version: 2.50\r\n"
      L"Official site: ");
  text.append(product::kHomePage)
      .append(L"\r\nE-mail for wishes and suggestions: ")
      .append(product::kContactEmail)
      .append(L"\r\n");
  return text;
}

std::wstring DescriptionRussian() {
  std::wstring text(
      L"Эта программа представляет из себя HTML редактор, с подсветкой синтаксиса и визуальным "
      L"редатором.\r\n"
      L"Данное ПО является бесплатным.\r\n"
      L"Версия продукта: 2.50\r\n"
      L"Официальный сайт: ");
  text.append(product::kHomePage)
      .append(L"\r\nE-mail для пожеланий или предложений: ")
      .append(product::kContactEmail)
      .append(L"\r\n");
  return text;
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
  std::wstring cause;
  const std::wstring_view words = ErrorWords(texts.language, error.kind);
  if (!words.empty()) {
    cause.append(L" (").append(words).append(L")");
  } else if (error.code != 0) {
    cause.append(L" (").append(texts.error).append(Decimal(error.code)).append(L")");
  }
  return cause;
}

void AppendItem(std::wstring& text, const NotCompletedTexts& texts, const InstallOutcome& outcome,
                const Shortfall& shortfall) {
  using Step = Shortfall::Step;
  switch (shortfall.step) {
    case Step::kFiles:
      text.append(Decimal(shortfall.failed))
          .append(texts.files_of)
          .append(Decimal(outcome.file_count))
          .append(texts.files);
      break;
    case Step::kLog:
      text.append(texts.log);
      break;
    case Step::kSettings:
      text.append(texts.settings);
      break;
    case Step::kRuntimeCopy:
      text.append(shortfall.name);
      break;
    case Step::kShortcut:
      text.append(texts.shortcut)
          .append(texts.open_quote)
          .append(shortfall.name)
          .append(texts.close_quote);
      break;
    case Step::kUserRecord:
      text.append(texts.user_record);
      break;
    case Step::kReadSetup:
    case Step::kFolder:
      break;
  }
}

// "Setup did not complete: " + what + cause + ".".
std::wstring Sentence(const NotCompletedTexts& texts, std::wstring_view what,
                      std::wstring_view cause = {}) {
  std::wstring text(texts.head);
  text.append(L": ").append(what).append(cause).append(L".");
  return text;
}

}  // namespace

std::wstring NotCompletedText(int language, const InstallOutcome& outcome) {
  using Step = Shortfall::Step;
  const NotCompletedTexts& texts = language == 0 ? kEnglish : kRussian;
  if (outcome.damaged) {  // its sentence ends with a full stop of its own
    std::wstring text(texts.head);
    text.append(L": ").append(texts.damaged);
    return text;
  }
  if (outcome.stopped) return Sentence(texts, texts.stopped);
  // Everything else follows from a folder that is not there, or a setup that cannot be read.
  for (const Shortfall& shortfall : outcome.shortfalls) {
    if (shortfall.step == Step::kFolder || shortfall.step == Step::kReadSetup) {
      return Sentence(texts, shortfall.step == Step::kFolder ? texts.folder : texts.unreadable,
                      Cause(texts, shortfall.error));
    }
  }
  if (outcome.file_count == 0) return Sentence(texts, texts.no_files);

  // "Not done: 2 of 30 files, the settings file (disk full); ...": the items grouped by
  // cause, in the order of each cause's first item.
  std::vector<std::pair<std::wstring, std::wstring>> groups;  // cause, items
  for (const Shortfall& shortfall : outcome.shortfalls) {
    std::wstring cause = Cause(texts, shortfall.error);
    std::wstring* items = nullptr;
    for (auto& [group_cause, group_items] : groups) {
      if (group_cause == cause) items = &group_items;
    }
    if (items == nullptr) {
      items = &groups.emplace_back(std::move(cause), std::wstring()).second;
    } else {
      items->append(L", ");
    }
    AppendItem(*items, texts, outcome, shortfall);
  }
  std::wstring text(texts.head);
  text.append(L". ").append(texts.not_done).append(L": ");
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (i != 0) text.append(L"; ");
    text.append(groups[i].second).append(groups[i].first);
  }
  text.append(L".");
  return text;
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
