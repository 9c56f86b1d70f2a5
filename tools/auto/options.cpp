#include "options.h"

#include <string_view>
#include <utility>

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

// The options given so far that Options cannot tell from their defaults.
struct Given {
  bool timeout = false;
  bool shots = false;
  bool uninstall = false;
};

// Takes the value of --language, --folder, --timeout, --shots or --uninstall; why not, when not.
std::optional<std::wstring> TakeValue(const std::wstring& name, const std::wstring& value,
                                      Options& options, Given& given) {
  const std::wstring twice = name + L" is given twice";
  if (name == L"--language") {
    if (options.language) return twice;
    const std::wstring language = ascii::Lowered(value);
    if (language == L"english") {
      options.language = Language::kEnglish;
    } else if (language == L"russian") {
      options.language = Language::kRussian;
    } else {
      return L"--language is english or russian, not " + value;
    }
  } else if (name == L"--folder") {
    if (options.folder) return twice;
    options.folder = value;
  } else if (name == L"--timeout") {
    if (std::exchange(given.timeout, true)) return twice;
    const std::optional<unsigned> seconds = Seconds(value);
    if (!seconds) {
      return L"--timeout is a whole number of seconds from 1 to " +
             std::to_wstring(kLongestTimeoutSeconds) + L", not " + value;
    }
    options.timeout_seconds = *seconds;
  } else if (name == L"--shots") {
    if (std::exchange(given.shots, true)) return twice;
    options.shots = value;
  } else {  // --uninstall
    if (std::exchange(given.uninstall, true)) return twice;
    options.uninstall_folder = value;
  }
  return std::nullopt;
}

// The options once every argument is read: what to run, or why nothing.
ParsedOptions Completed(Options options, const std::vector<std::wstring>& programs,
                        const Given& given) {
  if (given.uninstall) {
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

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::wstring>& arguments) {
  Options options;
  std::vector<std::wstring> programs;
  Given given;
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
    std::optional<std::wstring> value;
    if (equals != std::wstring::npos) value = argument.substr(equals + 1);

    if (name == L"--desktop-icon" || name == L"--no-desktop-icon") {
      if (value) return Refused(name + L" takes no value");
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
    if (!value && i + 1 < arguments.size() && !arguments[i + 1].starts_with(L"--")) {
      value = arguments[++i];
    }
    if (!value || value->empty()) return Refused(name + L" needs a value");
    if (auto refused = TakeValue(name, *value, options, given)) return Refused(*std::move(refused));
  }
  return Completed(std::move(options), programs, given);
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
