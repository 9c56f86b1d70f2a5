#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "platform/win32/file_system_win.h"
#include "platform/win32/runtime_win.h"
#include "test_support.h"

namespace tgw {
namespace {

using ::tgw::testing::ReadRaw;
using ::tgw::testing::StartedProgram;
using ::tgw::testing::StartProgram;
using ::tgw::testing::TempFolder;
using ::tgw::testing::WaitForExit;

bool EndsWithNoCase(std::wstring_view text, std::wstring_view end) {
  return text.size() >= end.size() &&
         CompareStringOrdinal(text.data() + text.size() - end.size(), static_cast<int>(end.size()),
                              end.data(), static_cast<int>(end.size()), TRUE) == CSTR_EQUAL;
}

// --- ProgramFile ---

TEST(RuntimeTest, ProgramFileIsTheFullPathOfThisProgram) {
  const std::wstring path = Win32Runtime().ProgramFile().value_or(L"");
  ASSERT_GE(path.size(), 7u);
  const bool drive = path[1] == L':' && path[2] == L'\\';
  const bool network = path.starts_with(L"\\\\");
  EXPECT_TRUE(drive || network) << "not a full path";
  EXPECT_TRUE(EndsWithNoCase(path, L"\\win32_tests.exe"));
  EXPECT_TRUE(Win32FileSystem().FileLength(path).ok());
}

TEST(RuntimeTest, ExecutablePathGrowsATooSmallBuffer) {
  const std::wstring path = ExecutablePath().value_or(L"");
  ASSERT_FALSE(path.empty());
  for (const std::size_t capacity : {std::size_t{0}, std::size_t{1}, std::size_t{7},
                                     path.size() - 1, path.size(), path.size() + 1}) {
    EXPECT_EQ(ExecutablePath(capacity).value_or(L""), path) << "first capacity " << capacity;
  }
}

TEST(RuntimeTest, FolderOfPrograms) {
  EXPECT_EQ(FolderOf(L"C:\\setup.exe"), L"C:\\");
  EXPECT_EQ(FolderOf(L"C:\\a\\b.exe"), L"C:\\a");
  EXPECT_TRUE(
      Win32FileSystem().FolderExists(FolderOf(*Win32Runtime().ProgramFile())).value_or(false));
}

// --- Environment ---

class EnvironmentTest : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kName = L"TGW_RUNTIME_TEST_VARIABLE";
  ~EnvironmentTest() override { SetEnvironmentVariableW(kName, nullptr); }
  Win32Runtime runtime_;
};

TEST_F(EnvironmentTest, GivesTheValueOfASetVariable) {
  ASSERT_TRUE(SetEnvironmentVariableW(kName, L"C:\\Some Folder;\u00e9"));
  EXPECT_EQ(runtime_.Environment(kName), L"C:\\Some Folder;\u00e9");
  EXPECT_EQ(runtime_.Environment(L"tgw_runtime_test_variable"), L"C:\\Some Folder;\u00e9")
      << "names ignore letter case";
}

TEST_F(EnvironmentTest, GivesLongValuesWhole) {
  const std::wstring value(20000, L'v');
  ASSERT_TRUE(SetEnvironmentVariableW(kName, value.c_str()));
  EXPECT_EQ(runtime_.Environment(kName), value);
}

TEST_F(EnvironmentTest, IsEmptyForAnAbsentVariable) {
  ASSERT_TRUE(SetEnvironmentVariableW(kName, L"set"));
  ASSERT_TRUE(SetEnvironmentVariableW(kName, nullptr));
  EXPECT_EQ(runtime_.Environment(kName), L"");
  EXPECT_EQ(runtime_.Environment(L""), L"");
  EXPECT_EQ(runtime_.Environment(std::wstring(L"PATH\0X", 6)), L"") << "no cut at a null";
}

TEST_F(EnvironmentTest, ReadsTheProcessEnvironment) {
  EXPECT_FALSE(runtime_.Environment(L"SystemRoot").empty());
  EXPECT_FALSE(runtime_.Environment(L"TEMP").empty());
}

// --- Timer ---

double SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

TEST(RuntimeTest, TimerGivesSecondsSinceLocalMidnight) {
  Win32Runtime runtime;
  const double before = SecondsSinceMidnight();
  const float first = runtime.Timer();
  Sleep(120);
  const float second = runtime.Timer();
  const double after = SecondsSinceMidnight();
  if (after < before) {
    GTEST_SKIP() << "passed midnight while measuring";
  }

  EXPECT_GE(first, 0.0f);
  EXPECT_LT(second, 86400.0f);
  // A float near 86400 keeps about 1/128 s.
  EXPECT_GE(static_cast<double>(first), before - 0.01);
  EXPECT_LE(static_cast<double>(second), after + 0.01);
  EXPECT_NEAR(static_cast<double>(second - first), 0.12, 0.1) << "counts in seconds";
}

// --- EndProgram ---

constexpr const wchar_t* kEndProgramFile = L"TGW_END_PROGRAM_FILE";

// Run only as a child process, by the test below.
TEST(RuntimeChild, DISABLED_EndProgramWithAFileOpen) {
  const std::wstring path = Win32Runtime().Environment(kEndProgramFile);
  ASSERT_FALSE(path.empty());
  Win32FileSystem files;
  auto output = files.OpenOutput(path, OpenMode::kOutput);
  ASSERT_TRUE(output.ok());
  ASSERT_TRUE((*output)->WriteLine(L"before the end").ok());
  Win32Runtime().EndProgram();
  (void)(*output)->WriteLine(L"after the end");  // never runs
}

TEST(RuntimeTest, EndProgramEndsAtOnceKeepingWhatWasWritten) {
  TempFolder temp;
  const std::wstring path = temp / L"ended.txt";
  ASSERT_TRUE(SetEnvironmentVariableW(kEndProgramFile, path.c_str()));
  const StartedProgram child =
      StartProgram(*Win32Runtime().ProgramFile(),
                   L"--gtest_also_run_disabled_tests "
                   L"--gtest_filter=RuntimeChild.DISABLED_EndProgramWithAFileOpen");
  SetEnvironmentVariableW(kEndProgramFile, nullptr);
  ASSERT_TRUE(child.process);
  EXPECT_EQ(WaitForExit(child.process.get(), 60000), 0u);
  EXPECT_EQ(ReadRaw(path), "before the end\r\n");
}

}  // namespace
}  // namespace tgw
