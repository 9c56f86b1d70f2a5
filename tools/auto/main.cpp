// tgwauto: installs (and uninstalls) Tagwright without a user, driving the setup's wizard as a
// user would. See UsageText() in options.cpp for the command line and the exit codes.

#include <objbase.h>
#include <windows.h>

#include <string>
#include <vector>

#include "console.h"
#include "driver.h"
#include "files.h"
#include "install.h"
#include "options.h"
#include "uninstall.h"

namespace {

using namespace tgw::automation;

constexpr int kDone = 0;
constexpr int kNotComplete = 1;
constexpr int kNotDriven = 2;

void Note(const std::vector<std::wstring>& notes) {
  for (const std::wstring& note : notes) WriteError(L"tgwauto: note: " + note + L"\n");
}

std::wstring FullPictureFolder(const std::wstring& folder) {
  if (folder.empty()) return {};
  std::wstring full = FullPath(folder);
  if (full.empty()) throw DriverError(L"--shots: not a folder's path: " + folder);
  return full;
}

int Install(const Options& options) {
  const Deadline deadline(options.timeout_seconds * 1000);
  InstallRequest request;
  request.language = options.language;
  if (options.folder) request.folder = ChooseInstallFolder(*options.folder);
  request.desktop_icon = options.desktop_icon;
  request.pictures = FullPictureFolder(options.shots);
  const std::wstring program = FullPath(options.setup);
  if (program.empty() || !FileExists(program)) throw DriverError(L"no file " + options.setup);

  SetupOptions setup_options;
  setup_options.program = program;
  setup_options.window_timeout_ms = deadline.Left();
  const SetupProcess setup(setup_options);
  const InstallOutcome outcome = DriveInstall(setup, request, deadline);
  Note(outcome.notes);
  if (!outcome.completed) {
    WriteError(outcome.completion_text + L"\n");
    return kNotComplete;
  }
  WriteOut(outcome.completion_text + L"\nInstalled into " + outcome.install_folder + L"\n");
  return kDone;
}

int Uninstall(const Options& options) {
  const Deadline deadline(options.timeout_seconds * 1000);
  const std::wstring pictures = FullPictureFolder(options.shots);
  const Process uninstaller = StartUninstaller(options.uninstall_folder);
  const UninstallOutcome outcome = DriveUninstall(uninstaller, Answer::kYes, pictures, deadline);
  Note(outcome.notes);
  if (outcome.exit_code != 0) {
    WriteError((outcome.final_message.empty() ? L"the uninstaller showed no final message"
                                              : outcome.final_message) +
               L"\n(the uninstaller's exit code: " + std::to_wstring(outcome.exit_code) + L")\n");
    return kNotComplete;
  }
  if (!outcome.final_message.empty()) WriteOut(outcome.final_message + L"\n");
  return kDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // First of all: every DLL loaded from now on comes from the system folder, never from the
  // folder tgwauto.exe lies in (a deployment share, where anyone may have left a DLL named like a
  // system one). The DLLs other than KERNEL32 and msvcrt are delay-loaded (see CMakeLists.txt).
  if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return kNotDriven;

  const ParsedOptions parsed = ParseOptions(std::vector<std::wstring>(argv + 1, argv + argc));
  if (!parsed.options) {
    WriteError(L"tgwauto: " + parsed.error + L"\n" + SynopsisText() +
               L"tgwauto --help tells more.\n");
    return kNotDriven;
  }
  const Options& options = *parsed.options;
  if (options.mode == Mode::kHelp) {
    WriteOut(UsageText());
    return kDone;
  }
  // The shell's calls (the folder names the picker shows) want COM.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  int result = kNotDriven;
  try {
    result = options.mode == Mode::kUninstall ? Uninstall(options) : Install(options);
  } catch (const DriverError& error) {
    WriteError(L"tgwauto: " + error.message() + L"\n");
  } catch (const std::exception& error) {
    WriteError(L"tgwauto: " + FromUtf8(error.what()) + L"\n");
  }
  if (com) CoUninitialize();
  return result;
}
