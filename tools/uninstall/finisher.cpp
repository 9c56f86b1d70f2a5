#include "finisher.h"

#include <cstdint>

#include "engine/decimal.h"
#include "platform/runtime.h"
#include "platform/win32/handles.h"
#include "platform/win32/runtime_win.h"

namespace tgw::uninstall {

namespace {

using win32::UniqueFile;
using win32::UniqueHandle;

constexpr std::wstring_view kSwitch = L"/finish ";
constexpr DWORD kWaitForUninstallerMs = 60000;
// Deleting a program's file can fail for a moment after the program ended, while the system
// still closes its image.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePauseMs = 100;

std::wstring_view TrimmedBlanks(std::wstring_view text) {
  const std::size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The temp folder, with its final backslash; empty when the system gives none.
std::wstring TempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  return folder;
}

// The file of the process `process` runs; empty when the system does not say.
std::wstring ImageName(HANDLE process) {
  std::wstring name(32768, L'\0');
  DWORD size = static_cast<DWORD>(name.size());
  if (!QueryFullProcessImageNameW(process, 0, name.data(), &size)) return {};
  name.resize(size);
  return name;
}

std::wstring Joined(std::wstring folder, std::wstring_view name) {
  if (!folder.ends_with(L'\\')) folder += L'\\';
  return folder.append(name);
}

// A copy of `program` under a new name in `folder`; empty when none could be made.
std::wstring CopyOf(const std::wstring& program, const std::wstring& folder) {
  for (std::size_t attempt = 0; attempt < 100; ++attempt) {
    std::wstring copy =
        folder + L"~tgwun" + Decimal(GetCurrentProcessId()) + L"-" + Decimal(attempt) + L".exe";
    if (CopyFileW(program.c_str(), copy.c_str(), TRUE)) return copy;  // never over another file
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

}  // namespace

bool StartFinisher(const std::wstring& program) {
  const std::wstring temp = TempFolder();
  if (temp.empty()) return false;
  const std::wstring copy = CopyOf(program, temp);
  if (copy.empty()) return false;

  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  // The copy's image may be opened for reading while this handle is open, never written; the
  // system deletes the copy when the last handle of this open, the finisher's, is closed.
  const UniqueFile doomed(CreateFileW(copy.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      &inherited, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                                      nullptr));
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
    if (!doomed) DeleteFileW(copy.c_str());
    return false;
  }
  const UniqueHandle own_process(self);
  std::wstring command_line = L"\"" + copy + L"\" " + std::wstring(kSwitch) +
                              Decimal(reinterpret_cast<std::uintptr_t>(self));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // Started in the temp folder: a process's current folder cannot be removed.
  if (!CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      temp.c_str(), &startup, &started)) {
    if (!doomed) DeleteFileW(copy.c_str());
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

std::optional<HANDLE> FinisherArgument(std::wstring_view command_line) {
  // The program's name comes first: quoted, or up to the first blank.
  std::wstring_view rest = command_line;
  if (rest.starts_with(L'"')) {
    const std::size_t end = rest.find(L'"', 1);
    if (end == std::wstring_view::npos) return std::nullopt;
    rest.remove_prefix(end + 1);
  } else {
    const std::size_t end = rest.find_first_of(L" \t");
    rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end);
  }
  rest = TrimmedBlanks(rest);
  if (!rest.starts_with(kSwitch)) return std::nullopt;
  const std::wstring_view digits = TrimmedBlanks(rest.substr(kSwitch.size()));
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

int Finish(HANDLE uninstaller) {
  // Should the copy outlive its delete-on-close open, it goes at the next restart.
  if (const auto self = ExecutablePath()) {
    MoveFileExW(self->c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }

  // Inherited from the uninstaller; a number given by anything else names no process of ours.
  if (GetProcessId(uninstaller) == 0) return 2;
  const UniqueHandle process(uninstaller);
  const std::wstring image = ImageName(uninstaller);
  if (image.empty() || WaitForSingleObject(uninstaller, kWaitForUninstallerMs) != WAIT_OBJECT_0) {
    return 1;
  }
  const std::wstring folder = FolderOf(image);
  // An uninstall that did not complete keeps its log, and the uninstaller for another run.
  if (GetFileAttributesW(Joined(folder, L"install.log").c_str()) != INVALID_FILE_ATTRIBUTES) {
    return 1;
  }
  for (int attempt = 1; !DeleteFileW(image.c_str()); ++attempt) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) break;
    if (attempt == kDeleteAttempts) return 1;
    Sleep(kDeletePauseMs);
  }
  RemoveDirectoryW(folder.c_str());  // only when empty: what the user added there stays
  return 0;
}

}  // namespace tgw::uninstall
