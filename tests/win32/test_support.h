#pragma once

// What the Windows-side tests share: a folder of their own, COM, and files written and read
// independently of the code under test.

#include <objbase.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "files.h"

namespace tgw::testing {

// A fresh folder below the user's temp folder, removed with its contents at destruction.
class TempFolder {
 public:
  TempFolder() {
    static int made = 0;
    path_ =
        (std::filesystem::temp_directory_path() /
         (L"tgw-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made)))
            .wstring();
    std::filesystem::create_directory(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  // The folder, without a trailing backslash.
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// COM on the calling thread, apartment threaded as in the setup program, for the life of the
// object.
struct ComApartment {
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

inline bool WriteRaw(const std::wstring& path, std::string_view bytes) {
  return automation::WriteWholeFile(path, bytes);
}

// Nothing when the file cannot be opened.
inline std::optional<std::string> ReadRaw(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace tgw::testing
