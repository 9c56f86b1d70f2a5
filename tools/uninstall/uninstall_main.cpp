// The uninstaller, Uninstall.exe in the install folder: asks, removes what the install log lists
// that is the product's (engine/uninstall_plan.h), says what it did, and has a copy of itself
// remove its own file once it has ended (finisher.h). It has no window of its own: message boxes.

#include <windows.h>

#include <string>
#include <vector>

#include "engine/install_records.h"
#include "engine/uninstall_plan.h"
#include "engine/uninstall_text.h"
#include "finisher.h"
#include "platform/runtime.h"
#include "platform/win32/dll_search_win.h"
#include "platform/win32/file_system_win.h"
#include "platform/win32/runtime_win.h"
#include "platform/win32/shell_win.h"

namespace {

enum ExitCode : int {
  kRemoved = 0,         // everything of the product the log lists is gone
  kNotAllRemoved = 1,   // some of it stays; the message says what and why
  kNothingRemoved = 2,  // the install log cannot be read, or is that of another folder
  kCancelled = 3,       // the user answered No
  kStopped = 4,         // an unexpected failure (out of memory)
};

// A form of `path` that GetLongPathNameW or GetShortPathNameW gives; empty when none.
template <typename Convert>
std::wstring OtherForm(const std::wstring& path, Convert convert) {
  std::wstring form(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = convert(path.c_str(), form.data(), static_cast<DWORD>(form.size()));
    if (length == 0) return {};
    if (length < form.size()) {
      form.resize(length);
      return form;
    }
    form.resize(length);  // too small: the size needed, with the null
  }
  return {};
}

std::optional<std::wstring> SpecialFolder(tgw::win32::Win32Shell& shell, std::wstring_view name) {
  auto folder = shell.SpecialFolder(name);
  if (!folder) return std::nullopt;
  return std::move(*folder);
}

// Where the uninstaller and the user's folders lie.
tgw::UninstallPlaces Places(const std::wstring& program) {
  tgw::UninstallPlaces places;
  places.program_files.push_back(program);
  for (std::wstring form :
       {OtherForm(program, GetLongPathNameW), OtherForm(program, GetShortPathNameW)}) {
    if (!form.empty()) places.program_files.push_back(std::move(form));
  }
  tgw::win32::Win32Shell shell;
  places.desktop = SpecialFolder(shell, L"Desktop");
  places.programs = SpecialFolder(shell, L"Programs");
  tgw::Win32Runtime runtime;
  if (std::wstring appdata = runtime.Environment(L"appdata"); !appdata.empty()) {
    places.appdata = std::move(appdata);
  }
  return places;
}

// The system folder becomes the current one: the install folder cannot be removed while it is.
void LeaveTheInstallFolder() {
  wchar_t system[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (length != 0 && length <= MAX_PATH) SetCurrentDirectoryW(system);
}

int Uninstall() {
  const auto path = tgw::ExecutablePath();
  if (!path) return kNothingRemoved;
  const std::wstring& program = *path;
  std::wstring folder = tgw::FolderOf(program);
  if (!folder.ends_with(L'\\')) folder += L'\\';

  tgw::Win32FileSystem files;
  const int language = tgw::UninstallLanguage(tgw::ReadLanguageSetting(files, folder));
  const std::wstring title(tgw::UninstallTitle(language));
  if (MessageBoxW(nullptr, std::wstring(tgw::UninstallQuestion(language)).c_str(), title.c_str(),
                  MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
    return kCancelled;
  }

  LeaveTheInstallFolder();
  const tgw::UninstallPlan plan = tgw::PlanUninstall(files, Places(program));
  const tgw::UninstallOutcome outcome = tgw::RunUninstall(files, plan);
  const bool removed = plan.log == tgw::LogState::kRead && outcome.Completed();
  MessageBoxW(nullptr, tgw::UninstallResultText(language, plan, outcome, program).c_str(),
              title.c_str(),
              (removed ? MB_ICONINFORMATION : MB_ICONWARNING) | MB_OK | MB_SETFOREGROUND);
  if (plan.log != tgw::LogState::kRead) return kNothingRemoved;
  if (!removed) return kNotAllRemoved;
  // Without the finisher, the uninstaller's file and the install folder stay; the product's files
  // are gone all the same.
  (void)tgw::uninstall::StartFinisher(program);
  return kRemoved;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  // First of all: no DLL from the folder the uninstaller (or its copy in the temp folder) lies in.
  if (!tgw::win32::LoadDllsFromTheSystemFolderOnly()) return kStopped;

  try {
    if (const auto uninstaller = tgw::uninstall::FinisherArgument(GetCommandLineW())) {
      return tgw::uninstall::Finish(*uninstaller);
    }
    return Uninstall();
  } catch (...) {
    MessageBoxW(nullptr,
                L"The uninstaller stopped because of an unexpected error (not enough "
                L"memory?).",
                L"Tagwright", MB_OK | MB_ICONERROR);
    return kStopped;
  }
}
