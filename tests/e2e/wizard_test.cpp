// The wizard as a user sees it: the English walk-through of the full sample with every caption,
// the exit question, clicks during the run and on the completion page, the run's every percentage
// and what it left on disk (its shortcuts kept for check_shortcuts.sh); a reinstall, first by
// tgwauto, then by hand in Russian; Exit during a reinstall; Next, Back, Exit and the folder picker
// on every page; the layout at 96 and 144 dots per inch. Pictures of every page go to the
// screenshots folder.

#include <memory>
#include <tuple>

#include "e2e.h"
#include "wizard/layout.h"

namespace tgw::e2e {
namespace {

constexpr wchar_t kDefaultInstallDir[] = L"c:\\program files\\Tagwright\\";

struct Caption {
  Control id;
  const wchar_t* english;
  const wchar_t* russian;
};

// clang-format off
constexpr Caption kCaptions[] = {
  {Control::Label1,   L"Select language",                     L"Выберите язык"},
  {Control::Label2,   L"Setup",                               L"Установка"},
  {Control::Label3,   L"Welcome to Tagwright instalation",
                      L"Вас приветствует установка Tagwright"},
  {Control::Label8,   L"2",                                   L"2"},
  {Control::Frame1,   L"Stage 1 of 4",                        L"Этап 1 из 4"},
  {Control::Frame2,   L"Stage 2 of 4",                        L"Этап 2 из 4"},
  {Control::Frame3,   L"Stage 3 of 4",                        L"Этап 3 из 4"},
  {Control::Frame4,   L"Stage 4 of 4",                        L"Этап 4 из 4"},
  {Control::Frame5,   L"Installation",                        L"Установка"},
  {Control::Frame6,   L"OK",                                  L"OK"},
  {Control::Command1, L"Exit",                                L"Выход"},
  {Control::Command2, L"Back",                                L"Назад"},
  {Control::Command3, L"Next",                                L"Далее"},
  {Control::Command4, L"...",                                 L"..."},
  {Control::Label4,   L"Please, select directory to install", L"Выберите директорию для установки"},
  {Control::Label5,   L"Now we available to start instalation. Click Next to start.",
                      L"Все готово для начала установки. Нажмите Далее для продолжения."},
  {Control::Check1,   L"Create desktop icon",                 L"Создать иконку на рабочем столе"},
  {Control::Label6,   L"Progress",                            L"Прогресс"},
  {Control::Label7,   kComplete,                              kCompleteRussian},
  {Control::Description,
   L"This programm represent HTML editor, with highlightening syntax and visual editor.\r\n"
   L"This programm is freeware.\r\nVersion: 2.50\r\n"
   L"Official site: https://tagwright.example.org/\r\n"
   L"E-mail for wishes and suggestions: wishes@tagwright.example.org\r\n",
   L"Эта программа представляет из себя HTML редактор, с подсветкой синтаксиса и визуальным "
   L"редатором.\r\nДанное ПО является бесплатным.\r\nВерсия продукта: 2.50\r\n"
   L"Официальный сайт: https://tagwright.example.org/\r\n"
   L"E-mail для пожеланий или предложений: wishes@tagwright.example.org\r\n"},
};
// clang-format on

// Every control's caption, and the description, in a language.
void ExpectCaptions(const SetupProcess& setup, bool russian) {
  for (const Caption& row : kCaptions) {
    EXPECT_EQ(setup.Text(row.id), russian ? row.russian : row.english) << static_cast<int>(row.id);
  }
}

// The exit question over the window, in a language (its Yes and No are pressed).
void ExpectExitQuestion(const Dialog& question, bool russian) {
  EXPECT_EQ(question.Title(), L"Exit");
  EXPECT_EQ(question.ItemText(Dialog::kPromptId),
            russian ? L"Вы действительно хотите выйти?" : L"Are you sure you want to exit?");
}

// Stages 0 to 3 of the English walk-through, each pictured: the captions, the language list, the
// exit question answered No, the proposed folder and the desktop-icon box.
void WalkToTheRun(const SetupProcess& setup) {
  setup.WaitForStage(kLanguageStage);
  ExpectCaptions(setup, /*russian=*/false);
  EXPECT_EQ(setup.LanguageCount(), 2);
  EXPECT_EQ(setup.LanguageEntry(0), L"English");
  EXPECT_EQ(setup.LanguageEntry(1), L"Русский");
  EXPECT_EQ(setup.LanguageSelection(), 0);
  setup.Screenshot(Shot(L"stage0-language"));
  const Dialog question = OpenExitQuestion(setup);
  ExpectExitQuestion(question, /*russian=*/false);
  setup.Screenshot(Shot(L"exit-question"), {question.handle()});
  question.Press(IDNO);
  question.WaitClosed();
  const wchar_t* const pages[] = {L"stage1-description", L"stage2-folder", L"stage3-desktop-icon"};
  for (int stage = kDescriptionStage; stage <= kDesktopIconStage; ++stage) {
    NextTo(setup, stage);
    setup.Screenshot(Shot(pages[stage - 1]));
  }
  EXPECT_EQ(setup.Text(Control::Text1), kDefaultInstallDir);
  EXPECT_EQ(setup.CheckState(Control::Check1), BST_CHECKED);
}

// The run, with Next, Back, Exit and the window's close button tried on the way (the last two
// answered No), then the completion page, where Back does nothing and Exit asks.
void RunWithClicks(const SetupProcess& setup) {
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
  EXPECT_EQ(setup.Text(Control::Label7), kComplete);
  EXPECT_EQ(setup.Text(Control::Command3), L"Finish");
  EXPECT_EQ(setup.BarPosition(), 100);
  setup.Screenshot(Shot(L"stage5-completed"));
  setup.Click(Control::Command2);
  AnswerExitNo(setup);
  EXPECT_EQ(setup.Stage(), kCompletionStage);
}

// The shortcuts, copied to results\shortcuts\ for check_shortcuts.sh, which runs afterwards.
void KeepShortcuts() {
  const std::wstring kept = Built(L"e2e\\results\\shortcuts\\");
  RemoveTree(kept);
  std::filesystem::copy(ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright", kept);
  CopyFileTo(ShortcutFiles()[0], kept + L"Desktop Tagwright.lnk");
}

TEST(WalkThrough, EnglishWithTheFullSampleIntoTheDefaultFolder) {
  const Scenario scenario;
  RemoveTree(L"C:\\Program Files\\Tagwright");
  RemoveShortcuts();
  const SetupProcess setup(scenario.Options(FullSetup()));
  WalkToTheRun(setup);
  RunWithClicks(setup);
  // Every step of the run once and in order: the clicks neither stopped nor repeated it.
  std::vector<std::wstring> percentages;
  for (const int p : {5,  25, 50, 51, 53, 54, 56, 57, 59, 60, 62, 63, 65, 66, 68, 69, 71,
                      72, 74, 75, 77, 78, 80, 81, 83, 84, 86, 87, 89, 90, 92, 93, 95, 100}) {
    percentages.push_back(std::to_wstring(p) + L"%");  // the 30 files at 50% to 95%
  }
  EXPECT_EQ(setup.TextsOf(Control::PRG), percentages);
  setup.PostClick(Control::Command3);  // Finish
  EXPECT_EQ(setup.WaitForExit(), 0u);
  ExpectInstalled(scenario, {.dir = kDefaultInstallDir, .sample = true});
  KeepShortcuts();
}

// A reinstall by hand in Russian without the desktop icon, into the folder of the record.
void ReinstallInRussian(const SetupProcess& setup, const std::wstring& dir) {
  setup.WaitForStage(kLanguageStage);
  EXPECT_EQ(setup.Text(Control::Text1), dir);
  setup.SelectLanguage(1);
  ExpectCaptions(setup, /*russian=*/true);
  const Dialog question = OpenExitQuestion(setup);
  ExpectExitQuestion(question, /*russian=*/true);
  question.Press(IDNO);
  question.WaitClosed();
  NextTo(setup, kDesktopIconStage);
  setup.Click(Control::Check1);
  RunToCompletion(setup, kRunMs);
  EXPECT_EQ(setup.Text(Control::Label7), kCompleteRussian);
  EXPECT_EQ(setup.Text(Control::Command3), L"Finish");
  setup.PostClick(Control::Command3);
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

// Exit answered Yes while the files are written anew, after the log was opened: the setup ends at
// once.
void ExitDuringTheRun(const SetupProcess& setup) {
  setup.WaitForStage(kLanguageStage);
  NextTo(setup, kDesktopIconStage);
  setup.PostClick(Control::Command3);
  EXPECT_TRUE(WaitUntil([&] { return setup.BarPosition() > 50; }, kRunMs)) << "no file";
  EXPECT_EQ(AnswerExitYes(setup), 0u);
  EXPECT_EQ(std::ranges::count(setup.TextsOf(Control::PRG), L"100%"), 0) << "not ended at once";
}

// Three runs with the same APPDATA: tgwauto.exe's (English, the desktop icon, the folder chosen
// with the picker, a picture of every page); a reinstall by hand, which finds the folder in the
// record, rewrites the log and adds a line to the settings file; a third run ended by Exit, which
// keeps every line of the earlier log and the settings as they were.
TEST(WalkThrough, TgwautoThenAReinstallInRussianThenExitDuringAThirdRun) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  RemoveShortcuts();
  const std::wstring pictures = ShotFolder(L"tgwauto");
  scenario.InstallWithTgwauto(SmallSetup(), dir,
                              {L"--language", L"english", L"--desktop-icon", L"--shots", pictures});
  for (const wchar_t* name :
       {L"stage0-language", L"stage1-description", L"folder-picker", L"stage2-folder",
        L"stage3-desktop-icon", L"stage4-progress", L"stage5-completion"}) {
    EXPECT_TRUE(IsPng(pictures + L"\\" + name + L".png")) << Utf8(name);
  }
  ExpectInstalled(scenario, {.dir = dir});

  RemoveShortcuts();
  ReinstallInRussian(SetupProcess(scenario.Options(SmallSetup())), dir);
  const Installed reinstalled{
      .dir = dir, .settings = "Language=english\r\nLanguage=russian\r\n", .desktop_icon = false};
  ExpectInstalled(scenario, reinstalled);

  const std::string earlier = ReadFile(dir + L"install.log").value_or("");
  ExitDuringTheRun(SetupProcess(scenario.Options(SmallSetup())));
  const std::string log = ReadFile(dir + L"install.log").value_or("");
  for (std::size_t begin = 0, end; (end = earlier.find("\r\n", begin)) != std::string::npos;
       begin = end + 2) {
    EXPECT_NE(log.find(earlier.substr(begin, end - begin + 2)), std::string::npos)
        << earlier.substr(begin, end - begin);
  }
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), reinstalled.settings) << "the run went on";
}

// The folder picker on the folder page: a folder chosen (pictured), another one cancelled, the
// drive's root chosen (one backslash after the drive).
void UseThePicker(const Scenario& scenario, const SetupProcess& setup) {
  const std::wstring chosen = scenario / L"chosen";
  const std::tuple<std::wstring, const wchar_t*, int, std::wstring> rows[] = {
      {chosen, L"chosen", IDOK, chosen + L"\\Tagwright\\"},
      {scenario / L"other", L"other", IDCANCEL, chosen + L"\\Tagwright\\"},
      {L"C:\\", L"C:", IDOK, L"C:\\Tagwright\\"}};
  for (const auto& [folder, shown, button, field] : rows) {
    MakeFolders(folder);
    const Dialog picker = OpenFolderPicker(setup);
    ChooseInPicker(setup, picker, folder, shown);
    if (folder == chosen) setup.Screenshot(Shot(L"folder-picker"), {picker.handle()});
    picker.Press(button);
    picker.WaitClosed();
    Send(setup.window(), WM_NULL, 0, 0);
    WaitUntil([&] { return setup.Text(Control::Text1) == field; }, 5000);
    EXPECT_EQ(setup.Text(Control::Text1), field) << Utf8(folder);
  }
}

TEST(Navigation, NextBackExitAndThePickerOnEveryPage) {
  const Scenario scenario;
  const SetupProcess setup(scenario.Options(SmallSetup()), false);
  setup.WaitForStage(kLanguageStage);
  setup.Click(Control::Command2);  // Back on the first page
  AnswerExitNo(setup);
  for (int stage = kDescriptionStage; stage <= kDesktopIconStage; ++stage) {
    SCOPED_TRACE("stage " + std::to_string(stage));
    for (const int to : {stage, stage - 1, stage}) {  // Next, Back, Next
      setup.Click(to == stage ? Control::Command3 : Control::Command2);
      setup.WaitForStage(to);
    }
    AnswerExitNo(setup);
    if (stage == kFolderStage) UseThePicker(scenario, setup);
    EXPECT_EQ(setup.Stage(), stage);
  }
  EXPECT_EQ(AnswerExitYes(setup), 0u);
  EXPECT_FALSE(FolderExists(L"C:\\Tagwright")) << "nothing is installed before the run";
}

// Sets the system DPI that programs started afterwards get.
void SetSystemDpi(DWORD dots_per_inch) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                            &dots_per_inch, sizeof dots_per_inch),
            ERROR_SUCCESS);
}

