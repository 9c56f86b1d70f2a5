#include "program_process.h"

#include "scenario.h"
#include "screenshot.h"
#include "tagwright_ids.h"
#include "test_support.h"

namespace tgw::e2e {

namespace {

std::wstring RequiredProgram(const wchar_t* variable) {
  std::wstring path = ::tgw::testing::ProgramPathFromEnvironment(variable);
  if (path.empty()) throw DriverError(std::wstring(variable) + L" is not set");
  return path;
}

}  // namespace

std::wstring BuiltUninstaller() { return RequiredProgram(L"TGW_E2E_UNINSTALL"); }
std::wstring BuiltTagwright() { return RequiredProgram(L"TGW_E2E_TAGWRIGHT"); }

ProgramProcess::ProgramProcess(const std::wstring& program, const std::wstring& appdata,
                               const std::wstring& current_folder) {
  // The program takes this process's environment, with APPDATA set for it meanwhile.
  std::wstring own_appdata(32768, L'\0');
  own_appdata.resize(GetEnvironmentVariableW(L"APPDATA", own_appdata.data(), 32768));
  SetEnvironmentVariableW(L"APPDATA", appdata.c_str());
  std::wstring command_line = L"\"" + program + L"\"";
  std::wstring desktop = TestDesktop();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
  PROCESS_INFORMATION started{};
  const BOOL ok = CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, current_folder.c_str(), &startup, &started);
  const DWORD error = GetLastError();
  SetEnvironmentVariableW(L"APPDATA", own_appdata.c_str());
  if (!ok)
    throw DriverError(L"cannot start " + program + L" (error " + std::to_wstring(error) + L")");
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  process_id_ = started.dwProcessId;
}

ProgramProcess::~ProgramProcess() {
  if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
}

HWND ProgramProcess::WaitForWindow(std::wstring_view title, std::wstring_view class_name,
                                   DWORD timeout_ms) const {
  HWND found = nullptr;
  const auto shown = [&] {
    for (const HWND window : TopLevelWindows(process_id_, class_name)) {
      if (WindowText(window) == title) found = window;
    }
    return found != nullptr;
  };
  if (!WaitUntil(shown, timeout_ms, 20)) {
    throw DriverError(L"no window \"" + std::wstring(title) + L"\" appeared");
  }
  return found;
}

std::uint32_t ProgramProcess::WaitForExit(DWORD timeout_ms) const {
  if (WaitForSingleObject(process_.get(), timeout_ms) != WAIT_OBJECT_0) {
    throw DriverError(L"the program did not end");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

TagwrightTexts ShowTagwright(const std::wstring& program, const std::wstring& working_folder,
                             const std::wstring& appdata, const std::wstring& screenshot) {
  constexpr wchar_t kTitle[] = L"Tagwright 2.50";
  const ProgramProcess tagwright(program, appdata, working_folder);
  const HWND window = tagwright.WaitForWindow(kTitle);
  TagwrightTexts texts;
  texts.title = WindowText(window);
  for (const auto& [id, text] :
       {std::pair{IDC_PRODUCT, &texts.product}, std::pair{IDC_LANGUAGE, &texts.language}}) {
    const HWND control = FindDescendant(window, id);
    if (control == nullptr)
      throw DriverError(L"Tagwright.exe has no control " + std::to_wstring(id));
    *text = WindowText(control);
  }
  if (!screenshot.empty()) SaveStableScreenshot({window}, screenshot);
  Post(window, WM_CLOSE);
  texts.exit_code = tagwright.WaitForExit();
  return texts;
}

namespace {

bool IsReparsePoint(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The path of the host's file system (Linux) that Wine shows as `path`; empty when none.
std::wstring HostPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* const name = unix_name == nullptr ? nullptr : unix_name(path.c_str());
  if (name == nullptr) return {};
  const std::string bytes(name);
  HeapFree(GetProcessHeap(), 0, name);
  return std::wstring(bytes.begin(), bytes.end());
}

// Runs a command line (Wine runs a program of the host as well) and waits for its end.
bool RunCommand(std::wstring command_line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  WaitForSingleObject(started.hProcess, 10000);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  // Wine's CreateSymbolicLinkW makes nothing; a program of the host does.
  const bool started =
      UnderWine()
          ? RunCommand(L"Z:\\bin\\ln -s \"" + HostPath(target) + L"\" \"" + HostPath(link) + L"\"")
          : RunCommand(L"cmd.exe /c mklink /J \"" + link + L"\" \"" + target + L"\"");
  return started && WaitUntil([&] { return IsReparsePoint(link); }, 5000);
}

void RemoveFolderLink(const std::wstring& link) {
  // Under Wine neither RemoveDirectoryW nor DeleteFileW removes a symbolic link of the host.
  if (UnderWine()) {
    RunCommand(L"Z:\\bin\\rm -f \"" + HostPath(link) + L"\"");
  } else {
    RemoveDirectoryW(link.c_str());  // the junction, not what it points at
  }
  WaitUntil([&] { return !IsReparsePoint(link); }, 5000);
}

}  // namespace tgw::e2e
