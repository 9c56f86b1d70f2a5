// What every Shell does (see contract.h). What a saved shortcut holds is read back in the Win32
// tests, which have the means to.

#include <gtest/gtest.h>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {
namespace {

// The special folders exist; a shortcut is saved into an existing folder only.
TEST_P(ShellContract, SpecialFoldersAndShortcuts) {
  for (const wchar_t* name : {L"desktop", L"Programs", L"StartMenu", L"StartUp"}) {
    const auto folder = shell.SpecialFolder(name);
    EXPECT_TRUE(folder && files.FolderExists(*folder).value_or(false) && folder->back() != L'\\');
  }
  EXPECT_EQ(FailureOf(shell.SpecialFolder(L"Favorites")), (Error{ErrorKind::kBadName, 123}));
  for (const wchar_t* lnk : {L"missing\\Tagwright.lnk", L"Tagwright.lnk"}) {
    auto link = shell.CreateShortcut(At(lnk));
    ASSERT_TRUE(Succeeded(link) && Succeeded((*link)->SetTargetPath(At(L"t.exe"))));
    EXPECT_EQ(
        FailureOf((*link)->Save()),
        lnk[0] == L'm' ? std::optional(Error{ErrorKind::kNotFound, 0x80070003}) : std::nullopt);
  }
  EXPECT_EQ(backend->FileNames(root), std::set<std::wstring>{L"tagwright.lnk"});
}

}  // namespace
}  // namespace tgw::testing
