// What every Shell does (see contract.h). What a saved shortcut holds is read back in the Win32
// tests, which have the means to.

#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {
namespace {

using ::testing::PrintToString;

TEST_P(ShellContract, SpecialFoldersAreFoldersWithoutAFinalBackslash) {
  for (const wchar_t* name : {L"Desktop", L"Programs", L"StartMenu", L"StartUp", L"desktop"}) {
    const auto folder = shell.SpecialFolder(name);
    ASSERT_TRUE(Succeeded(folder)) << PrintToString(std::wstring(name));
    EXPECT_TRUE(files.FolderExists(*folder)) << PrintToString(*folder);
    EXPECT_NE(folder->back(), L'\\') << PrintToString(*folder);
  }
  EXPECT_EQ(FailureOf(shell.SpecialFolder(L"Favorites")), (Error{ErrorKind::kBadName, 123}));
  EXPECT_EQ(FailureOf(shell.CreateShortcut(L"")), (Error{ErrorKind::kBadName, 123}));
}

// Written at Save only (again over the first), into an existing folder only.
TEST_P(ShellContract, AShortcutIsWrittenAtSave) {
  for (const std::wstring& lnk : {At(L"Tagwright.lnk"), At(L"missing\\Tagwright.lnk")}) {
    auto made = shell.CreateShortcut(lnk);
    ASSERT_TRUE(Succeeded(made));
    ShellLink& link = **made;
    EXPECT_TRUE(Succeeded(FirstFailure(
        {link.SetWindowStyle(ShowCommand::kMaximized), link.SetTargetPath(At(L"Tagwright.exe")),
         link.SetIconLocation(At(L"Tagwright.exe,0")), link.SetDescription(L"Tagwright"),
         link.SetWorkingDirectory(root + L"\\")})));
    EXPECT_EQ(files.FileLength(lnk), std::nullopt) << "nothing written before Save";
    if (lnk.find(L"missing") != std::wstring::npos) {
      EXPECT_EQ(FailureOf(link.Save()), (Error{ErrorKind::kNotFound, 0x80070003}));
      EXPECT_FALSE(files.FolderExists(At(L"missing")));
    } else {
      EXPECT_TRUE(Succeeded(FirstFailure({link.Save(), link.SetDescription(L"2"), link.Save()})));
      EXPECT_NE(files.FileLength(lnk), std::nullopt);
    }
  }
  EXPECT_EQ(backend->FileNames(root), std::set<std::wstring>{L"tagwright.lnk"});
}

}  // namespace
}  // namespace tgw::testing
