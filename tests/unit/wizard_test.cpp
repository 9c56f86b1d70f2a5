// The wizard and the installation run against the fakes: what they show, write and report. (The
// buttons on every page are the end-to-end tests'.)
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <new>

#include "engine/integrity.h"
#include "fakes/fake_toolkit.h"
#include "fakes/platform.h"
#include "platform/folder_picker.h"
#include "wizard/install_run.h"
#include "wizard/pause.h"
#include "wizard/strings.h"

namespace tgw {

using enum Control;
using Files = std::vector<std::pair<std::string, std::string>>;
using Strings = std::vector<std::wstring>;
using Step = Shortfall::Step;
using At = fakes::MemoryFileSystem::Fault::At;

const std::wstring kDir = L"c:\\program files\\Tagwright\\", kLog = kDir + L"install.log";
const std::wstring kGroup = L"C:\\Users\\ann\\Start Menu\\Programs\\Tagwright\\";
const Strings kShortcuts{L"C:\\Users\\ann\\Desktop\\Tagwright.lnk", kGroup + L"Tagwright.lnk",
                         kGroup + L"Official web site.lnk", kGroup + L"Uninstall Tagwright.lnk"};

// A container without an integrity record, or (sealed) as the packer writes it.
std::string Container(const Files& files, bool sealed = false) {
  std::string body;
  for (const auto& [name, content] : files) body += name + "/";
  for (const auto& [name, content] : files) body += "p/NewFile/p" + content;
  body += "p/NewFile/p\r\n";
  const std::string record = sealed ? FormatIntegrityRecord({body.size(), Sha256Of(body)}) : "";
  return "MZ program image" + std::string("s/Parcelon/p") + record + "s/Parcelon/p" + body;
}

// Files in the product's folders, of bytes of any value, one of them empty.
const Files kProduct{{"languages\\english\\a.lng", std::string("\0\r\n\x1A\xFF", 5)},
                     {"templates\\empty.htm", ""},
                     {"a.txt", "A"}};

std::string Lines(const Strings& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += std::string(line.begin(), line.end()) + "\r\n";
  return bytes;
}

// A machine with the setup and its runtime files in D:\dist, the wizard loaded on it.
class Setup : public ::testing::Test, public FolderPicker {
 protected:
  Setup() {
    runtime.tick = 0.01;
    FreshMachine();
  }
  void FreshMachine() {
    files = {};
    ui = {};
    for (const auto& [name, folder] : shell.special_folders) files.AddFolders(folder);
    files.AddFolders(L"c:\\program files");
    files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
    files.PutFile(L"D:\\dist\\MSVBVM60.DLL", "vb runtime");
    files.PutFile(L"D:\\dist\\mscomctl.ocx", "controls");
    files.PutFile(runtime.program_file, Container({{"a.txt", "A"}}));
    wizard.Form_Load();
  }
  InstallOutcome Run(const std::string& program) {
    files.PutFile(runtime.program_file, program);
    stage = 4;
    return StartInstalation({ui, runtime, files, shell}, stage);
  }
  Result<std::optional<std::wstring>> Pick(std::wstring_view) override {
    return std::exchange(picked, std::optional<std::wstring>());
  }
  Strings Percentages() { return ui.caption_log[PRG]; }

  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  std::int32_t stage = 0;
  Result<std::optional<std::wstring>> picked = std::optional<std::wstring>();
  Wizard wizard{{ui, runtime, files, shell}, *this};
};

// What the run shows, writes and logs for a product (every file byte for byte, one flush of the
// volume, the completion page at the end), a setup without files (the earlier log lines kept),
// one that cannot read itself, and names Windows cannot write faithfully (neither logged nor
// written). (The full sample, reinstalls, in Russian and without the desktop icon, and the folder
// proposed at the next start are the end-to-end tests'.)
TEST_F(Setup, WhatTheRunShowsWritesAndLogs) {
  EXPECT_TRUE(Run(Container(kProduct)).Completed());
  EXPECT_TRUE(stage == 5 && ui.visible[Frame6] && !ui.visible[Frame5]);
  EXPECT_EQ(files.volume_flushes, 1);  // not one per file
  // Four pauses of 0.5 s and three of 0.45 s, each ending that long after the whole second
  // nearest its start (half to even).
  EXPECT_NEAR(runtime.now, 36004.51, 0.005);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"65%", L"80%", L"95%", L"100%"}));
  EXPECT_EQ(ui.caption_log[Action].at(3), L"Copying file languages\\english\\a.lng\r\n To \r\n" +
                                              kDir + L"languages\\english\\a.lng");
  Strings log{kDir};
  for (const auto& [name, content] : kProduct) {
    log.push_back(kDir + std::wstring(name.begin(), name.end()));
    EXPECT_EQ(files.Bytes(log.back()), content) << name;  // nothing appended
  }
  EXPECT_EQ(files.Bytes(kLog), Lines(log) + Lines(kShortcuts));
  EXPECT_EQ(files.Bytes(kDir + L"Settings.dat"), "Language=english\r\n");
  ui = {};
  EXPECT_EQ(Run("MZ a program image with no container").file_count, 0u);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"100%"}));
  EXPECT_EQ(ui.caption_log[Action].at(2), L"Unpacking was successful");
  EXPECT_EQ(files.Bytes(kLog), Lines({kDir}) + Lines(kShortcuts) + Lines({log[1], log[2], log[3]}));
  files.Fail(runtime.program_file, At::kOpen, {});
  EXPECT_EQ(StartInstalation({ui, runtime, files, shell}, stage).shortfalls.at(0).step,
            Step::kReadSetup);
  FreshMachine();
  Files payload;
  for (const char* name : {"..\\..\\windows\\evil.dll", "c:\\windows\\evil2.dll", "nul.txt",
                           "templates\\AUX.htm", "a<b", "x.", "ok.txt"}) {
    payload.emplace_back(name, "X");
  }
  EXPECT_EQ(Run(Container(payload)).shortfalls,
            (std::vector<Shortfall>{{Step::kFiles, Error{ErrorKind::kBadName, 0}, L"", 6}}));
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"56%", L"62%", L"69%", L"75%", L"82%",
                                    L"88%", L"95%", L"100%"}));
  EXPECT_EQ(files.Files().size(), 13u);  // the one file, 9 of the run and 3 of the machine
  EXPECT_EQ(files.Bytes(kLog), Lines({kDir, kDir + L"ok.txt"}) + Lines(kShortcuts));
}

