#include "engine/install_records.h"

#include <gtest/gtest.h>

#include "fakes/fake_runtime.h"
#include "fakes/memory_file_system.h"

namespace tgw {
namespace {

class InstallRecords : public ::testing::Test {
 protected:
  InstallRecords() { files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming"); }
  fakes::MemoryFileSystem files;
  fakes::FakeRuntime runtime;
  const std::wstring record = L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log";
};

TEST_F(InstallRecords, UserRecordRoundTrip) {
  EXPECT_EQ(ReadUserRecord(files, runtime), std::nullopt);  // no record: the field keeps its text

  (void)WriteUserRecord(files, runtime, L"d:\\tools\\Tagwright\\");
  EXPECT_EQ(files.Bytes(record), "d:\\tools\\Tagwright\\\r\n");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"d:\\tools\\Tagwright\\");

  (void)WriteUserRecord(files, runtime,
                        L"e:\\x\\");  // the folder is there already; the file is replaced
  EXPECT_EQ(files.Bytes(record), "e:\\x\\\r\n");

  files.PutFile(record, "");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"");
  files.PutFile(record, "first\r\nsecond\r\n");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"first");
  files.PutFile(record, "no line end");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"no line end");
}

TEST_F(InstallRecords, WithoutAppdataBothSidesMeetAtTheDriveRoot) {
  runtime.environment.clear();
  (void)WriteUserRecord(files, runtime, L"d:\\x\\");
  EXPECT_EQ(files.Bytes(L"\\TGWR\\install.log"), "d:\\x\\\r\n");
  EXPECT_EQ(ReadUserRecord(files, runtime), L"d:\\x\\");
}

TEST_F(InstallRecords, SettingsFileIsCreatedThenAppendedTo) {
  files.AddFolders(L"d:\\x");
  (void)WriteSettings(files, L"d:\\x\\", 0);
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"), "Language=english\r\n");
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat").size(), 18u);
  (void)WriteSettings(files, L"d:\\x\\", 1);
  EXPECT_EQ(files.Bytes(L"d:\\x\\Settings.dat"), "Language=english\r\nLanguage=russian\r\n");

  // A folder text without its final backslash glues the names to its last component.
  (void)WriteSettings(files, L"d:\\x", 1);
  EXPECT_EQ(files.Bytes(L"d:\\xSettings.dat"), "Language=russian\r\n");
  InstallLog log(files, L"d:\\x");
  log.Line(L"d:\\xa.txt");
  (void)log.Close(true);
  log.Line(L"lost after close");
  EXPECT_EQ(files.Bytes(L"d:\\xinstall.log"), "d:\\x\r\nd:\\xa.txt\r\n");
}

TEST_F(InstallRecords, RuntimeCopiesReplaceAndSkipWhatIsMissing) {
  files.AddFolders(L"d:\\x");
  files.PutFile(L"d:\\x\\mscomctl.ocx", "old");
  files.PutFile(L"C:\\mscomctl.ocx",
                "new");  // the setup at a drive root; no MSVBVM60.DLL beside it
  (void)CopyRuntimeComponents(files, L"C:\\", L"d:\\x\\");
  EXPECT_FALSE(files.HasFile(L"d:\\x\\MSVBVM60.DLL"));
  EXPECT_EQ(files.Bytes(L"d:\\x\\mscomctl.ocx"), "new");
}

}  // namespace
}  // namespace tgw
