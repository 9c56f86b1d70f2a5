#pragma once

// tgwauto's command line.

#include <optional>
#include <string>
#include <vector>

namespace tgw::automation {

enum class Language { kEnglish, kRussian };

enum class Mode { kInstall, kUninstall, kHelp };

struct Options {
  Mode mode = Mode::kInstall;
  std::wstring setup;             // kInstall: the setup program
  std::wstring uninstall_folder;  // kUninstall: the install folder holding Uninstall.exe
  std::optional<Language> language;
  std::optional<std::wstring> folder;  // the install folder, ending in \Tagwright
  std::optional<bool> desktop_icon;
  unsigned timeout_seconds = 600;
  std::wstring shots;  // the folder for pictures of every page; empty: none
};

inline constexpr unsigned kLongestTimeoutSeconds = 24 * 60 * 60;

// The options of `arguments` (the command line's arguments after the program's name), or the
// reason they are not understood.
struct ParsedOptions {
  std::optional<Options> options;
  std::wstring error;
};
ParsedOptions ParseOptions(const std::vector<std::wstring>& arguments);

// The command lines, which a refused one is answered with.
std::wstring SynopsisText();
// What `tgwauto --help` prints: the command lines, the options and the exit codes.
std::wstring UsageText();

}  // namespace tgw::automation
