// The wizard as a user sees it: the English walk-through of the full sample with every caption,
// the exit question, clicks during the run and on the completion page, the run's every percentage
// and what it left on disk (its shortcuts kept for check_shortcuts.sh); an install by tgwauto,
// then a reinstall by hand in Russian that tries Next, Back, Exit and the folder picker on every
// page, then Exit during a third run; the layout at 96 and 144 dots per inch. Pictures of every
// page go to the screenshots folder.

#include <array>
#include <memory>
#include <span>

#include "e2e.h"
#include "wizard/layout.h"

namespace tgw::e2e {

// Every control's caption, and the description, in English: what each page shows. (Those in
// Russian are the unit tests'; the window's are checked for a few.)
// clang-format off
constexpr std::pair<Control, const wchar_t*> kCaptions[] = {
  {Control::Label1, L"Select language"}, {Control::Label2, L"Setup"},
  {Control::Label3, L"Welcome to Tagwright instalation"}, {Control::Label8, L"2"},
  {Control::Frame1, L"Stage 1 of 4"}, {Control::Frame2, L"Stage 2 of 4"},
  {Control::Frame3, L"Stage 3 of 4"}, {Control::Frame4, L"Stage 4 of 4"},
  {Control::Frame5, L"Installation"}, {Control::Frame6, L"OK"}, {Control::Command1, L"Exit"},
  {Control::Command2, L"Back"}, {Control::Command3, L"Next"}, {Control::Command4, L"..."},
  {Control::Label4, L"Please, select directory to install"},
  {Control::Label5, L"Now we available to start instalation. Click Next to start."},
  {Control::Check1, L"Create desktop icon"}, {Control::Label6, L"Progress"},
  {Control::Label7, kComplete},
  {Control::Description,
   L"This programm represent HTML editor, with highlightening syntax and visual editor.\r\n"
   L"This programm is freeware.\r\nVersion: 2.50\r\n"
   L"Official site: https://tagwright.example.org/\r\n"
   L"E-mail for wishes and suggestions: wishes@tagwright.example.org\r\n"},
};
constexpr std::pair<Control, const wchar_t*> kRussianCaptions[] = {
  {Control::Frame2, L"Этап 2 из 4"}, {Control::Label7, kCompleteRussian},
  {Control::Check1, L"Создать иконку на рабочем столе"},
  {Control::Description,
   L"Эта программа представляет из себя HTML редактор, с подсветкой синтаксиса и визуальным "
   L"редатором.\r\nДанное ПО является бесплатным.\r\nВерсия продукта: 2.50\r\n"
   L"Официальный сайт: https://tagwright.example.org/\r\n"
   L"E-mail для пожеланий или предложений: wishes@tagwright.example.org\r\n"},
};
// clang-format on

void ExpectCaptions(const SetupProcess& setup,
                    std::span<const std::pair<Control, const wchar_t*>> captions) {
  for (const auto& [id, text] : captions) EXPECT_EQ(setup.Text(id), text) << static_cast<int>(id);
}

// The exit question over the window in a language, answered No.
void AnswerTheExitQuestionNo(const SetupProcess& setup, bool russian) {
  const Dialog question = OpenExitQuestion(setup);
  EXPECT_EQ(question.Title(), L"Exit");
  EXPECT_EQ(question.ItemText(Dialog::kPromptId),
            russian ? L"Вы действительно хотите выйти?" : L"Are you sure you want to exit?");
  question.Press(IDNO);
  question.WaitClosed();
}

// Stages 0 to 3, each pictured: the captions, the language list, the exit question answered No,
// the proposed folder and the desktop-icon box. Then the run, with Next, Back, Exit and the
// window's close button tried on the way (the last two answered No), and the completion page,
// where Back does nothing and Exit asks; every percentage of the run, what it left on disk, and
// the shortcuts copied to results\shortcuts\ for check_shortcuts.sh, which runs afterwards.
TEST(WalkThrough, EnglishWithTheFullSampleIntoTheDefaultFolder) {
  const Scenario scenario;
  RemoveTree(L"C:\\Program Files\\Tagwright");
  RemoveShortcuts();
  SetupProcess setup(scenario.Options(kFullSetup));
  HookPercentages(setup);
  setup.WaitForStage(kLanguageStage);
  ExpectCaptions(setup, kCaptions);
  EXPECT_EQ(std::tuple(setup.LanguageCount(), setup.LanguageEntry(0), setup.LanguageEntry(1),
                       setup.LanguageSelection()),
            std::tuple(2, L"English", L"Русский", 0));
  setup.Screenshot(Shot(L"stage0-language"));
  AnswerTheExitQuestionNo(setup, /*russian=*/false);
  const wchar_t* const pages[] = {L"stage1-description", L"stage2-folder", L"stage3-desktop-icon"};
  for (int stage = kDescriptionStage; stage <= kDesktopIconStage; ++stage) {
    NextTo(setup, stage);
    setup.Screenshot(Shot(pages[stage - 1]));
  }

  setup.PostClick(Control::Command3);
  setup.WaitForStage(kRunStage);
  EXPECT_TRUE(WaitUntil([&] { return setup.BarPosition() >= 50; }, kRunMs));
  setup.Screenshot(Shot(L"stage4-progress"));
  setup.Click(Control::Command3);
  setup.Click(Control::Command2);
  AnswerExitNo(setup);
  AnswerExitNo(setup, /*close_window=*/true);
  EXPECT_EQ(setup.Stage(), kRunStage);
  setup.WaitForStage(kCompletionStage, kRunMs);
  EXPECT_EQ(
      std::tuple(setup.Text(Control::Label7), setup.Text(Control::Command3), setup.BarPosition()),
      std::tuple(kComplete, L"Finish", 100));
  setup.Screenshot(Shot(L"stage5-completed"));
  setup.Click(Control::Command2);
  AnswerExitNo(setup);
  EXPECT_EQ(setup.Stage(), kCompletionStage);
  // Every step of the run once and in order: the clicks neither stopped nor repeated it.
  std::vector<std::wstring> percentages;
  for (const int p : {5,  25, 50, 51, 53, 54, 56, 57, 59, 60, 62, 63, 65, 66, 68, 69, 71,
                      72, 74, 75, 77, 78, 80, 81, 83, 84, 86, 87, 89, 90, 92, 93, 95, 100}) {
    percentages.push_back(std::to_wstring(p) + L"%");  // the 30 files at 50% to 95%
  }
  EXPECT_EQ(scenario.Percentages(), percentages);
  setup.PostClick(Control::Command3);  // Finish
  EXPECT_EQ(setup.WaitForExit(), 0u);
  ExpectInstalled(scenario, {.dir = L"c:\\program files\\Tagwright\\", .sample = true});
  const std::wstring kept = Built(L"e2e\\results\\shortcuts\\");
  RemoveTree(kept);
  MakeFolders(Built(L"e2e\\results"));
  std::filesystem::copy(ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright", kept);
  CopyFileTo(ShortcutFiles()[0], kept + L"Desktop Tagwright.lnk");
}

// The folder picker on the folder page: another folder cancelled, the drive's root chosen (one
// backslash after the drive; a folder chosen is tgwauto's every install), then `dir` typed.
void UseThePicker(const Scenario& scenario, const SetupProcess& setup, const std::wstring& dir) {
  const std::tuple<std::wstring, std::wstring, int, std::wstring> rows[] = {
      {scenario / L"other", L"other", IDCANCEL, dir}, {L"C:\\", L"C:", IDOK, L"C:\\Tagwright\\"}};
  for (const auto& [chosen, shown, button, field] : rows) {
    MakeFolders(chosen);
    const Dialog picker = OpenFolderPicker(setup);
    ChooseInPicker(setup, picker, chosen, shown);
    picker.Press(button);
    picker.WaitClosed();
    Send(setup.window(), WM_NULL, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return setup.Text(Control::Text1) == field; }, 5000))
        << Utf8(chosen) << " gives " << Utf8(setup.Text(Control::Text1));
  }
  setup.SetText(Control::Text1, dir);
}

