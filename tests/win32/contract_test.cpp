// The file system and shell contracts (tests/contract) against the Win32 implementations.

#include "contract.h"

#include <objbase.h>

#include <cstring>

#include "driver.h"
#include "files.h"
#include "platform/win32/file_system_win.h"
#include "platform/win32/shell_win.h"
#include "test_support.h"

namespace tgw::testing {

// A fresh folder below the temp folder, with COM for the shell as the setup program has it.
class Win32Backend final : public Backend {
 public:
  FileSystem& files() override { return files_; }
  Shell& shell() override { return shell_; }
  std::wstring root() override { return temp_.path; }
  bool Put(const std::wstring& path, std::string_view bytes) override {
    return automation::WriteWholeFile(path, bytes);
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
  struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
  } com_;
  TempFolder temp_;
  Win32FileSystem files_;
  win32::Win32Shell shell_;
};

std::unique_ptr<Backend> NewWin32Backend() { return std::make_unique<Win32Backend>(); }

INSTANTIATE_TEST_SUITE_P(Win32, FileSystemContract, ::testing::Values(&NewWin32Backend));
INSTANTIATE_TEST_SUITE_P(Win32, ShellContract, ::testing::Values(&NewWin32Backend));

// A page of a mapped file that cannot be read: here the file is cut short by a Linux program,
// which Wine reports as an access violation (Windows refuses to cut a mapped file; its in-page
// errors, from a drive or share gone away, take the same way). From then on the mapping reads as
// zeros, and says so.
TEST(Win32MappedFile, APageThatCannotBeReadReadsAsZerosAndTheMappingSaysSo) {
  const TempFolder temp;
  const std::wstring path = temp.path + L"\\cut.bin";
  ASSERT_TRUE(automation::WriteWholeFile(path, std::string(1 << 20, 'x')));
  Win32FileSystem files;
  const auto mapped = files.MapFile(path);
  ASSERT_TRUE(mapped.ok());
  const std::string_view bytes = (*mapped)->Bytes();
  const std::string first_page(bytes.substr(0, 4096));

  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  const char* const name = unix_name != nullptr ? unix_name(path.c_str()) : nullptr;
  if (name == nullptr) GTEST_SKIP() << "no Linux program to cut the file short (not under Wine)";
  // Wine starts a Linux program, without a handle to wait on.
  const automation::Process cut(
      {.program = L"Z:\\usr\\bin\\truncate",
       .arguments = L"-s 4096 \"" + std::wstring(name, name + std::strlen(name)) + L"\""});
  HeapFree(GetProcessHeap(), 0, const_cast<char*>(name));
  for (int wait = 0; wait < 1000 && files.FileLength(path).value_or(0) != 4096; ++wait) Sleep(10);
  ASSERT_EQ(files.FileLength(path).value_or(0), 4096u);
  EXPECT_EQ(first_page, std::string(4096, 'x'));
  EXPECT_TRUE((*mapped)->ReadStatus().ok());
  EXPECT_EQ(bytes.substr(4096), std::string(bytes.size() - 4096, '\0'));
  EXPECT_EQ((*mapped)->ReadStatus().error(), (Error{ErrorKind::kOther, ERROR_READ_FAULT}));
  EXPECT_EQ(bytes.substr(0, 4096), std::string(4096, '\0')) << "zeros from then on";
}

}  // namespace tgw::testing