// One failing write each: it is reported with its step and cause (a shortcut's as an HRESULT),
// the rest goes on, and nothing that was there is cut (the log only grows).
TEST_F(Setup, EveryWriteThatFailsIsNamedWithItsCauseAndNothingIsCut) {
  const Error full{ErrorKind::kDiskFull, 112}, denied{ErrorKind::kAccessDenied, 5},
      in_use{ErrorKind::kInUse, 32};
  const std::tuple<std::wstring, At, Error, Step, std::wstring> rows[] = {
      {kDir + L"b.txt", At::kWrite, full, Step::kFiles, L""},
      {kDir + L"b.txt", At::kClose, in_use, Step::kFiles, L""},
      {kLog, At::kOpen, denied, Step::kLog, L""},
      {kDir + L"Settings.dat", At::kClose, in_use, Step::kSettings, L""},
      {kDir + L"MSVBVM60.DLL", At::kClose, in_use, Step::kRuntimeCopy, L"MSVBVM60.DLL"},
      {kShortcuts[0], At::kOpen, denied, Step::kShortcut, L"Tagwright"},
      {kShortcuts[2], At::kClose, in_use, Step::kShortcut, L"Official web site"},
      {L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log", At::kWrite, full, Step::kUserRecord,
       L""},
  };
  for (const auto& [path, at, error, step, name] : rows) {
    SCOPED_TRACE(::testing::PrintToString(path) + " " + std::to_string(static_cast<int>(at)));
    FreshMachine();
    ASSERT_TRUE(Run(Container({{"a.txt", "old a"}, {"b.txt", "old b"}})).Completed());
    const std::set<std::wstring> before = files.Files();
    const std::string old_bytes = files.Bytes(path);
    files.Fail(path, at, error);
    const Error told{error.kind, step == Step::kShortcut ? 0x80070000 | error.code : error.code};
    EXPECT_EQ(Run(Container({{"a.txt", "new a"}, {"b.txt", "new b"}})).shortfalls,
              (std::vector<Shortfall>{{step, told, name, step == Step::kFiles}}));
    EXPECT_EQ(files.Files(), before);
    EXPECT_TRUE(step == Step::kLog || files.Bytes(path) == old_bytes);
    EXPECT_EQ(files.Bytes(kDir + L"a.txt"), "new a");
  }
}

