// The whole English walk-through with the full sample product, into the default folder: every
// caption on every page, the exit question, the progress of the run, then everything the run left
// on disk. Screenshots of each page go to the screenshots folder; the shortcut files are copied
// to the results folder, where a native check reads them back (check_shortcuts.sh).

#include <gtest/gtest.h>

#include <algorithm>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

void CheckFirstPage(const SetupProcess& setup) {
  SCOPED_TRACE("stage 0: language");
  EXPECT_EQ(WindowText(setup.window()), L"Setup of Tagwright 2");
  ExpectCaptions(setup, EnglishCaptions());
  ASSERT_EQ(setup.LanguageCount(), 2);
  EXPECT_EQ(setup.LanguageEntry(0), L"English");
  EXPECT_EQ(setup.LanguageEntry(1), L"Русский");
  EXPECT_EQ(setup.LanguageSelection(), 0);
  for (const Control shown :
       {Control::Label1, Control::Label2, Control::Label3, Control::Label8, Control::Lang,
        Control::Command1, Control::Command2, Control::Command3}) {
    EXPECT_TRUE(setup.Visible(shown)) << static_cast<int>(shown);
  }
  EXPECT_FALSE(setup.Visible(Control::English));
  EXPECT_FALSE(setup.Visible(Control::Russian));
  setup.Screenshot(ScreenshotPath(L"stage0-language"));

  const Dialog question = OpenExitQuestion(setup);
  ExpectExitQuestion(setup, question, kEnglishQuestion);
  setup.Screenshot(ScreenshotPath(L"exit-question"), {question.handle()});
  question.Press(IDNO);
  question.WaitClosed();
  Send(setup.window(), WM_NULL, 0, 0);
  EXPECT_TRUE(setup.Running());
  EXPECT_EQ(setup.Stage(), 0);
}

void CheckPagesBeforeTheRun(const SetupProcess& setup) {
  NextTo(setup, 1);
  {
    SCOPED_TRACE("stage 1: description");
    EXPECT_EQ(setup.Text(Control::Frame2), L"Stage 2 of 4");
    EXPECT_EQ(setup.Text(Control::Description), EnglishDescription());
    EXPECT_TRUE(setup.Visible(Control::Description));
    setup.Screenshot(ScreenshotPath(L"stage1-description"));
  }
  NextTo(setup, 2);
  {
    SCOPED_TRACE("stage 2: install folder");
    EXPECT_EQ(setup.Text(Control::Frame3), L"Stage 3 of 4");
    EXPECT_EQ(setup.Text(Control::Label4), L"Please, select directory to install");
    EXPECT_EQ(setup.Text(Control::Text1), kDefaultInstallDir);
    EXPECT_EQ(setup.Text(Control::Command4), L"...");
    EXPECT_TRUE(setup.Visible(Control::Text1));
    EXPECT_TRUE(setup.Visible(Control::Command4));
    setup.Screenshot(ScreenshotPath(L"stage2-folder"));
  }
  NextTo(setup, 3);
  {
    SCOPED_TRACE("stage 3: desktop icon");
    EXPECT_EQ(setup.Text(Control::Frame4), L"Stage 4 of 4");
    EXPECT_EQ(setup.Text(Control::Label5),
              L"Now we available to start instalation. Click Next to start.");
    EXPECT_EQ(setup.Text(Control::Check1), L"Create desktop icon");
    EXPECT_EQ(setup.CheckState(Control::Check1), BST_CHECKED);
    setup.Screenshot(ScreenshotPath(L"stage3-desktop-icon"));
  }
}

