// Installing twice with the same APPDATA: the second start proposes the folder of the first
// install; the second run rewrites the install log and adds a line to the settings file.

#include <gtest/gtest.h>

#include "expected.h"
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
    NextTo(setup, 2);
    EXPECT_EQ(setup.Text(Control::Text1), kDefaultInstallDir);  // no record yet
    // The folder as the picker would put it (the picker has a scenario of its own).
    setup.SetText(Control::Text1, dir);
    NextTo(setup, 3);
    RunToCompletion(setup, kSmallRunMs);
    setup.PostClick(Control::Command3);
    EXPECT_EQ(setup.WaitForExit(), 0u);
    EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
    EXPECT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SmallPayloadNames(), true));
  }
  {
    SCOPED_TRACE("second install, Russian, no desktop icon");
    const SetupProcess setup(scenario.Options(SmallSetup(), L"second"));
    setup.WaitForStage(0);
    EXPECT_EQ(setup.Text(Control::Text1), dir);
    setup.SelectLanguage(1);
    NextTo(setup, 3);
    setup.Click(Control::Check1);
    ASSERT_EQ(setup.CheckState(Control::Check1), BST_UNCHECKED);
    RunToCompletion(setup, kSmallRunMs);
    setup.PostClick(Control::Command3);
    EXPECT_EQ(setup.WaitForExit(), 0u);
  }
  ExpectSmallPayloadInstalled(dir);
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), "Language=english\r\nLanguage=russian\r\n");
  EXPECT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SmallPayloadNames(), false));
  EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
}

}  // namespace
}  // namespace tgw::e2e