// Files are written from the setup's file in pieces of kWritePiece bytes, the setup's file checked
// after each: a byte that could not be read fails the file (dropped, not cut) and those after it.
TEST_F(Setup, FilesAreWrittenInPiecesEachReadFromTheSetupsFile) {
  const Files payload{{"a.bin", std::string(kWritePiece, 'a')},
                      {"b.bin", std::string(kWritePiece + 1, 'b')},
                      {"c.bin", std::string(2 * kWritePiece + 3, 'c')},
                      {"d.bin", "d"}};
  ASSERT_TRUE(Run(Container(payload, true)).Completed());
  for (const auto& [name, content] : payload) {
    EXPECT_EQ(files.Bytes(kDir + std::wstring(name.begin(), name.end())), content) << name;
  }
  FreshMachine();
  const Error read_fault{ErrorKind::kOther, 30};
  ui.on_pump = [&] {  // once a.bin is written, the setup's file cannot be read any more
    if (files.HasFile(kDir + L"a.bin")) {
      files.Fail(runtime.program_file, At::kRead, read_fault);
    }
  };
  EXPECT_EQ(Run(Container(payload, true)).shortfalls,
            (std::vector<Shortfall>{{Step::kFiles, read_fault, L"", 3}}));
  EXPECT_EQ(files.Bytes(kDir + L"a.bin"), payload[0].second);
  for (const wchar_t* name : {L"b.bin", L"c.bin", L"d.bin"}) {
    EXPECT_FALSE(files.HasFile(kDir + name)) << name;
  }
}

// A damaged setup leaves an earlier install as it was (into a new folder it leaves nothing: the
// end-to-end tests'); a folder that is not absolute is refused before anything is written.
TEST_F(Setup, ADamagedSetupOrAFolderThatIsNotAbsoluteWriteNothing) {
  ASSERT_TRUE(Run(Container(kProduct)).Completed());
  std::string damaged = Container(kProduct, true);
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x20);
  files.PutFile(runtime.program_file, damaged);
  const auto before = files.nodes;
  ui = {};
  EXPECT_TRUE(Run(damaged).damaged);
  EXPECT_EQ(files.nodes, before);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%"}));
  EXPECT_EQ(stage, 5);
  for (const wchar_t* dir : {L"", L"Tagwright\\", L"d:\\x", L"q:\\no drive\\"}) {
    const std::set<std::wstring> files_before = files.Files();
    ui.texts[Text1] = dir;
    const InstallOutcome outcome = Run(Container({{"a.txt", "A"}}));
    EXPECT_EQ(outcome.shortfalls.at(0).step, Step::kFolder);
    EXPECT_EQ(outcome.shortfalls[0].error.kind,
              dir[0] == L'q' ? ErrorKind::kNotFound : ErrorKind::kBadName);
    EXPECT_EQ(files.Files(), files_before);
  }
}

// Across midnight, where the timer falls back to 0: begun in the last half second of the day, a
// pause's start rounds to 86400, which the timer never reads.
TEST_F(Setup, PausesEndOnTimeAcrossMidnight) {
  for (const auto& [begin, threshold, end] :
       {std::tuple{86399.7, 0.5, 0.5}, std::tuple{86399.3, 0.8, 86399.8},
        std::tuple{86399.4, 1.0, 0.0}}) {
    runtime.now = begin;
    Pause(ui, runtime, threshold);
    EXPECT_NEAR(runtime.now, end, 0.03) << begin;
  }
}