void CheckTheRun(const SetupProcess& setup, const std::vector<std::wstring>& names) {
  setup.PostClick(Control::Command3);
  setup.WaitForStage(4);
  {
    SCOPED_TRACE("stage 4: progress");
    EXPECT_EQ(setup.Text(Control::Frame5), L"Installation");
    EXPECT_EQ(setup.Text(Control::Label6), L"Progress");
    EXPECT_TRUE(setup.Visible(Control::Bar));
    setup.WaitForTextSet(Control::PRG, L"72%", kSampleRunMs);
    setup.Screenshot(ScreenshotPath(L"stage4-progress"));
  }
  setup.WaitForStage(5, kSampleRunMs);
  {
    SCOPED_TRACE("stage 5: completion");
    EXPECT_EQ(setup.Text(Control::Label7), L"Setup has been successfully completed!");
    EXPECT_EQ(setup.Text(Control::Command3), L"Finish");
    EXPECT_EQ(setup.Text(Control::Frame6), L"OK");
    EXPECT_EQ(setup.Text(Control::PRG), L"100%");
    EXPECT_EQ(setup.BarPosition(), 100);
    setup.Screenshot(ScreenshotPath(L"stage5-completed"));
  }
  // Every step of the run, once and in order.
  EXPECT_EQ(setup.TextsOf(Control::PRG), ProgressTexts(names.size()));
  EXPECT_EQ(setup.TextsOf(Control::Action), ActionTexts(names, kDefaultInstallDir));
}

void CheckInstalledFiles(const Scenario& scenario, const std::vector<std::wstring>& names) {
  const std::wstring dir = kDefaultInstallDir;
  const std::wstring product = SampleFolder() + L"\\product\\";
  for (const std::wstring& name : names) {
    const auto expected = ReadFile(product + name);
    ASSERT_TRUE(expected.has_value())
        << "cannot read the sample's " << ::testing::PrintToString(name);
    EXPECT_EQ(ReadFile(dir + name), expected) << ::testing::PrintToString(name);
  }
  for (const wchar_t* folder :
       {L"languages\\russian", L"languages\\english", L"plug-ins", L"templates"}) {
    EXPECT_TRUE(FolderExists(dir + folder)) << ::testing::PrintToString(std::wstring(folder));
  }

  const std::string log = InstallLog(dir, names, /*desktop_icon=*/true);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 35);  // folder, 30 files, 4 shortcuts
  EXPECT_EQ(ReadFile(dir + L"install.log"), log);
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), "Language=english\r\n");
  EXPECT_EQ(ReadFile(scenario.UserRecord()), "c:\\program files\\Tagwright\\\r\n");
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    const auto expected = ReadFile(SampleFolder() + L"\\runtime\\" + runtime);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(ReadFile(dir + runtime), expected) << ::testing::PrintToString(std::wstring(runtime));
  }
}

// Copies the shortcuts to results\shortcuts\ (Desktop\ and Programs\Tagwright\) for the native
// check, which runs after this test.
void KeepShortcuts() {
  const std::wstring kept = ResultsFolder() + L"\\shortcuts";
  RemoveTree(kept);
  MakeFolders(kept + L"\\Desktop");
  MakeFolders(kept + L"\\Programs\\Tagwright");
  const std::vector<std::wstring> files = ShortcutFiles();
  const std::wstring copies[] = {L"\\Desktop\\Tagwright.lnk",
                                 L"\\Programs\\Tagwright\\Tagwright.lnk",
                                 L"\\Programs\\Tagwright\\Official web site.lnk",
                                 L"\\Programs\\Tagwright\\Uninstall Tagwright.lnk"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    ASSERT_TRUE(FileExists(files[i])) << ::testing::PrintToString(files[i]);
    CopyFileTo(files[i], kept + copies[i]);
  }
}

TEST(English, FullSampleWalkThroughIntoTheDefaultFolder) {
  const Scenario scenario;
  RemoveTree(L"C:\\Program Files\\Tagwright");
  RemoveShortcuts();
  const std::vector<std::wstring> names = SampleNames();
  ASSERT_EQ(names.size(), 30u);

  const SetupProcess setup(scenario.Options(FullSetup()));
  setup.WaitForStage(0);
  CheckFirstPage(setup);
  CheckPagesBeforeTheRun(setup);
  CheckTheRun(setup, names);
  setup.PostClick(Control::Command3);  // Finish
  EXPECT_EQ(setup.WaitForExit(), 0u);

  CheckInstalledFiles(scenario, names);
  KeepShortcuts();
}

}  // namespace
}  // namespace tgw::e2e
