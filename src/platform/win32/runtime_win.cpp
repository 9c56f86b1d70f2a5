#include "platform/win32/runtime_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/error_win.h"
#include "platform/win32/text_win.h"

namespace tgw {

void Win32Runtime::EndProgram() { ExitProcess(0); }

float Win32Runtime::Timer() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const long milliseconds =
      ((now.wHour * 60L + now.wMinute) * 60L + now.wSecond) * 1000L + now.wMilliseconds;
  return static_cast<float>(static_cast<double>(milliseconds) / 1000.0);
}

Result<std::wstring> Win32Runtime::ProgramFile() { return ExecutablePath(); }

std::wstring Win32Runtime::Environment(std::wstring_view name) {
  const std::wstring variable = win32::ZeroTerminated(name);
  if (variable.empty()) return {};
  // The size asked for includes the terminating null; 0 when the variable is absent.
  DWORD size = GetEnvironmentVariableW(variable.c_str(), nullptr, 0);
  std::wstring value;
  while (size != 0) {
    value.resize(size);
    const DWORD length = GetEnvironmentVariableW(variable.c_str(), value.data(), size);
    if (length < size) {  // it fitted (0: absent or empty)
      value.resize(length);
      return value;
    }
    size = length;  // the value grew in between
  }
  return {};
}

Result<std::wstring> ExecutablePath(std::size_t first_capacity) {
  // A path is at most 32767 characters, with the "\\?\" prefix.
  constexpr std::size_t kLongest = 32768;
  std::wstring path(std::clamp<std::size_t>(first_capacity, 1, kLongest), L'\0');
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), capacity);
    if (length == 0) return win32::LastError();
    if (length < capacity) {
      path.resize(length);
      return path;
    }
    // Truncated: the result filled the whole buffer.
    if (path.size() >= kLongest) return win32::ErrorFromCode(ERROR_INSUFFICIENT_BUFFER);
    path.resize(std::min(path.size() * 2, kLongest));
  }
}

}  // namespace tgw
