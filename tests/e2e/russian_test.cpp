// The Russian walk-through with the small payload: every caption after picking "Русский", the
// exit question in Russian, and an installation without the desktop icon.

#include <gtest/gtest.h>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

TEST(Russian, WalkThroughWithoutTheDesktopIcon) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  scenario.WriteUserRecord(dir);
  RemoveShortcuts();

  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  EXPECT_EQ(setup.Text(Control::Text1), dir);  // the folder of the record
  setup.SelectLanguage(1);
  EXPECT_EQ(setup.LanguageSelection(), 1);
  ExpectCaptions(setup, RussianCaptions());
  EXPECT_EQ(setup.Text(Control::Description), RussianDescription());

  const Dialog question = OpenExitQuestion(setup);
  ExpectExitQuestion(setup, question, kRussianQuestion);
  question.Press(IDNO);
  question.WaitClosed();

  NextTo(setup, 3);
  ASSERT_EQ(setup.CheckState(Control::Check1), BST_CHECKED);
  setup.Click(Control::Check1);
  ASSERT_EQ(setup.CheckState(Control::Check1), BST_UNCHECKED);
  RunToCompletion(setup, kSmallRunMs);
  EXPECT_EQ(setup.Text(Control::Label7), L"Установка была успешно завершена!");
  EXPECT_EQ(setup.Text(Control::Command3), L"Finish");
  EXPECT_EQ(setup.TextsOf(Control::PRG), ProgressTexts(SmallPayloadNames().size()));
  setup.PostClick(Control::Command3);
  EXPECT_EQ(setup.WaitForExit(), 0u);

  ExpectSmallPayloadInstalled(dir);
  EXPECT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SmallPayloadNames(), false));
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), "Language=russian\r\n");
  EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
  EXPECT_FALSE(FileExists(ShortcutFiles()[0])) << "a desktop icon though the box was cleared";
  for (std::size_t i = 1; i < ShortcutFiles().size(); ++i) {
    EXPECT_TRUE(FileExists(ShortcutFiles()[i])) << ::testing::PrintToString(ShortcutFiles()[i]);
  }
}

TEST(Russian, EnglishAgainRestoresEveryCaption) {
  const Scenario scenario;
  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  setup.SelectLanguage(1);
  EXPECT_EQ(setup.Text(Control::Label1), L"Выберите язык");
  setup.SelectLanguage(0);
  ExpectCaptions(setup, EnglishCaptions());
  EXPECT_EQ(setup.Text(Control::Description), EnglishDescription());
  setup.PostClose();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

}  // namespace
}  // namespace tgw::e2e
