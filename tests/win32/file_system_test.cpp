// What only the Win32 file system has: files held by other programs, the running program, and
// a full disk. What every file system does is in tests/contract.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/win32/file_system_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/runtime_win.h"
#include "status_checks.h"
#include "test_support.h"

namespace tgw {
namespace {

using ::tgw::testing::FailureKind;
using ::tgw::testing::FailureOf;
using ::tgw::testing::ReadRaw;
using ::tgw::testing::Succeeded;
using ::tgw::testing::TempFolder;
using ::tgw::testing::WriteRaw;

using Names = std::set<std::wstring>;

Names NamesIn(const std::wstring& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder + L"\\")) {
    names.insert(entry.path().filename().wstring());
  }
  return names;
}

// Opens a file as another program would that lets nobody else open it meanwhile.
win32::UniqueFile HoldWithoutSharing(const std::wstring& path) {
  return win32::UniqueFile(
      CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Opens `path` in `mode`, writes `bytes` and closes it: what Close says.
Status Store(FileSystem& files, const std::wstring& path, OpenMode mode, std::string_view bytes) {
  auto output = files.OpenOutput(path, mode);
  if (!output) return output.status();
  (void)(*output)->WriteBytes(bytes);
  return (*output)->Close();
}

class FileSystemTest : public ::testing::Test {
 protected:
  TempFolder temp_;
  Win32FileSystem files_;
};

TEST_F(FileSystemTest, AFileAnotherProgramHoldsOrRunsIsInUse) {
  const std::wstring file = temp_ / L"file.txt";
  ASSERT_TRUE(WriteRaw(file, "x"));
  {
    const win32::UniqueFile held = HoldWithoutSharing(file);
    ASSERT_TRUE(held);
    EXPECT_EQ(FailureKind(files_.RemoveFile(file)), ErrorKind::kInUse);
  }
  EXPECT_TRUE(Succeeded(files_.RemoveFile(file)));
  EXPECT_EQ(FailureKind(files_.RemoveFile(*ExecutablePath())), ErrorKind::kInUse);  // running
}

TEST_F(FileSystemTest, AReplacementOfAFileInUseFailsAndKeepsTheOldFile) {
  const std::wstring target = temp_ / L"Tagwright.exe";
  const std::wstring source = temp_ / L"source.bin";
  ASSERT_TRUE(WriteRaw(target, "old"));
  ASSERT_TRUE(WriteRaw(source, "copied"));
  {
    const win32::UniqueFile holder = HoldWithoutSharing(target);
    ASSERT_TRUE(holder);
    for (const OpenMode mode : {OpenMode::kReplace, OpenMode::kReplaceAppending}) {
      EXPECT_EQ(FailureKind(Store(files_, target, mode, "new")), ErrorKind::kInUse);
    }
    EXPECT_EQ(FailureKind(files_.Copy(source, target)), ErrorKind::kInUse);
  }
  EXPECT_EQ(ReadRaw(target), "old");
  EXPECT_EQ(NamesIn(temp_.path()), (Names{L"Tagwright.exe", L"source.bin"}))
      << "no temporary file left";
}

TEST_F(FileSystemTest, AFileDroppedWithoutCloseIsClosed) {
  for (const OpenMode mode : {OpenMode::kOutput, OpenMode::kAppend}) {
    const std::wstring path = temp_ / L"open.txt";
    auto output = files_.OpenOutput(path, mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteBytes("one")));
    output->reset();
    EXPECT_TRUE(HoldWithoutSharing(path)) << "no handle is left open";
  }
}

TEST_F(FileSystemTest, ReadWholeFileReadsTheRunningProgram) {
  const std::wstring program = *Win32Runtime().ProgramFile();
  const auto bytes = files_.ReadWholeFile(program);
  ASSERT_TRUE(Succeeded(bytes));
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ((*bytes)[0], 'M');
  EXPECT_EQ((*bytes)[1], 'Z');
  EXPECT_EQ(files_.FileLength(program).value_or(0), bytes->size());
}

// --- A full disk: the tiny drive T: that tiny_drive.sh mounts ---

TEST(DiskFullTest, AReplacementLargerThanTheFreeSpaceFailsAndKeepsTheOldFile) {
  const auto free = ::tgw::testing::EmptiedTinyDrive();
  if (!free) GTEST_SKIP() << ::tgw::testing::kNoTinyDrive;
  const std::string big(*free + 64 * 1024, 'x');
  const TempFolder temp;
  const std::wstring target = L"T:\\Tagwright.exe";
  ASSERT_TRUE(WriteRaw(temp / L"big.bin", big));
  ASSERT_TRUE(WriteRaw(target, "old"));
  Win32FileSystem files;
  const struct {
    const char* what;
    Status outcome;
  } kCases[] = {
      {"kReplace", Store(files, target, OpenMode::kReplace, big)},
      {"kReplaceAppending", Store(files, target, OpenMode::kReplaceAppending, big)},
      {"Copy", files.Copy(temp / L"big.bin", target)},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FailureOf(c.outcome), (Error{ErrorKind::kDiskFull, ERROR_DISK_FULL})) << c.what;
  }
  EXPECT_EQ(ReadRaw(target), "old");
  EXPECT_EQ(NamesIn(L"T:"), Names{L"Tagwright.exe"}) << "no temporary file";
  (void)::tgw::testing::EmptiedTinyDrive();
}

}  // namespace
}  // namespace tgw