// A reinstall by hand in Russian without the desktop icon, into the folder of the record: Back on
// the first page (nothing) and Exit (No), then on every page Next, Back, Next and Exit (No), and
// the folder picker on its page.
void ReinstallInRussian(const Scenario& scenario, const SetupProcess& setup,
                        const std::wstring& dir) {
  setup.WaitForStage(kLanguageStage);
  EXPECT_EQ(setup.Text(Control::Text1), dir);
  setup.SelectLanguage(1);
  ExpectCaptions(setup, kRussianCaptions);
  setup.Click(Control::Command2);
  AnswerTheExitQuestionNo(setup, /*russian=*/true);
  for (int stage = kDescriptionStage; stage <= kDesktopIconStage; ++stage) {
    for (const int to : {stage, stage - 1, stage}) {
      setup.Click(to == stage ? Control::Command3 : Control::Command2);
      setup.WaitForStage(to);
    }
    AnswerExitNo(setup);
    if (stage == kFolderStage) UseThePicker(scenario, setup, dir);
  }
  setup.Click(Control::Check1);
  RunToCompletion(setup, kRunMs);
  EXPECT_EQ(std::tuple(setup.Text(Control::Label7), setup.Text(Control::Command3)),
            std::tuple(kCompleteRussian, L"Finish"));
  setup.PostClick(Control::Command3);
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

// Three runs with the same APPDATA: tgwauto.exe's (English, the desktop icon, the folder chosen
// with the picker; its pictures are run.sh --shots's test); a reinstall by hand, which finds the
// folder in the record, rewrites the log and adds a line to the settings file; a third run ended by
// Exit while the files are written anew, which ends at once and keeps every line of the earlier log
// and the settings as they were.
TEST(WalkThrough, TgwautoThenAReinstallInRussianThenExitDuringAThirdRun) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  RemoveShortcuts();
  scenario.InstallWithTgwauto(kSmallSetup, dir, {L"--language", L"english", L"--desktop-icon"});
  ExpectInstalled(scenario, {.dir = dir});

  RemoveShortcuts();
  ReinstallInRussian(scenario, SetupProcess(scenario.Options(kSmallSetup)), dir);
  const Installed reinstalled{
      .dir = dir, .settings = "Language=english\r\nLanguage=russian\r\n", .desktop_icon = false};
  ExpectInstalled(scenario, reinstalled);

  const std::string earlier = ReadRaw(dir + L"install.log").value_or("");
  const SetupProcess third(scenario.Options(kSmallSetup));
  third.WaitForStage(kLanguageStage);
  NextTo(third, kDesktopIconStage);
  third.PostClick(Control::Command3);
  EXPECT_TRUE(WaitUntil([&] { return third.BarPosition() > 50; }, kRunMs)) << "no file";
  EXPECT_EQ(AnswerExitYes(third), 0u);
  const std::vector<std::wstring> log = Lines(ReadRaw(dir + L"install.log").value_or(""));
  for (const std::wstring& line : Lines(earlier)) {
    EXPECT_NE(std::ranges::find(log, line), log.end()) << Utf8(line);
  }
  EXPECT_EQ(ReadRaw(dir + L"Settings.dat"), reinstalled.settings) << "it ended, not at once";
}

