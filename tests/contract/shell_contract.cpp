// What every Shell does (see contract.h). What a saved shortcut holds is read back in the Win32
// tests, which have the means to.

#include <gtest/gtest.h>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {
namespace {

// The special folders are folders without a final backslash; a shortcut is written at Save only,
// into an existing folder only (the system's error as an HRESULT).
TEST_P(ShellContract, SpecialFoldersAndShortcuts) {
  for (const wchar_t* name : {L"Desktop", L"Programs", L"StartMenu", L"StartUp", L"desktop"}) {
    const auto folder = shell.SpecialFolder(name);
    ASSERT_TRUE(Succeeded(folder)) << ::testing::PrintToString(std::wstring(name));
    EXPECT_TRUE(files.FolderExists(*folder) && folder->back() != L'\\')
        << ::testing::PrintToString(*folder);
  }
  EXPECT_EQ(FailureOf(shell.SpecialFolder(L"Favorites")), (Error{ErrorKind::kBadName, 123}));
  for (const std::wstring& lnk : {At(L"missing\\Tagwright.lnk"), At(L"Tagwright.lnk")}) {
    auto link = shell.CreateShortcut(lnk);
    ASSERT_TRUE(Succeeded(link));
    EXPECT_TRUE(Succeeded(FirstFailure(
        {(*link)->SetWindowStyle(ShowCommand::kMaximized), (*link)->SetTargetPath(At(L"t.exe")),
         (*link)->SetIconLocation(At(L"t.exe,0")), (*link)->SetDescription(L"Tagwright"),
         (*link)->SetWorkingDirectory(root + L"\\")})));
    EXPECT_EQ(files.FileLength(lnk), std::nullopt) << "nothing written before Save";
    const Status saved = FirstFailure({(*link)->Save(), (*link)->Save()});  // again over the first
    if (lnk.find(L"missing") != std::wstring::npos) {
      EXPECT_EQ(FailureOf(saved), (Error{ErrorKind::kNotFound, 0x80070003}));
    } else {
      EXPECT_TRUE(Succeeded(saved));
    }
  }
  EXPECT_FALSE(files.FolderExists(At(L"missing")));
  EXPECT_EQ(backend->FileNames(root), std::set<std::wstring>{L"tagwright.lnk"});
}

}  // namespace
}  // namespace tgw::testing
