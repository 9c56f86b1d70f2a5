// What the run writes besides the payload: the log, the settings file, the runtime copies and the
// per-user record of the folder.
#include "engine/install_records.h"

#include <gtest/gtest.h>

#include "fakes/platform.h"

namespace tgw {

using At = fakes::MemoryFileSystem::Fault::At;
constexpr Error kFull{ErrorKind::kDiskFull, 112};

// The record of the last folder is replaced whole, only below an absolute %appdata%; the settings
// file gets a line for each install; a runtime copy beside the setup is copied whole, or named.
TEST(InstallRecords, RecordSettingsAndRuntimeCopies) {
  fakes::MemoryFileSystem files;
  fakes::FakeRuntime runtime;
  const std::wstring record = L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log";
  files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
  EXPECT_EQ(ReadUserRecord(files, runtime), std::nullopt);
  EXPECT_TRUE(WriteUserRecord(files, runtime, L"d:\\t\\").ok());
  EXPECT_TRUE(WriteUserRecord(files, runtime, L"e:\\x\\").ok());  // its folder is there already
  files.Fail(record, At::kWrite, kFull);
  EXPECT_EQ(WriteUserRecord(files, runtime, L"f:\\longer\\").error(), kFull);
  EXPECT_EQ(ReadUserRecord(files, runtime), L"e:\\x\\");
  files.PutFile(record, "");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"");
  for (const wchar_t* appdata : {L"", L"Roaming", L"\\Users\\ann", L"C:"}) {
    runtime.appdata = appdata;
    EXPECT_EQ(WriteUserRecord(files, runtime, L"d:\\x\\").error().kind, ErrorKind::kNotFound);
    EXPECT_EQ(ReadUserRecord(files, runtime), std::nullopt) << appdata;
  }
  EXPECT_EQ(files.Files().size(), 1u);

  files.AddFolders(L"d:\\x");
  for (const std::int16_t language : {std::int16_t{0}, std::int16_t{1}, std::int16_t{0}})
    (void)WriteSettings(files, L"d:\\x\\", language);
  files.Fail(L"d:\\x\\settings.dat", At::kClose, Error{ErrorKind::kInUse, 32});
  EXPECT_EQ(WriteSettings(files, L"d:\\x\\", 0).error().kind, ErrorKind::kInUse);
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"),
            "Language=english\r\nLanguage=russian\r\nLanguage=english\r\n");

  files.PutFile(L"d:\\x\\MSVBVM60.DLL", "old vb");
  files.PutFile(L"C:\\mscomctl.ocx", "new");  // no MSVBVM60.DLL beside it
  EXPECT_TRUE(CopyRuntimeComponents(files, L"C:\\", L"d:\\x\\").empty());
  EXPECT_EQ(files.Bytes(L"d:\\x\\mscomctl.ocx"), "new");
  files.PutFile(L"C:\\s\\MSVBVM60.DLL", "new vb");
  files.AddFolders(L"C:\\s\\mscomctl.ocx");  // there, but no file: named
  files.Fail(L"d:\\x\\msvbvm60.dll", At::kWrite, kFull);
  EXPECT_EQ(CopyRuntimeComponents(files, L"C:\\s", L"d:\\x\\"),
            (std::vector<std::pair<std::wstring_view, Error>>{
                {L"MSVBVM60.DLL", kFull}, {L"mscomctl.ocx", fakes::kAccessDenied}}));
  EXPECT_EQ(files.Bytes(L"d:\\x\\MSVBVM60.DLL"), "old vb");
}

// A reinstall's log: its own lines, then (unless it completed) the earlier ones it did not write;
// ended before Close, the earlier lines and its own after them. The first failure is told.
TEST(InstallRecords, TheLogKeepsTheEarlierLinesUnlessTheRunCompleted) {
  fakes::MemoryFileSystem files;
  const std::string earlier = "d:\\x\\\r\nd:\\x\\a\r\nd:\\x\\gone\r\nlink.lnk";  // cut
  const std::pair<std::optional<bool>, std::string> rows[] = {
      {true, "d:\\x\\\r\nd:\\x\\a\r\nd:\\x\\new\r\n"},
      {false, "d:\\x\\\r\nd:\\x\\a\r\nd:\\x\\new\r\nd:\\x\\gone\r\nlink.lnk\r\n"},
      {std::nullopt, earlier + "\r\nd:\\x\\a\r\nd:\\x\\new\r\n"},
  };
  for (const auto& [completed, log] : rows) {
    files.PutFile(L"d:\\x\\install.log", earlier);
    {
      InstallLog install_log(files, L"d:\\x\\");
      install_log.Line(L"d:\\x\\a");
      install_log.Line(L"d:\\x\\new");
      if (completed) {
        EXPECT_TRUE(install_log.Close(*completed).ok());
      }
    }
    EXPECT_EQ(files.Bytes(L"d:\\x\\install.log"), log);
  }
  // A first install: the log as written; a folder without its final backslash glues the names on.
  InstallLog first(files, L"d:\\x");
  first.Line(L"d:\\xa");
  EXPECT_TRUE(first.Close(false).ok());
  EXPECT_EQ(files.Bytes(L"d:\\xinstall.log"), "d:\\x\r\nd:\\xa\r\n");
  files.Fail(L"d:\\x\\install.log", At::kWrite, kFull);
  InstallLog full(files, L"d:\\x\\");
  full.Line(L"d:\\x\\a");
  EXPECT_EQ(full.Close(true).error(), kFull);
  InstallLog nowhere(files, L"q:\\none\\");
  nowhere.Line(L"q:\\none\\a");
  EXPECT_EQ(nowhere.Close(true).error().kind, ErrorKind::kNotFound);
}

}  // namespace tgw
