#include "test_support.h"

#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tgw::testing {

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring base(temp, length);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned attempt = 0; path_.empty(); ++attempt) {
    std::wstring candidate = base + L"\\tgw-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = std::move(candidate);
    if (attempt > 1000) std::abort();
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

std::wstring TempFolder::operator/(std::wstring_view name) const {
  return path_ + L"\\" + std::wstring(name);
}

ComApartment::ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) CoUninitialize();
}

bool WriteRaw(const std::wstring& path, std::string_view bytes) {
  const win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::optional<std::string> ReadRaw(const std::wstring& path) {
  const win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char block[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), block, sizeof block, &read, nullptr) && read > 0) {
    bytes.append(block, read);
  }
  return bytes;
}

std::optional<std::uint64_t> EmptiedTinyDrive() {
  constexpr std::uint64_t kMostBytes = 1 << 20;
  ULARGE_INTEGER free{};
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExW(L"T:\\", &free, &total, nullptr) || total.QuadPart > kMostBytes) {
    return std::nullopt;
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(L"T:\\", error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
  if (!GetDiskFreeSpaceExW(L"T:\\", &free, nullptr, nullptr)) return std::nullopt;
  return free.QuadPart;
}

StartedProgram StartProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  // The child's standard handles go nowhere (a console child would otherwise write into the
  // output of this test program).
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return {};
  }
  CloseHandle(process.hThread);
  return {win32::UniqueHandle(process.hProcess), process.dwProcessId};
}

std::optional<std::uint32_t> WaitForExit(HANDLE process, std::uint32_t timeout_ms) {
  if (WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    return std::nullopt;
  }
  DWORD exit_code = 0;
  if (!GetExitCodeProcess(process, &exit_code)) return std::nullopt;
  return exit_code;
}

std::wstring ProgramPathFromEnvironment(const wchar_t* variable) {
  wchar_t value[32768] = {};
  const DWORD length = GetEnvironmentVariableW(variable, value, 32768);
  if (length == 0 || length >= 32768) return {};
  std::wstring path(value, length);
  if (path.front() != L'/') return path;
  // Under Wine, kernel32 translates Unix paths.
  using ToDosName = LPWSTR(CDECL*)(LPCSTR);
  const auto to_dos_name = reinterpret_cast<ToDosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (to_dos_name == nullptr) return path;
  const int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string unix_path(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unix_path.data(), size, nullptr, nullptr);
  wchar_t* const dos_name = to_dos_name(unix_path.c_str());
  if (dos_name == nullptr) return path;
  path = dos_name;
  HeapFree(GetProcessHeap(), 0, dos_name);
  return path;
}

}  // namespace tgw::testing
