#pragma once

// What the Windows-side tests share: files read independently of the code under test, and a
// folder of their own.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace tgw::testing {

// Nothing when the file cannot be opened.
inline std::optional<std::string> ReadRaw(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// A fresh folder below the user's temp folder (`path`, without a final backslash), removed with
// its contents at destruction.
struct TempFolder {
  TempFolder() { std::filesystem::create_directory(path); }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  inline static int made = 0;
  const std::wstring path =
      (std::filesystem::temp_directory_path() /
       (L"tgw-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made)))
          .wstring();
};

}  // namespace tgw::testing