// The completion page says what did not complete, in the chosen language. (Damaged setups and a
// folder that cannot be made are the end-to-end tests'.)
TEST_F(Setup, ARunThatFailsEndsOnTheCompletionPageSayingWhy) {
  while (wizard.Stage() < 3) wizard.Command3_Click();
  int pumps = 0;
  ui.on_pump = [&] {
    if (++pumps == 4) throw std::bad_alloc();
  };
  wizard.Command3_Click();
  EXPECT_TRUE(ui.visible[Frame6]);
  EXPECT_EQ(ui.captions[Label7], L"Setup did not complete: an unexpected error stopped it.");
  const Error full{ErrorKind::kDiskFull, 112}, denied{ErrorKind::kAccessDenied, 5};
  InstallOutcome none, unread{.shortfalls = {{Step::kReadSetup, {}, {}, 0}}};
  InstallOutcome partial{
      .file_count = 30,
      .shortfalls = {{Step::kFiles, full, {}, 2},
                     {Step::kSettings, full, {}, 0},
                     {Step::kRuntimeCopy, Error{ErrorKind::kInUse, 32}, L"mscomctl.ocx", 0},
                     {Step::kShortcut, denied, L"Official web site", 0},
                     {Step::kLog, full, {}, 0},
                     {Step::kUserRecord, Error{ErrorKind::kOther, 1117}, {}, 0}}};
  InstallOutcome folder = partial;  // everything else follows from the folder
  folder.shortfalls.insert(folder.shortfalls.begin(), {Step::kFolder, denied, {}, 0});
  EXPECT_EQ(NotCompletedText(1, folder),
            L"Установка не завершена: не удалось создать папку установки (отказано в доступе).");
  const std::tuple<int, const InstallOutcome*, const wchar_t*> rows[] = {
      {0, &partial,
       L"Setup did not complete. Not done: 2 of 30 files, the settings file, the install log "
       L"(disk full); mscomctl.ocx (file in use); the shortcut \"Official web site\" (access "
       L"denied); the record of the install folder (error 1117)."},
      {1, &partial,
       L"Установка не завершена. Не выполнено: 2 из 30 файлов, файл настроек, журнал установки "
       L"(диск заполнен); mscomctl.ocx (файл занят); ярлык «Official web site» (отказано в "
       L"доступе); запись о папке установки (ошибка 1117)."},
      {1, &none, L"Установка не завершена: в программе установки нет файлов."},
      {0, &unread, L"Setup did not complete: the setup file could not be read."},
  };
  for (const auto& [language, outcome, text] : rows) {
    EXPECT_EQ(NotCompletedText(language, *outcome), text);
  }
}

// A folder chosen with "..." whose name the ANSI code page cannot hold: its short form (of an
// existing folder), or a refusal in the chosen language (its captions and description from its
// table), as is a picker that fails. (A folder chosen or cancelled, every caption, Exit and the
// close box are the end-to-end tests'.)
TEST_F(Setup, TheFolderButtonSetsTheFieldToARecordableFolder) {
  files.AddFolders(L"C:\\Данные");
  files.AddFolders(L"C:\\Папка");
  files.short_names[fakes::MemoryFileSystem::Key(L"C:\\Данные")] = L"C:\\F1E8~1";
  for (const wchar_t* chosen : {L"C:\\Данные", L"C:\\папка"}) {  // the second has none
    picked = std::optional<std::wstring>(chosen);
    wizard.Command4_Click();
    EXPECT_EQ(ui.texts[Text1], L"C:\\F1E8~1\\Tagwright\\");
  }
  ui.list_index = 1;
  wizard.Lang_Click();
  EXPECT_EQ(ui.captions[Frame4] + ui.captions[Check1] + ui.texts[Description],
            L"Этап 4 из 4Создать иконку на рабочем столе" + DescriptionRussian());
  picked = std::optional<std::wstring>(L"C:\\папка");
  wizard.Command4_Click();
  picked = Error{ErrorKind::kOther, 161};
  wizard.Command4_Click();
  EXPECT_EQ(ui.texts[Text1], L"C:\\F1E8~1\\Tagwright\\");
  std::wstring messages;
  for (const auto& message : ui.messages) {
    messages += message.title + L": " + message.prompt.substr(0, 20) + L"|";
  }
  EXPECT_EQ(messages,
            L"Setup: The name of this fol|Установка: Имя этой папки нельз|"
            L"Установка: Эту папку нельзя исп|");
  EXPECT_EQ(ui.messages[0].kind, MessageKind::kWarning);
}

}  // namespace tgw
