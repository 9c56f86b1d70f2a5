// The file system and shell contracts (tests/contract) against the Win32 implementations.

#include "contract.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/win32/file_system_win.h"
#include "platform/win32/shell_win.h"
#include "test_support.h"

namespace tgw::testing {
namespace {

// A fresh folder below the temp folder, with COM for the shell as the setup program has it.
class Win32Backend final : public Backend {
 public:
  FileSystem& files() override { return files_; }
  Shell& shell() override { return shell_; }
  std::wstring root() override { return temp_.path(); }
  bool Put(const std::wstring& path, std::string_view bytes) override {
    return WriteRaw(path, bytes);
  }
  std::optional<std::string> Get(const std::wstring& path) override { return ReadRaw(path); }
  std::set<std::wstring> FileNames(const std::wstring& folder) override {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder + L"\\")) {
      std::wstring name = entry.path().filename().wstring();
      CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
      if (entry.is_regular_file()) names.insert(name);
    }
    return names;
  }
  unsigned AnsiCodePage() override { return GetACP(); }
  bool KeepsShortNames(const std::wstring& path) override {
    wchar_t short_form[MAX_PATH] = {};
    return GetShortPathNameW(path.c_str(), short_form, MAX_PATH) != 0 && path != short_form;
  }

 private:
  ComApartment com_;
  TempFolder temp_;
  Win32FileSystem files_;
  win32::Win32Shell shell_;
};

std::unique_ptr<Backend> NewWin32Backend() { return std::make_unique<Win32Backend>(); }

INSTANTIATE_TEST_SUITE_P(Win32, FileSystemContract, ::testing::Values(&NewWin32Backend));
INSTANTIATE_TEST_SUITE_P(Win32, ShellContract, ::testing::Values(&NewWin32Backend));

}  // namespace
}  // namespace tgw::testing
