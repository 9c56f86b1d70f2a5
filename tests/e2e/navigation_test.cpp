// Exit, Back and Next on every page, during the run and on the completion page; closing the
// window through its frame.

#include <gtest/gtest.h>

#include <algorithm>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

// Each scenario installs into its own folder, proposed by a record as if installed there before.
class Navigation : public ::testing::Test {
 protected:
  Navigation() {
    scenario.WriteUserRecord(dir);
    RemoveShortcuts();
  }
  SetupOptions Options() const { return scenario.Options(SmallSetup()); }
  // For the scenarios that act while the run goes on: the sample's 30 files take it seconds.
  SetupOptions OptionsWithTheSample() const { return scenario.Options(FullSetup()); }

  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
};

TEST_F(Navigation, NextBackAndExitAnsweredNoOnEveryPage) {
  const SetupProcess setup(Options());
  setup.WaitForStage(0);
  setup.Click(Control::Command2);  // Back on the first page
  EXPECT_EQ(setup.Stage(), 0);
  for (int stage = 0; stage <= 3; ++stage) {
    SCOPED_TRACE("stage " + std::to_string(stage));
    EXPECT_EQ(setup.Stage(), stage);
    AnswerExitNo(setup);
    EXPECT_EQ(setup.Stage(), stage);
    if (stage > 0) {
      setup.Click(Control::Command2);
      setup.WaitForStage(stage - 1);
      setup.Click(Control::Command3);
      setup.WaitForStage(stage);
    }
    if (stage < 3) {
      setup.Click(Control::Command3);
      setup.WaitForStage(stage + 1);
    }
  }
  for (const int stage : {2, 1, 0}) {
    setup.Click(Control::Command2);
    setup.WaitForStage(stage);
  }
  NextTo(setup, 3);
  setup.PostClose();  // before the run, closing asks nothing
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

TEST_F(Navigation, DuringTheRunOnlyExitAnswersAndItCarriesOn) {
  const SetupProcess setup(OptionsWithTheSample());
  setup.WaitForStage(0);
  NextTo(setup, 3);
  setup.PostClick(Control::Command3);
  setup.WaitForStage(4);
  setup.WaitForTextSet(Control::PRG, L"50%", kSampleRunMs);
  // Handled while the run waits between its steps; none changes the page.
  setup.Click(Control::Command3);
  EXPECT_EQ(setup.Stage(), 4);
  setup.Click(Control::Command2);
  EXPECT_EQ(setup.Stage(), 4);
  AnswerExitNo(setup);
  EXPECT_EQ(setup.Stage(), 4);
  AnswerExitNo(setup, /*close_window=*/true);
  EXPECT_TRUE(setup.Running());

  setup.WaitForStage(5, kSampleRunMs);
  EXPECT_EQ(setup.Text(Control::Label7), L"Setup has been successfully completed!");
  // One run only: each step once.
  EXPECT_EQ(setup.TextsOf(Control::PRG), ProgressTexts(SampleNames().size()));
  EXPECT_EQ(setup.TextsOf(Control::Action), ActionTexts(SampleNames(), dir));
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), "Language=english\r\n");

  setup.Click(Control::Command2);  // Back on the completion page
  EXPECT_EQ(setup.Stage(), 5);
  AnswerExitNo(setup);
  EXPECT_EQ(setup.Stage(), 5);
  EXPECT_EQ(AnswerExitYes(setup), 0u);
}

TEST_F(Navigation, ExitAnsweredYesEndsTheProgramOnEachPageBeforeTheRun) {
  for (int stage = 0; stage <= 3; ++stage) {
    SCOPED_TRACE("stage " + std::to_string(stage));
    const SetupProcess setup(Options());
    setup.WaitForStage(0);
    NextTo(setup, stage);
    EXPECT_EQ(AnswerExitYes(setup), 0u);
  }
  EXPECT_FALSE(FolderExists(dir)) << "nothing is installed before the run";
}

TEST_F(Navigation, ClosingTheFirstPageEndsWithoutAQuestion) {
  const SetupProcess setup(Options());
  setup.WaitForStage(0);
  setup.PostClose();
  // A question would keep the process alive: it must end, and no dialog may have shown.
  bool asked = false;
  const bool ended = WaitUntil(
      [&] {
        asked = asked || !setup.Dialogs().empty();
        return !setup.Running();
      },
      5000);
  EXPECT_TRUE(ended) << "still running";
  EXPECT_FALSE(asked);
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

TEST_F(Navigation, ExitAnsweredYesDuringTheRunEndsAtOnceKeepingWhatWasWritten) {
  const std::vector<std::wstring> names = SampleNames();
  const SetupProcess setup(OptionsWithTheSample());
  setup.WaitForStage(0);
  NextTo(setup, 3);
  setup.PostClick(Control::Command3);
  setup.WaitForStage(4);
  setup.WaitForTextSet(Control::PRG, ProgressTexts(names.size())[3],
                       kSampleRunMs);  // a file written
  EXPECT_EQ(AnswerExitYes(setup), 0u);

  const auto expected = ReadFile(SampleFolder() + L"\\product\\" + names[0]);
  EXPECT_EQ(ReadFile(dir + names[0]), expected) << "the first file stays";
  EXPECT_FALSE(FileExists(dir + L"Settings.dat"));
  EXPECT_FALSE(FolderExists(ProgramsFolder() + L"\\Tagwright")) << "no shortcuts made";
  const std::vector<std::wstring> progress = setup.TextsOf(Control::PRG);
  EXPECT_TRUE(std::find(progress.begin(), progress.end(), L"100%") == progress.end());
}

}  // namespace
}  // namespace tgw::e2e
