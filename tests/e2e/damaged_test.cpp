// A setup damaged on its way (cut short, or a byte changed) installs nothing, leaves no folder of
// its own and says so; bytes appended after its container (a signature) and an older setup
// without an integrity record still install.

#include <gtest/gtest.h>

#include <functional>

#include "expected.h"
#include "install.h"
#include "scenario.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

constexpr char kStart[] = "s/Parcelon/p";
constexpr char kFileMarker[] = "p/NewFile/p";
constexpr std::size_t kMarker = 12;
constexpr std::size_t kRecord = 103;

TEST(Damaged, SetupsInstallNothingAndSaySo) {
  const Scenario scenario;
  const std::string intact = ReadFile(SmallSetup()).value();
  const std::size_t first = intact.find(kStart);
  ASSERT_NE(first, std::string::npos);
  ASSERT_EQ(intact.compare(first + kMarker, 9, "tgw-body "), 0) << "no integrity record";
  const std::size_t body = first + kMarker + kRecord + kMarker;
  const std::size_t names_end = intact.find(kFileMarker, body);
  const std::size_t second_content = intact.find(kFileMarker, names_end + 11) + 11;
  const std::size_t closing = intact.rfind(kFileMarker);

  struct Case {
    const char* what;
    std::function<void(std::string&)> change;
    bool installs;
  };
  const Case cases[] = {
      {"cut in the name list", [&](std::string& b) { b.resize(body + 3); }, false},
      {"cut in a content", [&](std::string& b) { b.resize(second_content + 2); }, false},
      {"cut in the closing marker", [&](std::string& b) { b.resize(closing + 5); }, false},
      {"cut in the trailer", [](std::string& b) { b.pop_back(); }, false},
      {"a byte changed in the name list", [&](std::string& b) { b[body + 1] ^= 0x01; }, false},
      {"a byte changed in a content", [&](std::string& b) { b[second_content] ^= 0x40; }, false},
      {"a byte changed in the trailer", [](std::string& b) { b.back() = ' '; }, false},
      {"a signature appended", [](std::string& b) { b += std::string(3000, '\x30'); }, true},
      {"no integrity record", [&](std::string& b) { b.erase(first + kMarker, kRecord); }, true},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& test = cases[i];
    SCOPED_TRACE(test.what);
    const std::wstring folder = scenario / (L"case" + std::to_wstring(i) + L"\\");
    MakeFolders(folder);
    std::string bytes = intact;
    test.change(bytes);
    ASSERT_TRUE(::tgw::testing::WriteRaw(folder + L"setup.exe", bytes));
    for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
      CopyFileTo(SampleFolder() + L"\\runtime\\" + runtime, folder + runtime);
    }
    const std::wstring dir = folder + L"Tagwright\\";

    const SetupProcess setup(
        scenario.Options(folder + L"setup.exe", L"texts" + std::to_wstring(i)));
    // The folder put into the field, as tgwauto does where the picker cannot choose it.
    InstallRequest request;
    request.folder = ChooseInstallFolder(folder + L"Tagwright");
    request.folder_entry = FolderEntry::kField;
    const InstallOutcome outcome = DriveToCompletion(setup, request, Deadline(kSmallRunMs));
    EXPECT_EQ(outcome.install_folder, dir);
    EXPECT_EQ(outcome.completed, test.installs);
    if (test.installs) {
      EXPECT_EQ(outcome.completion_text, L"Setup has been successfully completed!");
    } else {
      if (i == 0) setup.Screenshot(ScreenshotPath(L"stage5-damaged"));
      EXPECT_EQ(outcome.completion_text,
                L"Setup did not complete: the setup file is damaged, and nothing was installed. "
                L"Please obtain the setup again.");
    }
    EXPECT_EQ(PressFinish(setup, Deadline(kSmallRunMs)), 0u);
    if (test.installs) {
      ExpectSmallPayloadInstalled(dir);
    } else {
      EXPECT_FALSE(FolderExists(dir));
      EXPECT_FALSE(FileExists(scenario.UserRecord()));
    }
  }
}

}  // namespace
}  // namespace tgw::e2e
