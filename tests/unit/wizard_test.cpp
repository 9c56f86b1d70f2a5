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

using enum Control;
using Pages = std::vector<Control>;
constexpr Control kPages[] = {Frame1, Frame2, Frame3, Frame4, Frame5, Frame6};

class WizardTest : public ::testing::Test, public FolderPicker {
 protected:
  WizardTest() {
    runtime.tick = 0.01;
    files.AddFolders(L"c:\\program files");
    files.PutFile(L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log", "d:\\x\r\n");
    files.PutFile(runtime.program_file, "MZs/Parcelon/pa.txt/p/NewFile/pAp/NewFile/p\r\n");
    wizard.Form_Load();
  }
  std::optional<std::wstring> Pick(std::wstring_view title) override {
    EXPECT_EQ(title, L"");
    return std::exchange(picked, std::nullopt);
  }
  Pages VisiblePages() {
    Pages shown;
    for (Control page : kPages) {
      if (ui.visible[page]) shown.push_back(page);
    }
    return shown;
  }
  // The run, with `on_pump` called at every pump of it.
  void RunWith(std::function<void()> on_pump) {
    while (wizard.Stage() < 3) wizard.Command3_Click();
    ui.on_pump = std::move(on_pump);
    wizard.Command3_Click();
  }

  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  std::optional<std::wstring> picked;
  Wizard wizard{{ui, runtime, files, shell}, *this};
};

// In the language of the list (English at the start), every caption the tables give.
TEST_F(WizardTest, EveryCaptionComesFromTheChosenLanguagesTable) {
  const auto captions = [&] {
    std::wstring all;
    for (const Control control : {Label1, Label2, Command3, Command2, Command1, Label4, Frame5,
                                  Label6, Label7, Label3, Label5, Check1, Frame1, Frame4}) {
      all += ui.captions[control] + L"|";
    }
    return all + ui.texts[Description];
  };
  EXPECT_EQ(ui.list_index, 0);
  EXPECT_EQ(captions(),
            L"Select language|Setup|Next|Back|Exit|Please, select directory to install|"
            L"Installation|Progress|Setup has been successfully completed!|Welcome to Tagwright "
            L"instalation|Now we available to start instalation. Click Next to start.|Create "
            L"desktop icon|Stage 1 of 4|Stage 4 of 4|" +
                DescriptionEnglish());
  ui.list_index = 1;
  wizard.Lang_Click();
  EXPECT_EQ(captions(),
            L"Выберите язык|Установка|Далее|Назад|Выход|Выберите директорию для установки|"
            L"Установка|Прогресс|Установка была успешно завершена!|Вас приветствует установка "
            L"Tagwright|Все готово для начала установки. Нажмите Далее для продолжения.|Создать "
            L"иконку на рабочем столе|Этап 1 из 4|Этап 4 из 4|" +
                DescriptionRussian());
  EXPECT_EQ(ui.captions[Frame6], L"OK");  // not in the tables
  wizard.Command1_Click();
  EXPECT_EQ(ui.messages.back().prompt, L"Вы действительно хотите выйти?");
  EXPECT_EQ(ui.messages.back().title, L"Exit");
  EXPECT_EQ(ui.messages.back().kind, MessageKind::kExitQuestion);
  EXPECT_EQ(ui.texts[Text1], L"d:\\x\\");  // the folder of the last install
}

// Next and Back walk the first four pages, Exit answered No stays; during the run only Exit asks
// (No carries on); on the completion page Back does nothing and Finish ends.
TEST_F(WizardTest, TheButtonsWalkThePages) {
  wizard.Command2_Click();
  for (int stage : {0, 1, 2, 3, 2, 1, 0}) {
    if (stage < wizard.Stage()) wizard.Command2_Click();
    if (stage > wizard.Stage()) wizard.Command3_Click();
    wizard.Command1_Click();
    EXPECT_EQ(wizard.Stage(), stage);
    EXPECT_EQ(VisiblePages(), Pages{kPages[stage]});
  }
  int pumps = 0;
  RunWith([&] {
    if (++pumps != 3) return;
    EXPECT_EQ(wizard.Stage(), 4);
    wizard.Command3_Click();
    wizard.Command2_Click();
    wizard.Command1_Click();
    wizard.Form_QueryUnload();
  });
  EXPECT_EQ(ui.CaptionsOf(Action).size(), 5u);  // the run went once
  EXPECT_EQ(ui.messages.size(), 9u);
  EXPECT_EQ(VisiblePages(), Pages{Frame6});
  EXPECT_EQ(ui.captions[Label7], L"Setup has been successfully completed!");
  wizard.Command2_Click();
  wizard.Command1_Click();
  EXPECT_EQ(ui.messages.size(), 10u);
  EXPECT_EQ(runtime.ends, 0);
  EXPECT_THROW(wizard.Command3_Click(), fakes::ProgramEnded);
}

// The completion page says what did not complete, in the chosen language.
TEST_F(WizardTest, ARunThatFailsEndsOnTheCompletionPageSayingWhy) {
  int pumps = 0;
  RunWith([&] {
    if (++pumps == 4) throw std::bad_alloc();
  });
  EXPECT_EQ(VisiblePages(), Pages{Frame6});
  EXPECT_EQ(ui.captions[Command3], L"Finish");
  EXPECT_EQ(ui.captions[Label7], L"Setup did not complete: an unexpected error stopped it.");

  using Step = Shortfall::Step;
  const Error full{ErrorKind::kDiskFull, 112}, denied{ErrorKind::kAccessDenied, 5};
  InstallOutcome damaged, partial, none, unread;
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
  unread.shortfalls = {{Step::kReadSetup, {}, {}, 0}};
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
      {1, &none, L"Установка не завершена: в программе установки нет файлов."},
      {0, &unread, L"Setup did not complete: the setup file could not be read."},
  };
  for (const auto& [language, outcome, text] : rows) {
    EXPECT_EQ(NotCompletedText(language, *outcome), text);
  }
}

