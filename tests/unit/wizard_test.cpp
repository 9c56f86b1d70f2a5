// The wizard's stage machine, captions and messages, against the fake toolkit.
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <deque>
#include <new>

#include "fakes/fake_toolkit.h"
#include "fakes/platform.h"
#include "platform/folder_picker.h"
#include "wizard/strings.h"

namespace tgw {
namespace {

using Pages = std::vector<Control>;
constexpr Control kPages[] = {Control::Frame1, Control::Frame2, Control::Frame3,
                              Control::Frame4, Control::Frame5, Control::Frame6};
const std::wstring kDefault = L"c:\\program files\\Tagwright\\";

class FakePicker : public FolderPicker {
 public:
  std::optional<std::wstring> Pick(std::wstring_view title) override {
    EXPECT_EQ(title, L"");
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::wstring>> answers;
};

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    runtime.tick = 0.01;
    files.AddFolders(L"c:\\program files");
    files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
    files.PutFile(runtime.program_file, "MZs/Parcelon/pa.txt/p/NewFile/pAp/NewFile/p\r\n");
    wizard.Form_Load();
  }
  Pages VisiblePages() {
    Pages shown;
    for (Control page : kPages) {
      if (ui.visible[page]) shown.push_back(page);
    }
    return shown;
  }
  void NextTo(int stage) {
    while (wizard.Stage() < stage) wizard.Command3_Click();
  }
  // The run, with `on_pump` called at every pump of it.
  void RunWith(std::function<void()> on_pump) {
    NextTo(3);
    ui.on_pump = std::move(on_pump);
    wizard.Command3_Click();
  }

  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  FakePicker picker;
  Wizard wizard{{ui, runtime, files, shell}, picker};
};

TEST_F(WizardTest, StartsInEnglishOnTheFirstPage) {
  EXPECT_EQ(wizard.Stage(), 0);
  EXPECT_EQ(ui.list_index, 0);
  EXPECT_EQ(VisiblePages(), Pages{Control::Frame1});
  EXPECT_EQ(wizard.LangStrings(), SplitTable(kEnglishTable));
  EXPECT_EQ(ui.texts[Control::Description], DescriptionEnglish());
  EXPECT_TRUE(DescriptionEnglish().ends_with(L"tagwright.example.org\r\n"));
  EXPECT_EQ(ui.texts[Control::Text1], kDefault);
  const std::pair<Control, const wchar_t*> captions[] = {
      {Control::Label1, L"Select language"},
      {Control::Label2, L"Setup"},
      {Control::Frame1, L"Stage 1 of 4"},
      {Control::Frame4, L"Stage 4 of 4"},
      {Control::Command3, L"Next"},
      {Control::Command2, L"Back"},
      {Control::Command1, L"Exit"},
      {Control::Label4, L"Please, select directory to install"},
      {Control::Frame5, L"Installation"},
      {Control::Label6, L"Progress"},
      {Control::Label7, L"Setup has been successfully completed!"},
      {Control::Label3, L"Welcome to Tagwright instalation"},
      {Control::Label5, L"Now we available to start instalation. Click Next to start."},
      {Control::Check1, L"Create desktop icon"},
      {Control::Frame6, L"OK"},  // not in the tables
  };
  for (const auto& [control, caption] : captions) EXPECT_EQ(ui.captions[control], caption);
}

TEST_F(WizardTest, StartUpRestoresOnlyAnAbsoluteFolder) {
  const std::pair<const char*, std::wstring> rows[] = {
      {"D:\\Apps\\Tagwright\\\r\nsecond line\r\n", L"D:\\Apps\\Tagwright\\"},
      {"d:\\x\r\n", L"d:\\x\\"},  // the final backslash added
      {"\\\\srv\\share\\T", L"\\\\srv\\share\\T\\"},
      {"", kDefault},
      {"Tagwright\\\r\n", kDefault},
      {"\\\\.\\C:\\x\\", kDefault},
  };
  for (const auto& [line, field] : rows) {
    files.PutFile(L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log", line);
    ui.texts[Control::Text1] = kDefault;
    wizard.Form_Load();
    EXPECT_EQ(ui.texts[Control::Text1], field) << line;
  }
}

TEST_F(WizardTest, LanguageSwitchesEveryCaptionAndBack) {
  const auto english = ui.captions;
  ui.list_index = 1;
  wizard.Lang_Click();
  EXPECT_EQ(ui.captions[Control::Frame3], L"Этап 3 из 4");
  EXPECT_EQ(ui.captions[Control::Frame5], L"Установка");
  EXPECT_EQ(ui.captions[Control::Check1], L"Создать иконку на рабочем столе");
  EXPECT_EQ(ui.texts[Control::Description], DescriptionRussian());
  wizard.Command1_Click();
  EXPECT_EQ(ui.messages.back().prompt, L"Вы действительно хотите выйти?");
  EXPECT_EQ(ui.messages.back().title, L"Exit");
  EXPECT_EQ(ui.messages.back().kind, MessageKind::kExitQuestion);
  ui.list_index = 0;
  wizard.Lang_Click();
  EXPECT_EQ(ui.captions, english);
  EXPECT_EQ(ui.texts[Control::Description], DescriptionEnglish());
}

TEST_F(WizardTest, NextAndBackWalkThePagesAndExitAnsweredNoStays) {
  wizard.Command2_Click();  // Back on the first page
  EXPECT_EQ(wizard.Stage(), 0);
  for (int stage : {1, 2, 3, 2, 1, 0}) {
    if (stage > wizard.Stage())
      wizard.Command3_Click();
    else
      wizard.Command2_Click();
    EXPECT_EQ(wizard.Stage(), stage);
    EXPECT_EQ(VisiblePages(), Pages{kPages[stage]});
  }
  for (int stage : {0, 1, 2, 3}) {
    NextTo(stage);
    wizard.Command1_Click();
    EXPECT_EQ(wizard.Stage(), stage);
    EXPECT_EQ(VisiblePages(), Pages{kPages[stage]});
  }
  EXPECT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(runtime.ends, 0);
}

TEST_F(WizardTest, DuringTheRunOnlyExitAsksAndNoEndsNothing) {
  int pumps = 0;
  RunWith([&] {
    if (++pumps != 3) return;
    EXPECT_EQ(wizard.Stage(), 4);
    wizard.Command3_Click();  // Next and Back do nothing while it runs
    wizard.Command2_Click();
    wizard.Command1_Click();  // Exit answered No: the run carries on
    wizard.Form_QueryUnload();
  });
  EXPECT_EQ(ui.CaptionsOf(Control::Action).size(), 5u);  // the run went once
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(wizard.Stage(), 5);
  EXPECT_EQ(VisiblePages(), Pages{Control::Frame6});
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");
  EXPECT_EQ(ui.captions[Control::Label7], L"Setup has been successfully completed!");
  wizard.Command2_Click();  // Back on the completion page does nothing
  EXPECT_EQ(wizard.Stage(), 5);
  wizard.Command1_Click();  // Exit asks here too
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_THROW(wizard.Command3_Click(), fakes::ProgramEnded);  // Finish
}

TEST_F(WizardTest, ExitYesDuringTheRunEndsAtOnceKeepingWhatWasWritten) {
  ui.answer = MessageAnswer::kYes;
  EXPECT_THROW(RunWith([&] {
                 if (files.HasFile(kDefault + L"a.txt")) wizard.Command1_Click();
               }),
               fakes::ProgramEnded);
  EXPECT_EQ(wizard.Stage(), 4);
  EXPECT_EQ(files.Bytes(kDefault + L"a.txt"), "A");
  EXPECT_FALSE(files.HasFile(kDefault + L"Settings.dat"));
}

TEST_F(WizardTest, ARunThatFailsSaysWhyInTheChosenLanguage) {
  ui.list_index = 1;
  wizard.Lang_Click();
  ui.texts[Control::Text1] = L"q:\\no such drive\\Tagwright\\";
  NextTo(5);
  EXPECT_EQ(ui.captions[Control::Label7],
            L"Установка не завершена: не удалось создать папку установки (путь не найден).");
}

TEST_F(WizardTest, AnUnexpectedFailureEndsOnTheCompletionPage) {
  int pumps = 0;
  RunWith([&] {
    if (++pumps == 4) throw std::bad_alloc();
  });
  EXPECT_EQ(wizard.Stage(), 5);
  EXPECT_EQ(VisiblePages(), Pages{Control::Frame6});
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");
  EXPECT_EQ(ui.captions[Control::Label7],
            L"Setup did not complete: an unexpected error stopped it.");
}

TEST(NotCompletedText, NamesWhatDidNotCompleteAndWhy) {
  using Step = Shortfall::Step;
  const Error full{ErrorKind::kDiskFull, 112}, denied{ErrorKind::kAccessDenied, 5};
  InstallOutcome damaged, partial, none;
  damaged.damaged = true;
  partial.file_count = 30;
  partial.shortfalls = {{Step::kFiles, full, {}, 2},
                        {Step::kSettings, full, {}, 0},
                        {Step::kRuntimeCopy, Error{ErrorKind::kInUse, 32}, L"mscomctl.ocx", 0},
                        {Step::kShortcut, denied, L"Official web site", 0},
                        {Step::kLog, full, {}, 0},
                        {Step::kUserRecord, Error{ErrorKind::kOther, 1117}, {}, 0}};
  InstallOutcome folder = partial;  // everything else follows from the folder
  folder.shortfalls.insert(folder.shortfalls.begin(), {Step::kFolder, denied, {}, 0});
  InstallOutcome unread;
  unread.shortfalls = {{Step::kReadSetup, denied, {}, 0}};
  const std::tuple<int, const InstallOutcome*, const wchar_t*> rows[] = {
      {0, &damaged,
       L"Setup did not complete: the setup file is damaged, and nothing was installed. Please "
       L"obtain the setup again."},
      {0, &partial,
       L"Setup did not complete. Not done: 2 of 30 files, the settings file, the install log "
       L"(disk full); mscomctl.ocx (file in use); the shortcut \"Official web site\" (access "
       L"denied); the record of the install folder (error 1117)."},
      {1, &partial,
       L"Установка не завершена. Не выполнено: 2 из 30 файлов, файл настроек, журнал установки "
       L"(диск заполнен); mscomctl.ocx (файл занят); ярлык «Official web site» (отказано в "
       L"доступе); запись о папке установки (ошибка 1117)."},
      {0, &folder,
       L"Setup did not complete: the install folder could not be created (access denied)."},
      {0, &none, L"Setup did not complete: this setup holds no files to install."},
      {0, &unread, L"Setup did not complete: the setup file could not be read (access denied)."},
  };
  for (const auto& [language, outcome, text] : rows) {
    EXPECT_EQ(NotCompletedText(language, *outcome), text);
  }
}

TEST_F(WizardTest, TheFolderButtonSetsTheFieldToARecordableFolder) {
  picker.answers = {L"C:\\Program Files", L"C:\\Tools", L"C:\\Tools", std::nullopt, L"D:\\"};
  for (const wchar_t* field : {L"C:\\Program Files\\Tagwright\\", L"C:\\Tools\\Tagwright\\",
                               L"C:\\Tools\\Tagwright\\",  // not nested
                               L"C:\\Tools\\Tagwright\\",  // cancelled: the field stays
                               L"D:\\Tagwright\\"}) {
    wizard.Command4_Click();
    EXPECT_EQ(ui.texts[Control::Text1], field);
  }
  // A name the records cannot hold in the ANSI code page: its short form (only an existing folder
  // has one), or a refusal in the chosen language.
  files.AddFolders(L"C:\\Данные");
  files.short_names[L"c:\\данные"] = L"C:\\F1E8~1";
  picker.answers = {L"C:\\Данные", L"C:\\папка", L"C:\\папка"};
  wizard.Command4_Click();
  EXPECT_EQ(ui.texts[Control::Text1], L"C:\\F1E8~1\\Tagwright\\");
  wizard.Command4_Click();
  ui.list_index = 1;
  wizard.Lang_Click();
  wizard.Command4_Click();
  EXPECT_EQ(ui.texts[Control::Text1], L"C:\\F1E8~1\\Tagwright\\");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::kWarning);
  EXPECT_EQ(ui.messages[0].title, L"Setup");
  EXPECT_TRUE(ui.messages[0].prompt.starts_with(L"The name of this folder cannot be stored"));
  EXPECT_EQ(ui.messages[1].title, L"Установка");
  EXPECT_TRUE(ui.messages[1].prompt.starts_with(L"Имя этой папки нельзя сохранить"));
}

TEST_F(WizardTest, ClosingTheWindowAsksOnlyDuringTheRun) {
  EXPECT_THROW(wizard.Form_QueryUnload(), fakes::ProgramEnded);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tgw
