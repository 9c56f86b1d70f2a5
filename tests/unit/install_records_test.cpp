#include "engine/install_records.h"

#include <gtest/gtest.h>

#include "fakes/fake_runtime.h"
#include "fakes/memory_file_system.h"

namespace tgw {
namespace {

using Fault = fakes::MemoryFileSystem::Fault;

class InstallRecords : public ::testing::Test {
 protected:
  InstallRecords() {
    files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
    files.AddFolders(L"d:\\x");
  }
  fakes::MemoryFileSystem files;
  fakes::FakeRuntime runtime;
  const std::wstring record = L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log";
};

TEST_F(InstallRecords, UserRecordRoundTrip) {
  EXPECT_EQ(ReadUserRecord(files, runtime), std::nullopt);  // no record: the field keeps its text

  EXPECT_TRUE(WriteUserRecord(files, runtime, L"d:\\tools\\Tagwright\\").ok());
  EXPECT_EQ(files.Bytes(record), "d:\\tools\\Tagwright\\\r\n");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"d:\\tools\\Tagwright\\");
  EXPECT_TRUE(WriteUserRecord(files, runtime, L"e:\\x\\").ok());  // the folder is there already
  EXPECT_EQ(files.Bytes(record), "e:\\x\\\r\n");

  // A record that cannot be written completely leaves the last one.
  files.free_space = 3;
  EXPECT_EQ(WriteUserRecord(files, runtime, L"f:\\longer\\").error().kind, ErrorKind::kDiskFull);
  EXPECT_EQ(files.Bytes(record), "e:\\x\\\r\n");

  files.PutFile(record, "");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"");
  files.PutFile(record, "first\r\nsecond\r\n");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"first");
}

TEST_F(InstallRecords, WithoutAnAbsoluteAppdataNeitherSideTouchesAnything) {
  files.PutFile(L"\\TGWR\\install.log", "d:\\old\\\r\n");
  for (const wchar_t* appdata : {L"", L"Roaming", L"\\Users\\ann"}) {
    runtime.environment[L"appdata"] = appdata;
    EXPECT_FALSE(WriteUserRecord(files, runtime, L"d:\\x\\").ok()) << appdata;
    EXPECT_EQ(ReadUserRecord(files, runtime), std::nullopt) << appdata;
  }
  EXPECT_EQ(files.Bytes(L"\\TGWR\\install.log"), "d:\\old\\\r\n");
}

TEST_F(InstallRecords, SettingsFileKeepsItsLinesWhatever) {
  EXPECT_TRUE(WriteSettings(files, L"d:\\x\\", 0).ok());
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"), "Language=english\r\n");
  EXPECT_TRUE(WriteSettings(files, L"d:\\x\\", 1).ok());
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"), "Language=english\r\nLanguage=russian\r\n");

  // A disk that fills up, a file in use: the lines that were there stay, nothing is cut.
  files.free_space = 40;
  EXPECT_EQ(WriteSettings(files, L"d:\\x\\", 0).error().kind, ErrorKind::kDiskFull);
  files.free_space.reset();
  files.faults[L"d:\\x\\settings.dat"] = {Fault::At::kClose, Error{ErrorKind::kInUse, 32}};
  EXPECT_EQ(WriteSettings(files, L"d:\\x\\", 0).error().kind, ErrorKind::kInUse);
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"), "Language=english\r\nLanguage=russian\r\n");
}

TEST_F(InstallRecords, RuntimeCopiesSkipWhatIsMissingAndReportTheRest) {
  files.PutFile(L"d:\\x\\MSVBVM60.DLL", "old vb");
  files.PutFile(L"d:\\x\\mscomctl.ocx", "old");
  files.PutFile(L"C:\\mscomctl.ocx", "new");  // at a drive root; no MSVBVM60.DLL beside it
  EXPECT_TRUE(CopyRuntimeComponents(files, L"C:\\", L"d:\\x\\").empty());
  EXPECT_EQ(files.Bytes(L"d:\\x\\mscomctl.ocx"), "new");

  files.PutFile(L"C:\\MSVBVM60.DLL", "new vb");
  files.faults[L"d:\\x\\msvbvm60.dll"] = {Fault::At::kWrite, Error{ErrorKind::kDiskFull, 112}};
  const auto failed = CopyRuntimeComponents(files, L"C:\\", L"d:\\x\\");
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].first, L"MSVBVM60.DLL");
  EXPECT_EQ(failed[0].second.kind, ErrorKind::kDiskFull);
  EXPECT_EQ(files.Bytes(L"d:\\x\\MSVBVM60.DLL"), "old vb");
}

TEST_F(InstallRecords, TheLogKeepsTheEarlierLinesUnlessTheRunCompleted) {
  const std::string earlier = "d:\\x\\\r\nd:\\x\\a.txt\r\nd:\\x\\gone.txt\r\nlink.lnk\r\n";
  struct Row {
    const char* what;
    std::optional<bool> completed;  // nothing: the program ends before the log is closed
    std::string log;
  };
  const Row rows[] = {
      {"completed", true, "d:\\x\\\r\nd:\\x\\a.txt\r\nd:\\x\\new.txt\r\n"},
      {"not completed", false,
       "d:\\x\\\r\nd:\\x\\a.txt\r\nd:\\x\\new.txt\r\nd:\\x\\gone.txt\r\nlink.lnk\r\n"},
      {"ended", std::nullopt,
       "d:\\x\\\r\nd:\\x\\a.txt\r\nd:\\x\\gone.txt\r\nlink.lnk\r\nd:\\x\\a.txt\r\nd:\\x\\new."
       "txt\r\n"},
  };
  for (const Row& row : rows) {
    files.PutFile(L"d:\\x\\install.log", earlier);
    {
      InstallLog log(files, L"d:\\x\\");
      log.Line(L"d:\\x\\a.txt");
      log.Line(L"d:\\x\\new.txt");
      if (row.completed) {
        EXPECT_TRUE(log.Close(*row.completed).ok());
      }
    }
    EXPECT_EQ(files.Bytes(L"d:\\x\\install.log"), row.log) << row.what;
  }

  // A first install: the log as written, and a folder text without its final backslash glues
  // the names to its last component.
  InstallLog log(files, L"d:\\x");
  log.Line(L"d:\\xa.txt");
  EXPECT_TRUE(log.Close(false).ok());
  EXPECT_EQ(files.Bytes(L"d:\\xinstall.log"), "d:\\x\r\nd:\\xa.txt\r\n");
}

TEST_F(InstallRecords, TheLogReportsItsFirstFailure) {
  files.faults[L"d:\\x\\install.log"] = {Fault::At::kWrite, Error{ErrorKind::kDiskFull, 112}};
  InstallLog log(files, L"d:\\x\\");
  log.Line(L"d:\\x\\a.txt");
  EXPECT_EQ(log.Close(true).error().kind, ErrorKind::kDiskFull);

  InstallLog nowhere(files, L"q:\\none\\");
  EXPECT_EQ(nowhere.Close(true).error().kind, ErrorKind::kNotFound);
}

}  // namespace
}  // namespace tgw
