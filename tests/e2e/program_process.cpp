#include "program_process.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <cwctype>
#include <vector>

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

bool IsAppdata(std::wstring_view entry) {
  constexpr std::wstring_view kName = L"APPDATA=";
  if (entry.size() < kName.size()) return false;
  for (std::size_t i = 0; i < kName.size(); ++i) {
    if (std::towupper(entry[i]) != kName[i]) return false;
  }
  return true;
}

// This process's environment with APPDATA set to `appdata`.
std::wstring EnvironmentWith(const std::wstring& appdata) {
  std::wstring block;
  wchar_t* const current = GetEnvironmentStringsW();
  for (const wchar_t* entry = current; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    if (!IsAppdata(entry)) block.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(current);
  block.append(L"APPDATA=" + appdata).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

std::wstring BuiltUninstaller() { return RequiredProgram(L"TGW_E2E_UNINSTALL"); }
std::wstring BuiltTagwright() { return RequiredProgram(L"TGW_E2E_TAGWRIGHT"); }

ProgramProcess::ProgramProcess(const std::wstring& program, const std::wstring& appdata,
                               const std::wstring& current_folder) {
  std::wstring environment = EnvironmentWith(appdata);
  std::wstring command_line = L"\"" + program + L"\"";
  std::wstring desktop = TestDesktop();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(), current_folder.c_str(),
                      &startup, &started)) {
    throw DriverError(L"cannot start " + program + L" (error " + std::to_wstring(GetLastError()) +
                      L")");
  }
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  process_id_ = started.dwProcessId;
}

ProgramProcess::~ProgramProcess() {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
}

Dialog ProgramProcess::WaitForDialog(std::wstring_view title, DWORD timeout_ms) const {
  HWND found = nullptr;
  const auto shown = [&] {
    for (const HWND dialog : TopLevelWindows(process_id_, L"#32770")) {
      if (WindowText(dialog) == title) {
        found = dialog;
        return true;
      }
    }
    return false;
  };
  if (!WaitUntil(shown, timeout_ms, 20)) {
    throw DriverError(L"no message box \"" + std::wstring(title) + L"\" appeared" +
                      (Running() ? L"" : L": the program ended"));
  }
  return Dialog(found);
}

HWND ProgramProcess::WaitForWindow(std::wstring_view title, DWORD timeout_ms) const {
  HWND found = nullptr;
  const auto shown = [&] {
    for (const HWND window : TopLevelWindows(process_id_)) {
      if (WindowText(window) == title) {
        found = window;
        return true;
      }
    }
    return false;
  };
  if (!WaitUntil(shown, timeout_ms, 20)) {
    throw DriverError(L"no window \"" + std::wstring(title) + L"\" appeared" +
                      (Running() ? L"" : L": the program ended"));
  }
  return found;
}

bool ProgramProcess::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
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

ShortcutTarget ReadShortcut(const std::wstring& lnk) {
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ShortcutTarget target;
  {
    win32::ComPtr<IShellLinkW> link;
    win32::ComPtr<IPersistFile> file;
    std::wstring text(MAX_PATH, L'\0');
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(link.put()))) &&
        SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(file.put()))) &&
        SUCCEEDED(file->Load(lnk.c_str(), STGM_READ))) {
      if (SUCCEEDED(link->GetPath(text.data(), MAX_PATH, nullptr, SLGP_RAWPATH))) {
        target.path = text.c_str();
      }
      if (SUCCEEDED(link->GetWorkingDirectory(text.data(), MAX_PATH))) {
        target.working_folder = text.c_str();
      }
    }
  }
  if (SUCCEEDED(initialised)) CoUninitialize();
  if (target.path.empty()) throw DriverError(L"cannot read the shortcut " + lnk);
  return target;
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
