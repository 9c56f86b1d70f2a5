#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/install_run.h"

namespace tgw {

// The interface string tables, 15 lines each ending in CR LF. The window keeps them
// as the texts of its hidden boxes English and Russian.
inline constexpr std::wstring_view kEnglishTable =
    L"Select language\r\n"
    L"Setup\r\n"
    L"Stage\r\n"
    L"of\r\n"
    L"Next\r\n"
    L"Back\r\n"
    L"Exit\r\n"
    L"Are you sure you want to exit?\r\n"
    L"Please, select directory to install\r\n"
    L"Installation\r\n"
    L"Progress\r\n"
    L"Setup has been successfully completed!\r\n"
    L"Welcome to Tagwright instalation\r\n"
    L"Now we available to start instalation. Click Next to start.\r\n"
    L"Create desktop icon\r\n";

inline constexpr std::wstring_view kRussianTable =
    L"Выберите язык\r\n"
    L"Установка\r\n"
    L"Этап\r\n"
    L"из\r\n"
    L"Далее\r\n"
    L"Назад\r\n"
    L"Выход\r\n"
    L"Вы действительно хотите выйти?\r\n"
    L"Выберите директорию для установки\r\n"
    L"Установка\r\n"
    L"Прогресс\r\n"
    L"Установка была успешно завершена!\r\n"
    L"Вас приветствует установка Tagwright\r\n"
    L"Все готово для начала установки. Нажмите Далее для продолжения.\r\n"
    L"Создать иконку на рабочем столе\r\n";

// What each line of a table is for.
enum Line : std::size_t {
  kSelectLanguage = 0,
  kSetup = 1,
  kStage = 2,
  kOf = 3,
  kNext = 4,
  kBack = 5,
  kExit = 6,
  kExitQuestion = 7,
  kSelectDirectory = 8,
  kInstallation = 9,
  kProgress = 10,
  kCompleted = 11,
  kWelcome = 12,
  kReady = 13,
  kDesktopIcon = 14,
  kLineCount = 15,
};

// A table text split at every CR LF; the piece after the last CR LF is dropped.
std::vector<std::wstring> SplitTable(std::wstring_view table);

// The product descriptions, five lines each ending in CR LF.
std::wstring DescriptionEnglish();
std::wstring DescriptionRussian();

// The completion page's text when setup did not complete, in the language of `language`
// (0 English, 1 Russian): what did not complete and, for the common causes, why.
std::wstring NotCompletedText(int language, const InstallOutcome& outcome);

// Why the folder picker gave no folder to take: the chosen folder's name cannot be recorded
// (kNoMapping), or the failure's cause.
std::wstring RefusedFolderText(int language, const Error& error);

}  // namespace tgw
