#include "engine/uninstall_text.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/ascii.h"
#include "engine/decimal.h"
#include "engine/error_words.h"

namespace tgw {

namespace {

// Items a list shows before "and N more"; characters of a line shown.
constexpr std::size_t kShownItems = 8;
constexpr std::size_t kShownLength = 160;

struct Texts {
  std::wstring_view title;
  std::wstring_view question;
  std::wstring_view removed;
  // Followed by the log's path, no_log_mid, the cause when there is one, and no_log_end.
  std::wstring_view no_log;
  std::wstring_view no_log_mid;
  std::wstring_view no_log_end;
  std::wstring_view other_folder;  // head, other_folder_mid, folder, other_folder_end
  std::wstring_view other_folder_mid;
  std::wstring_view other_folder_end;
  std::wstring_view not_removed;  // followed by the failures, grouped by cause
  std::wstring_view run_again;    // followed by the program's path and run_again_end
  std::wstring_view run_again_end;
  std::wstring_view skipped;  // followed by the skipped lines, grouped by reason
  std::wstring_view not_a_path, outside, folder, through_link;
  std::wstring_view more;  // "and N more": more + N + more_end
  std::wstring_view more_end;
  std::wstring_view error;  // followed by the code, for a cause without words
  std::wstring_view open_quote, close_quote;
};

constexpr Texts kEnglish{
    L"Uninstall Tagwright",
    L"Remove Tagwright and all of its components?",
    L"Tagwright has been removed from your computer.",
    L"The install log ",
    L" cannot be read",
    L", so nothing was removed.",
    L"The install log is that of another folder (",
    L") than the one the uninstaller lies in (",
    L"), so nothing was removed.",
    L"Tagwright was not removed completely. Not removed: ",
    L" Close any program that uses them, then run ",
    L" again to finish.",
    L"Lines of the install log left alone: ",
    L"not a plain path",
    L"outside the folders of Tagwright",
    L"a folder",
    L"behind a junction or symbolic link",
    L"and ",
    L" more",
    L"error ",
    L"\"",
    L"\"",
};

constexpr Texts kRussian{
    L"Удаление Tagwright",
    L"Удалить Tagwright и все его компоненты?",
    L"Tagwright удалён с компьютера.",
    L"Не удалось прочитать журнал установки ",
    L"",
    L", поэтому ничего не удалено.",
    L"Журнал установки относится к другой папке (",
    L"), а не к папке программы удаления (",
    L"), поэтому ничего не удалено.",
    L"Tagwright удалён не полностью. Не удалено: ",
    L" Закройте программы, которые их используют, и снова запустите ",
    L", чтобы завершить удаление.",
    L"Оставлены без изменений строки журнала установки: ",
    L"недопустимый путь",
    L"вне папок Tagwright",
    L"папка",
    L"за соединением или символической ссылкой",
    L"и ещё ",
    L"",
    L"ошибка ",
    L"«",
    L"»",
};

const Texts& TextsOf(int language) { return language == 0 ? kEnglish : kRussian; }

// A path or line as the message shows it: quoted, control characters as "?", cut when long.
std::wstring Shown(const Texts& texts, std::wstring_view text) {
  std::wstring shown(texts.open_quote);
  for (const wchar_t c : text.substr(0, kShownLength)) shown += c < 0x20 ? L'?' : c;
  if (text.size() > kShownLength) shown += L"...";
  return shown.append(texts.close_quote);
}

std::wstring Cause(const Texts& texts, int language, const Error& error) {
  const std::wstring_view words = ErrorWords(language, error.kind);
  if (!words.empty()) return std::wstring(words);
  return std::wstring(texts.error) + Decimal(error.code);
}

std::wstring_view Reason(const Texts& texts, LineVerdict verdict) {
  switch (verdict) {
    case LineVerdict::kNotAPath:
      return texts.not_a_path;
    case LineVerdict::kOutside:
      return texts.outside;
    case LineVerdict::kFolder:
      return texts.folder;
    default:
      return texts.through_link;
  }
}

// "a, b (reason 1); c (reason 2)", each group in the order of its first item, at most
// kShownItems items in all, then "and N more".
std::wstring Grouped(const Texts& texts,
                     const std::vector<std::pair<std::wstring, std::wstring>>& items) {
  std::vector<std::pair<std::wstring, std::wstring>> groups;  // reason, items
  for (std::size_t i = 0; i < std::min(items.size(), kShownItems); ++i) {
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const auto& g) { return g.first == items[i].second; });
    if (group == groups.end()) {
      group = groups.insert(groups.end(), {items[i].second, {}});
    } else {
      group->second += L", ";
    }
    group->second += items[i].first;
  }
  std::wstring text;
  for (const auto& [reason, shown] : groups) {
    if (!text.empty()) text += L"; ";
    text += shown + L" (" + reason + L")";
  }
  if (items.size() > kShownItems) {
    text += L"; " + std::wstring(texts.more) + Decimal(items.size() - kShownItems) +
            std::wstring(texts.more_end);
  }
  return text + L".";
}

}  // namespace

int UninstallLanguage(const std::optional<std::wstring>& setting) {
  return setting && ascii::EqualsIgnoringCase(*setting, L"russian") ? 1 : 0;
}

std::wstring_view UninstallTitle(int language) { return TextsOf(language).title; }

std::wstring_view UninstallQuestion(int language) { return TextsOf(language).question; }

std::wstring UninstallResultText(int language, const UninstallPlan& plan,
                                 const UninstallOutcome& outcome, std::wstring_view program) {
  const Texts& texts = TextsOf(language);
  switch (plan.log) {
    case LogState::kMissing:
      return std::wstring(texts.no_log) + Shown(texts, plan.folder + L"install.log") +
             std::wstring(texts.no_log_mid) +
             (plan.log_error ? L" (" + Cause(texts, language, *plan.log_error) + L")" : L"") +
             std::wstring(texts.no_log_end);
    case LogState::kOtherFolder:
      return std::wstring(texts.other_folder) + Shown(texts, plan.head) +
             std::wstring(texts.other_folder_mid) + Shown(texts, plan.folder) +
             std::wstring(texts.other_folder_end);
    case LogState::kRead:
      break;
  }
  std::wstring text;
  if (outcome.Completed()) {
    text = texts.removed;
  } else {
    std::vector<std::pair<std::wstring, std::wstring>> failed;
    for (const auto& failure : outcome.failed) {
      failed.emplace_back(Shown(texts, failure.path), Cause(texts, language, failure.error));
    }
    text = std::wstring(texts.not_removed) + Grouped(texts, failed) +
           std::wstring(texts.run_again) + Shown(texts, program) +
           std::wstring(texts.run_again_end);
  }
  if (!outcome.skipped.empty()) {
    std::vector<std::pair<std::wstring, std::wstring>> skipped;
    for (const LogLine& line : outcome.skipped) {
      skipped.emplace_back(Shown(texts, line.text), std::wstring(Reason(texts, line.verdict)));
    }
    text += L"\r\n\r\n" + std::wstring(texts.skipped) + Grouped(texts, skipped);
  }
  return text;
}

}  // namespace tgw