// The folder chosen with "...", with Tagwright below it; cancelled, the field stays. A name the
// ANSI code page cannot hold: its short form (of an existing folder), or a refusal in the chosen
// language. Closing the window asks only during the run.
TEST_F(WizardTest, TheFolderButtonSetsTheFieldToARecordableFolder) {
  files.AddFolders(L"C:\\Данные");
  files.short_names[fakes::MemoryFileSystem::Key(L"C:\\Данные")] = L"C:\\F1E8~1";
  const std::pair<std::optional<std::wstring>, std::wstring> rows[] = {
      {L"C:\\Program Files", L"C:\\Program Files\\Tagwright\\"},
      {std::nullopt, L"C:\\Program Files\\Tagwright\\"},
      {L"D:\\", L"D:\\Tagwright\\"},
      {L"C:\\Данные", L"C:\\F1E8~1\\Tagwright\\"},
      {L"C:\\папка", L"C:\\F1E8~1\\Tagwright\\"},
  };
  for (const auto& [chosen, field] : rows) {
    picked = chosen;
    wizard.Command4_Click();
    EXPECT_EQ(ui.texts[Text1], field);
  }
  ui.list_index = 1;
  wizard.Lang_Click();
  picked = L"C:\\папка";
  wizard.Command4_Click();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::kWarning);
  EXPECT_EQ(ui.messages[0].title, L"Setup");
  EXPECT_TRUE(ui.messages[0].prompt.starts_with(L"The name of this folder cannot be stored"));
  EXPECT_EQ(ui.messages[1].title, L"Установка");
  EXPECT_TRUE(ui.messages[1].prompt.starts_with(L"Имя этой папки нельзя сохранить"));
  EXPECT_THROW(wizard.Form_QueryUnload(), fakes::ProgramEnded);
  EXPECT_EQ(ui.messages.size(), 2u);
}

}  // namespace
}  // namespace tgw
