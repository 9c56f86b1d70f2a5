// Installing twice with the same APPDATA: the second start proposes the folder of the first
// install; the second run rewrites the install log and adds a line to the settings file.

#include <gtest/gtest.h>

#include "expected.h"
#include "install.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

TEST(Reinstall, ProposesTheLastFolderAndAddsTheNewLanguage) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  RemoveShortcuts();
  {
    SCOPED_TRACE("first install, English");
    const SetupProcess setup(scenario.Options(SmallSetup(), L"first"));
    setup.WaitForStage(0);
    EXPECT_EQ(setup.Text(Control::Text1), kDefaultInstallDir);  // no record yet
    InstallRequest request;
    request.folder = ChooseInstallFolder(dir.substr(0, dir.size() - 1));
    const InstallOutcome outcome = DriveInstall(setup, request, Deadline(kSmallRunMs));
    EXPECT_TRUE(outcome.completed) << ::testing::PrintToString(outcome.completion_text);
    EXPECT_EQ(outcome.notes, std::vector<std::wstring>{}) << "the folder chosen with the picker";
    EXPECT_EQ(outcome.exit_code, 0u);
    EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
    EXPECT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SmallPayloadNames(), true));
  }
  {
    SCOPED_TRACE("second install, Russian, no desktop icon");
    const SetupProcess setup(scenario.Options(SmallSetup(), L"second"));
    setup.WaitForStage(0);
    EXPECT_EQ(setup.Text(Control::Text1), dir);
    InstallRequest request;
    request.language = Language::kRussian;
    request.desktop_icon = false;
    const InstallOutcome outcome = DriveInstall(setup, request, Deadline(kSmallRunMs));
    EXPECT_EQ(outcome.install_folder, dir);
    EXPECT_TRUE(outcome.completed) << ::testing::PrintToString(outcome.completion_text);
    EXPECT_EQ(outcome.exit_code, 0u);
  }
  ExpectSmallPayloadInstalled(dir);
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), "Language=english\r\nLanguage=russian\r\n");
  EXPECT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SmallPayloadNames(), false));
  EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
}

TEST(Reinstall, ExitDuringTheRunKeepsEveryLineOfTheEarlierLog) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  scenario.WriteUserRecord(dir);
  {
    const SetupProcess setup(scenario.Options(SmallSetup(), L"first"));
    EXPECT_EQ(DriveInstall(setup, {}, Deadline(kSmallRunMs)).exit_code, 0u);
  }
  const std::string earlier = ReadFile(dir + L"install.log").value();
  ASSERT_EQ(earlier, InstallLog(dir, SmallPayloadNames(), true));
  {
    // Ended while the files are written anew, after the log was opened.
    const SetupProcess setup(scenario.Options(SmallSetup(), L"second"));
    setup.WaitForStage(0);
    NextTo(setup, 3);
    setup.PostClick(Control::Command3);
    setup.WaitForTextSet(Control::PRG, ProgressTexts(SmallPayloadNames().size())[3], kSmallRunMs);
    EXPECT_EQ(AnswerExitYes(setup), 0u);
  }
  const std::string log = ReadFile(dir + L"install.log").value();
  for (std::size_t begin = 0, end; (end = earlier.find("\r\n", begin)) != std::string::npos;
       begin = end + 2) {
    EXPECT_NE(log.find(earlier.substr(begin, end - begin + 2)), std::string::npos)
        << earlier.substr(begin, end - begin);
  }
}

}  // namespace
}  // namespace tgw::e2e