// Every control at the place and size the layout gives it in twips, and the client area the
// layout's, at 96 and 144 dots per inch (the system's, which programs started afterwards get), the
// latter pictured.
TEST(Layout, ControlsWhereTheLayoutPutsThemAt96And144Dpi) {
  const Scenario scenario;
  const auto set_dpi = [](DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
  };
  const std::shared_ptr<void> back_to_96(nullptr, [&](void*) { set_dpi(96); });
  for (const int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    set_dpi(dpi);
    const SetupProcess setup(scenario.Options(kSmallSetup));
    setup.WaitForStage(kLanguageStage);
    const auto pixels = [dpi](int twips) -> LONG {
      return MulDiv(twips, dpi, layout::kTwipsPerInch);
    };
    RECT place{};
    GetClientRect(setup.window(), &place);
    EXPECT_EQ(place.right, pixels(layout::Window().client_width));
    EXPECT_EQ(place.bottom, pixels(layout::Window().client_height));
    for (const layout::ControlLayout& control : layout::Controls()) {
      if (control.kind == layout::Kind::kImage || control.kind == layout::Kind::kLine) continue;
      const HWND window = setup.Find(control.id);
      GetWindowRect(window, &place);
      MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
      // A drop-down list is as high as its font makes it.
      const LONG high = control.kind == layout::Kind::kComboBox ? 0 : 1;
      EXPECT_EQ((std::array{place.left, place.top, place.right - place.left,
                            (place.bottom - place.top) * high}),
                (std::array{pixels(control.left), pixels(control.top), pixels(control.width),
                            pixels(control.height) * high}))
          << "control " << static_cast<int>(control.id);
    }
    if (dpi == 144) setup.Screenshot(Shot(L"stage0-language-150dpi"));
    setup.PostClose();  // before the run, closing asks nothing
    EXPECT_EQ(setup.WaitForExit(5000), 0u);
  }
}

}  // namespace tgw::e2e
