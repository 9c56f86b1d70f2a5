#include "console.h"

#include <windows.h>

#include <string>

#include "driver.h"

namespace tgw::automation {

namespace {

void Write(DWORD which, std::wstring_view text) {
  std::wstring lines;
  for (const wchar_t c : text) {
    if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) lines.push_back(L'\r');
    lines.push_back(c);
  }
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD done = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, lines.data(), static_cast<DWORD>(lines.size()), &done, nullptr);
    return;
  }
  const std::string bytes = Utf8(lines);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

}  // namespace

void WriteOut(std::wstring_view text) { Write(STD_OUTPUT_HANDLE, text); }
void WriteError(std::wstring_view text) { Write(STD_ERROR_HANDLE, text); }

}  // namespace tgw::automation