// Every control at the place and size the layout gives it in twips, and the client area the
// layout's, at `dpi` (15 twips a pixel at 96, 10 at 144).
void ExpectLayout(const SetupProcess& setup, int dpi) {
  const auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, layout::kTwipsPerInch); };
  RECT client{};
  GetClientRect(setup.window(), &client);
  EXPECT_EQ(client.right, pixels(layout::Window().client_width));
  EXPECT_EQ(client.bottom, pixels(layout::Window().client_height));
  for (const layout::ControlLayout& control : layout::Controls()) {
    if (control.kind == layout::Kind::kImage || control.kind == layout::Kind::kLine) continue;
    SCOPED_TRACE("control " + std::to_string(static_cast<int>(control.id)));
    const HWND window = setup.Find(control.id);
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, pixels(control.left));
    EXPECT_EQ(place.top, pixels(control.top));
    EXPECT_EQ(place.right - place.left, pixels(control.width));
    // A drop-down list is as high as its font makes it.
    if (control.kind != layout::Kind::kComboBox) {
      EXPECT_EQ(place.bottom - place.top, pixels(control.height));
    }
  }
}

TEST(Layout, ControlsWhereTheLayoutPutsThemAt96And144Dpi) {
  const Scenario scenario;
  const std::shared_ptr<void> back_to_96(nullptr, [](void*) { SetSystemDpi(96); });
  for (const int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    SetSystemDpi(dpi);
    const SetupProcess setup(scenario.Options(SmallSetup()), false);
    setup.WaitForStage(kLanguageStage);
    ExpectLayout(setup, dpi);
    if (dpi == 144) setup.Screenshot(Shot(L"stage0-language-150dpi"));
    setup.PostClose();  // before the run, closing asks nothing
    EXPECT_EQ(setup.WaitForExit(5000), 0u);
  }
}

}  // namespace
}  // namespace tgw::e2e
