// What every Shell does (see contract.h). What a saved shortcut holds is read back in the Win32
// tests, which have the means to.

#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {
namespace {

using Names = std::set<std::wstring>;
using ::testing::PrintToString;

// What the link object says to a value it cannot take (E_INVALIDARG).
constexpr Error kInvalid{ErrorKind::kOther, 0x80070057};
constexpr Error kBadName{ErrorKind::kBadName, 123};

TEST_P(ShellContract, SpecialFoldersAreFoldersWithoutAFinalBackslash) {
  for (const wchar_t* name : {L"Desktop", L"Programs", L"StartMenu", L"StartUp", L"desktop"}) {
    const auto folder = shell.SpecialFolder(name);
    ASSERT_TRUE(Succeeded(folder)) << PrintToString(std::wstring(name));
    EXPECT_EQ(ValueOf(files.FolderExists(*folder)), true) << PrintToString(*folder);
    EXPECT_NE(folder->back(), L'\\') << PrintToString(*folder);
  }
  EXPECT_EQ(FailureOf(shell.SpecialFolder(L"Favorites")), kBadName);
}

TEST_P(ShellContract, AShortcutIsWrittenAtSaveOnly) {
  const std::wstring lnk = At(L"Tagwright.lnk");
  const std::wstring app = At(L"Tagwright.exe");
  ASSERT_TRUE(backend->Put(app, "MZ"));
  auto made = shell.CreateShortcut(lnk);
  ASSERT_TRUE(Succeeded(made));
  ShellLink& link = **made;
  EXPECT_TRUE(
      Succeeded(FirstFailure({link.SetWindowStyle(ShowCommand::kNormal), link.SetTargetPath(app),
                              link.SetIconLocation(app + L",0"), link.SetDescription(L"Tagwright"),
                              link.SetWorkingDirectory(root + L"\\")})));
  EXPECT_FALSE(files.FileLength(lnk).ok()) << "nothing written before Save";
  EXPECT_TRUE(Succeeded(link.Save()));
  EXPECT_TRUE(files.FileLength(lnk).ok());
  // Saved again over the first.
  EXPECT_TRUE(Succeeded(FirstFailure({link.SetDescription(L"Tagwright 2.50"), link.Save()})));
  EXPECT_EQ(backend->FileNames(root), (Names{L"tagwright.exe", L"tagwright.lnk"}));
}

TEST_P(ShellContract, SaveIntoAMissingFolderFailsAndMakesNothing) {
  auto made = shell.CreateShortcut(At(L"missing\\Tagwright.lnk"));
  ASSERT_TRUE(Succeeded(made));
  ASSERT_TRUE(Succeeded((*made)->SetTargetPath(At(L"Tagwright.exe"))));
  EXPECT_EQ(FailureOf((*made)->Save()), (Error{ErrorKind::kNotFound, 0x80070003}));
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"missing"))), false);
}

TEST_P(ShellContract, ValuesALinkCannotTakeAreRefused) {
  EXPECT_EQ(FailureOf(shell.CreateShortcut(L"")), kBadName);
  EXPECT_EQ(FailureOf(shell.CreateShortcut(At(std::wstring(L"a.lnk\0b", 7)))), kBadName);

  auto made = shell.CreateShortcut(At(L"Refused.lnk"));
  ASSERT_TRUE(Succeeded(made));
  ShellLink& link = **made;
  for (const ShowCommand show : {ShowCommand::kNormal, ShowCommand::kMaximized}) {
    EXPECT_TRUE(Succeeded(link.SetWindowStyle(show)));
  }
  for (const wchar_t* icon : {L"x.dll", L"a,b.dll,-3"}) {
    EXPECT_TRUE(Succeeded(link.SetIconLocation(icon))) << PrintToString(std::wstring(icon));
  }
  for (const wchar_t* icon : {L"x.dll,one", L"x.dll,", L"x.dll,+1"}) {
    EXPECT_EQ(FailureOf(link.SetIconLocation(icon)), kInvalid) << PrintToString(std::wstring(icon));
  }
  const std::wstring_view with_null(L"a.exe\0.txt", 10);
  EXPECT_EQ(FailureOf(link.SetTargetPath(with_null)), kInvalid);
  EXPECT_EQ(FailureOf(link.SetIconLocation(with_null)), kInvalid);
  EXPECT_EQ(FailureOf(link.SetDescription(with_null)), kInvalid);
  EXPECT_EQ(FailureOf(link.SetWorkingDirectory(with_null)), kInvalid);
  EXPECT_FALSE(files.FileLength(At(L"Refused.lnk")).ok());
}

}  // namespace
}  // namespace tgw::testing
