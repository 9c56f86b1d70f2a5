// A stand-in for the product's uninstaller, for tgwauto's tests: it behaves as the uninstaller is
// to behave towards its user, so that tgwauto --uninstall can be driven against it.
//
//   Uninstall.exe                 asks "Remove Tagwright and all of its components?" (Yes/No). No:
//                                 exit code 3. Yes: copies itself into the temp folder, starts the
//                                 copy with --remove, and ends at once (exit code 0).
//   copy --remove FOLDER PROCESS  waits for PROCESS (the first one) to end, removes every file
//                                 and folder below FOLDER and FOLDER itself, and the shortcuts
//                                 that FOLDER\install.log names; then says "Tagwright has been
//                                 removed." (exit code 0) or lists what stayed (exit code 1), in
//                                 a message box with OK alone.

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kTitle[] = L"Uninstall Tagwright";

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// Removes `folder`'s contents and the folder; what stayed is added to `stayed`.
void RemoveTree(const std::wstring& folder, std::vector<std::wstring>& stayed) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path, stayed);
      } else if (!DeleteFileW(path.c_str())) {
        stayed.push_back(path);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (!RemoveDirectoryW(folder.c_str()) && stayed.empty()) stayed.push_back(folder);
}

// The shortcut files (.lnk) that the install log names, and the folders that hold them.
void RemoveShortcuts(const std::wstring& folder) {
  const HANDLE file = CreateFileW((folder + L"\\install.log").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    const std::string line = bytes.substr(start, end - start);
    if (!line.ends_with(".lnk")) continue;
    DeleteFileA(line.c_str());
    RemoveDirectoryA(line.substr(0, line.rfind('\\')).c_str());  // the group, once empty
  }
}

int Ask() {
  if (MessageBoxW(nullptr, L"Remove Tagwright and all of its components?", kTitle,
                  MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return 3;
  }
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring copy =
      std::wstring(temp) + L"tgw-uninstall-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  const std::wstring self = OwnPath();
  if (!CopyFileW(self.c_str(), copy.c_str(), FALSE)) return 4;
  const std::wstring folder = self.substr(0, self.rfind(L'\\'));
  std::wstring command_line =
      L"\"" + copy + L"\" --remove \"" + folder + L"\" " + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp,
                      &startup, &started)) {
    return 5;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return 0;
}

int Remove(const std::wstring& folder, DWORD first) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, first);
  if (process != nullptr) {
    WaitForSingleObject(process, 30000);
    CloseHandle(process);
  }
  RemoveShortcuts(folder);
  std::vector<std::wstring> stayed;
  RemoveTree(folder, stayed);
  if (stayed.empty()) {
    MessageBoxW(nullptr, L"Tagwright has been removed.", kTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  std::wstring message = L"Some files could not be removed:";
  for (const std::wstring& path : stayed) message += L"\r\n" + path;
  MessageBoxW(nullptr, message.c_str(), kTitle, MB_OK | MB_ICONWARNING);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"--remove") {
    return Remove(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  }
  return Ask();
}
