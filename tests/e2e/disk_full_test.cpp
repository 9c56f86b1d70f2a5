// A run onto a drive that fills up on the way: every file in the install folder is then complete
// or absent, none is cut and no temporary file is left, and the completion page says that setup
// did not complete, and why.

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "expected.h"
#include "install.h"
#include "scenario.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

// Room for the install log and one file of the small payload (tmpfs gives whole 4 KiB pages).
constexpr std::uint64_t kRoom = 2 * 4096;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// What each file the run may leave in the install folder holds when complete, by its name in
// lower case; nothing for the install log, which is written line by line.
std::map<std::wstring, std::optional<std::string>> CompleteContents() {
  std::map<std::wstring, std::optional<std::string>> contents;
  for (const std::wstring& name : SmallPayloadNames()) {
    contents[Lower(name)] = ReadFile(SmallPayloadFolder() + L"\\" + name);
  }
  for (const std::wstring name : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    contents[Lower(name)] = ReadFile(SampleFolder() + L"\\runtime\\" + name);
  }
  contents[L"settings.dat"] = "Language=english\r\n";
  contents[L"install.log"] = std::nullopt;
  return contents;
}

TEST(DiskFull, EveryFileIsCompleteOrAbsentAndThePageSaysWhy) {
  const auto free = ::tgw::testing::EmptiedTinyDrive();
  if (!free) GTEST_SKIP() << ::tgw::testing::kNoTinyDrive;
  ASSERT_GT(*free, kRoom);
  ASSERT_TRUE(::tgw::testing::WriteRaw(L"T:\\filler.bin", std::string(*free - kRoom, 'f')));
  const Scenario scenario;
  const std::wstring dir = L"T:\\Tagwright\\";

  {
    const SetupProcess setup(scenario.Options(SmallSetup()));
    InstallRequest request;
    request.folder = ChooseInstallFolder(L"T:\\Tagwright");
    // Into the field: Wine's picker is at times slow to list a drive it has just been given.
    request.folder_entry = FolderEntry::kField;
    const InstallOutcome outcome = DriveToCompletion(setup, request, Deadline(kSmallRunMs));
    EXPECT_EQ(outcome.install_folder, dir);
    setup.Screenshot(ScreenshotPath(L"stage5-not-completed"));
    const std::wstring completion = outcome.completion_text;
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(completion.starts_with(L"Setup did not complete")) << completion;
    EXPECT_NE(completion.find(L"disk full"), std::wstring::npos) << completion;
    EXPECT_EQ(PressFinish(setup, Deadline(kSmallRunMs)), 0u);
  }

  const auto contents = CompleteContents();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::wstring path = entry.path().wstring();
    const auto expected = contents.find(Lower(path.substr(dir.size())));
    if (expected == contents.end()) {
      ADD_FAILURE() << "a file the run does not make: " << ::testing::PrintToString(path);
      continue;
    }
    const auto bytes = ReadFile(path);
    if (expected->second) {
      EXPECT_EQ(bytes, expected->second) << "cut: " << ::testing::PrintToString(path);
    } else {
      EXPECT_TRUE(bytes && bytes->ends_with("\r\n")) << "cut: " << ::testing::PrintToString(path);
    }
  }
  (void)::tgw::testing::EmptiedTinyDrive();
}

}  // namespace
}  // namespace tgw::e2e
