// What every FileSystem and Shell does (see contract.h): what the setup and the uninstaller rely
// on, with the Win32 codes of the failures, which the in-memory fakes give too. What a saved
// shortcut holds is read back in the Win32 tests, which have the means to.

#include "contract.h"

#include "status_checks.h"

namespace tgw::testing {

// Failures keep their kind and Win32 code, and make nothing.
TEST_P(FileSystemContract, FailuresKeepTheirKindAndCode) {
  ASSERT_TRUE(Succeeded(files.MakeFolder(At(L"folder"))));
  ASSERT_TRUE(backend->Put(At(L"folder\\inside"), "y"));
  const std::wstring missing = At(L"missing\\file");
  const std::pair<Status, Error> rows[] = {
      {files.MakeFolder(At(L"folder")), {ErrorKind::kExists, 183}},
      {files.MakeFolder(missing), {ErrorKind::kNotFound, 3}},
      {files.RemoveFolder(At(L"folder")), {ErrorKind::kOther, 145}},  // not empty
      {files.RemoveFile(At(L"folder")), {ErrorKind::kAccessDenied, 5}},
      {files.RemoveFile(At(L"absent")), {ErrorKind::kNotFound, 2}},
      {Store(At(L"folder"), OpenMode::kReplace, "x"), {ErrorKind::kAccessDenied, 5}},
      {Store(missing, OpenMode::kAppend, "x"), {ErrorKind::kNotFound, 3}},
      {files.ReadWholeFile(missing).status(), {ErrorKind::kNotFound, 3}},
      {files.MapFile(missing).status(), {ErrorKind::kNotFound, 3}},
      {files.MapFile(At(L"folder")).status(), {ErrorKind::kAccessDenied, 5}},
  };
  for (const auto& [outcome, error] : rows) EXPECT_EQ(FailureOf(outcome), error);
  EXPECT_EQ(backend->FileNames(root), std::set<std::wstring>{}) << "no temporary file left";
}

// Paths in any letter case, with "/" and doubled separators; in-place writes reach the file at
// once (the install log), a replacement only at Close; lines end at CR LF or a lone CR; text is
// in the ANSI code page ("?" for a character it lacks); a folder it cannot name has its short
// name for a record, or none.
TEST_P(FileSystemContract, PathsWritesAndLinesAsWindowsHasThem) {
  if (backend->AnsiCodePage() != 1252) GTEST_SKIP() << "expects code page 1252";
  ASSERT_TRUE(backend->Put(At(L"Caf\u00e9.txt"), "old\r\n"));
  EXPECT_TRUE(Succeeded(Store(root + L"//CAF\u00c9.TXT", OpenMode::kReplace, "dropped", false)));
  EXPECT_TRUE(Succeeded(Store(At(L"caf\u00e9.txt"), OpenMode::kReplaceAppending, "a\rb\nc")));
  auto log = files.OpenOutput(At(L"Caf\u00e9.txt"), OpenMode::kAppend);
  ASSERT_TRUE(Succeeded(log));
  EXPECT_TRUE(Succeeded((*log)->WriteLine(L"\u00e8\u0416")));
  EXPECT_EQ(backend->Get(At(L"Caf\u00e9.txt")), "old\r\na\rb\nc\xe8?\r\n");
  log->reset();  // dropped without Close: kept as written
  EXPECT_EQ(files.ReadLines(root + L"\\\\caf\u00e9.txt").value_or({}),
            (std::vector<std::wstring>{L"old", L"a", L"b\nc\u00e8?"}));
  EXPECT_EQ(files.RecordablePath(At(L"caf\u00e9")).value_or(L""), At(L"caf\u00e9"))
      << "whether it exists or not";
  ASSERT_TRUE(Succeeded(files.MakeFolder(At(L"T \u0416"))));
  const auto recordable = files.RecordablePath(At(L"t \u0416"));
  EXPECT_EQ(FailureOf(recordable), backend->KeepsShortNames(At(L"T \u0416"))
                                       ? std::nullopt
                                       : std::optional(Error{ErrorKind::kNoMapping, 1113}));
  EXPECT_TRUE(!recordable || files.FolderExists(*recordable).value_or(false))
      << "the short form names it";
  EXPECT_EQ(backend->FileNames(root), std::set<std::wstring>{L"caf\u00e9.txt"});
}

// A mapping gives every byte, an empty file none (Windows cannot map it: it is given as such).
TEST_P(FileSystemContract, MapFileGivesEveryByte) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  for (const std::string& content : {bytes, std::string()}) {
    ASSERT_TRUE(backend->Put(At(L"data.bin"), content));
    const auto mapped = files.MapFile(At(L"data.bin"));
    ASSERT_TRUE(Succeeded(mapped));
    EXPECT_EQ((*mapped)->Bytes(), content);
    EXPECT_TRUE((*mapped)->ReadStatus().ok());
  }
}

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

}  // namespace tgw::testing
