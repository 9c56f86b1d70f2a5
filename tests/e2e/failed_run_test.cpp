// A run whose install folder cannot be made still goes through every step and says on the
// completion page that setup did not complete.

#include <gtest/gtest.h>

#include "expected.h"
#include "install.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

TEST(FailedRun, AnInstallFolderThatCannotBeMadeIsReported) {
  const Scenario scenario;
  const std::wstring dir = L"c:\\no\\such\\parent\\Tagwright\\";
  RemoveTree(L"C:\\no");
  scenario.WriteUserRecord(dir);  // as left by an install into a folder since removed

  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  EXPECT_EQ(setup.Text(Control::Text1), dir);
  const InstallOutcome outcome = DriveToCompletion(setup, {}, Deadline(kSmallRunMs));
  EXPECT_FALSE(outcome.completed);
  const std::wstring completion = outcome.completion_text;
  EXPECT_TRUE(completion.starts_with(L"Setup did not complete"))
      << ::testing::PrintToString(completion);
  EXPECT_EQ(completion,
            L"Setup did not complete: the install folder could not be created (path not found).");
  EXPECT_EQ(setup.Text(Control::Command3), L"Finish");
  EXPECT_EQ(setup.TextsOf(Control::PRG).back(), L"100%");
  EXPECT_FALSE(FolderExists(L"C:\\no"));
  EXPECT_EQ(PressFinish(setup, Deadline(kSmallRunMs)), 0u);
}

}  // namespace
}  // namespace tgw::e2e
