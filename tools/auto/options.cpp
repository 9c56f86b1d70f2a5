#include "options.h"

#include <string_view>

#include "engine/ascii.h"

namespace tgw::automation {

namespace {

std::optional<unsigned> Seconds(std::wstring_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  unsigned seconds = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    seconds = seconds * 10 + static_cast<unsigned>(c - L'0');
  }
  if (seconds == 0 || seconds > kLongestTimeoutSeconds) return std::nullopt;
  return seconds;
}

ParsedOptions Refused(std::wstring error) { return {std::nullopt, std::move(error)}; }

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::wstring>& arguments) {
  Options options;
  std::vector<std::wstring> programs;
  bool uninstall = false;
  bool timeout_given = false;
  bool shots_given = false;
  // Asking for help is answered whatever else the command line holds.
  for (const std::wstring& argument : arguments) {
    if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      options.mode = Mode::kHelp;
      return {options, L""};
    }
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (!argument.starts_with(L"-")) {
      programs.push_back(argument);
      continue;
    }
    // --name VALUE or --name=VALUE
    const std::size_t equals = argument.find(L'=');
    const std::wstring name = argument.substr(0, equals);
    std::optional<std::wstring> inline_value;
    if (equals != std::wstring::npos) inline_value = argument.substr(equals + 1);
    const auto value = [&]() -> std::optional<std::wstring> {
      if (inline_value) return inline_value;
      if (i + 1 < arguments.size() && !arguments[i + 1].starts_with(L"--")) {
        return arguments[++i];
      }
      return std::nullopt;
    };
    const std::wstring twice = name + L" is given twice";

    if (name == L"--desktop-icon" || name == L"--no-desktop-icon") {
      if (inline_value) return Refused(name + L" takes no value");
      if (options.desktop_icon) {
        return Refused(L"--desktop-icon and --no-desktop-icon: only one, once");
      }
      options.desktop_icon = name == L"--desktop-icon";
      continue;
    }
    if (name != L"--language" && name != L"--folder" && name != L"--timeout" &&
        name != L"--shots" && name != L"--uninstall") {
      return Refused(L"unknown option " + name);
    }
    const std::optional<std::wstring> given = value();
    if (!given || given->empty()) return Refused(name + L" needs a value");
    if (name == L"--language") {
      if (options.language) return Refused(twice);
      const std::wstring language = ascii::Lowered(*given);
      if (language == L"english") {
        options.language = Language::kEnglish;
      } else if (language == L"russian") {
        options.language = Language::kRussian;
      } else {
        return Refused(L"--language is english or russian, not " + *given);
      }
    } else if (name == L"--folder") {
      if (options.folder) return Refused(twice);
      options.folder = *given;
    } else if (name == L"--timeout") {
      if (timeout_given) return Refused(twice);
      const std::optional<unsigned> seconds = Seconds(*given);
      if (!seconds) {
        return Refused(L"--timeout is a whole number of seconds from 1 to " +
                       std::to_wstring(kLongestTimeoutSeconds) + L", not " + *given);
      }
      options.timeout_seconds = *seconds;
      timeout_given = true;
    } else if (name == L"--shots") {
      if (shots_given) return Refused(twice);
      options.shots = *given;
      shots_given = true;
    } else {  // --uninstall
      if (uninstall) return Refused(twice);
      options.uninstall_folder = *given;
      uninstall = true;
    }
  }

  if (uninstall) {
    if (!programs.empty()) return Refused(L"--uninstall takes no setup program");
    if (options.language || options.folder || options.desktop_icon) {
      return Refused(L"--uninstall takes only --timeout and --shots");
    }
    options.mode = Mode::kUninstall;
    return {options, L""};
  }
  if (programs.empty()) return Refused(L"no setup program given");
  if (programs.size() > 1) return Refused(L"more than one setup program: " + programs[1]);
  options.setup = programs.front();
  return {options, L""};
}

std::wstring SynopsisText() {
  return LR"(Usage:
  tgwauto SETUP [--language english|russian] [--folder FOLDER]
                [--desktop-icon | --no-desktop-icon] [--timeout SECONDS] [--shots DIR]
  tgwauto --uninstall FOLDER [--timeout SECONDS] [--shots DIR]
  tgwauto --help
)";
}

std::wstring UsageText() {
  return SynopsisText() +
         LR"(
Installs Tagwright without a user: starts SETUP (setup.exe, with the runtime files beside it),
walks its wizard page by page as a user would, runs the install, reads the completion page and
presses Finish.

  --language english|russian
        the interface language chosen on the first page, which the product is set up in
        (default: English)
  --folder FOLDER
        the install folder. Its last part must be Tagwright and the folder above it must exist:
        that one is chosen with "..." and the setup installs into Tagwright inside it. So
        --folder D:\Apps\Tagwright installs into D:\Apps\Tagwright\ (D:\Apps must exist), and
        --folder C:\Tagwright into C:\Tagwright\. A relative FOLDER is taken from the current
        folder. Default: the folder the setup proposes (that of the last install, else
        c:\program files\Tagwright\).
  --desktop-icon, --no-desktop-icon
        whether the install makes the desktop icon (default: it does)
  --timeout SECONDS
        the longest the whole run may take (default 600)
  --shots DIR
        saves a PNG picture of every page in DIR (made when missing), and of the folder
        picker, the exit question or any other dialog when one shows
  --uninstall FOLDER
        runs FOLDER\Uninstall.exe, answers Yes to its question and OK to its final message,
        and waits until it and the copy of itself that deletes its file have ended

Exit codes:
  0  the completion page says "Setup has been successfully completed!" (or the same in
     Russian); with --uninstall: the uninstaller ended with 0, everything removed
  1  the setup ran but did not complete: the completion page's text is on standard error;
     with --uninstall: the uninstaller ended with another code, its final message on standard
     error
  2  nothing could be driven to its end: bad options, the setup or uninstaller did not start
     or showed no window, a dialog no step expects, the time was up. The reason is on standard
     error; a setup still running is ended (Exit, then Yes).
)";
}

}  // namespace tgw::automation
