#include "wizard/install_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/integrity.h"
#include "engine/product.h"
#include "fakes/fake_runtime.h"
#include "fakes/fake_toolkit.h"
#include "fakes/memory_file_system.h"
#include "fakes/recording_shell.h"

namespace tgw {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using File = std::pair<std::string, std::string>;

std::string Container(const std::vector<File>& files) {
  std::string bytes = "MZ program image";
  bytes += "s/Parcelon/ps/Parcelon/p";
  for (const auto& [name, content] : files) bytes += name + "/";
  for (const auto& [name, content] : files) bytes += "p/NewFile/p" + content;
  return bytes + "p/NewFile/p\r\n";
}

// The container as the packer writes it, with its integrity record.
std::string Packed(const std::vector<File>& files) {
  const std::string legacy = Container(files);
  const std::string body = legacy.substr(legacy.rfind("s/Parcelon/p") + 12);
  return "MZ program image" + std::string("s/Parcelon/p") +
         FormatIntegrityRecord({body.size(), Sha256Of(body)}) + "s/Parcelon/p" + body;
}

std::vector<File> ThirtyFiles() {
  std::vector<File> files;
  for (int k = 1; k <= 30; ++k) {
    const std::string n = std::to_string(k);
    const std::string folder = k <= 8    ? "languages\\english\\"
                               : k <= 16 ? "languages\\russian\\"
                               : k >= 26 ? "templates\\"
                                         : "";
    std::string content =
        k >= 28 ? ""
                : "line " + n + "\r\n\0\xFF binary " + std::string(k * 37, static_cast<char>(k));
    files.emplace_back(folder + "file" + n + ".dat", content);
  }
  return files;
}

std::string Lines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += std::string(line.begin(), line.end()) + "\r\n";
  return bytes;
}

std::size_t FilesFailed(const InstallOutcome& outcome) {
  for (const Shortfall& shortfall : outcome.shortfalls) {
    if (shortfall.step == Shortfall::Step::kFiles) return shortfall.failed;
  }
  return 0;
}

constexpr std::wstring_view kDir = L"c:\\program files\\Tagwright\\";
const std::wstring kPrograms = L"C:\\Users\\ann\\Start Menu\\Programs\\Tagwright\\";

class InstallRun : public ::testing::Test {
 protected:
  InstallRun() {
    runtime.tick = 0.01;
    ui.list_index = 0;
    FreshMachine();
  }

  void FreshMachine() {
    files = {};
    for (const auto& [name, folder] : shell.special_folders) files.AddFolders(folder);
    files.AddFolders(L"c:\\program files");
    files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
    files.PutFile(L"D:\\dist\\MSVBVM60.DLL", "vb runtime");
    files.PutFile(L"D:\\dist\\mscomctl.ocx", "controls");
  }

  InstallOutcome Run(const std::vector<File>& payload) {
    files.PutFile(runtime.program_file, Container(payload));
    return Run();
  }
  InstallOutcome Run() {
    stage = 4;
    return StartInstalation({ui, runtime, files, shell}, stage);
  }
  std::vector<std::wstring> Shortcuts(bool desktop) const {
    std::vector<std::wstring> lines;
    if (desktop) lines.push_back(L"C:\\Users\\ann\\Desktop\\Tagwright.lnk");
    for (const wchar_t* name :
         {L"Tagwright.lnk", L"Official web site.lnk", L"Uninstall Tagwright.lnk"}) {
      lines.push_back(kPrograms + name);
    }
    return lines;
  }
  std::vector<std::wstring> Percentages() const { return ui.CaptionsOf(Control::PRG); }

  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  std::int32_t stage = 0;
};

TEST_F(InstallRun, InstallsEverythingAndEndsOnTheCompletionPage) {
  const auto payload = ThirtyFiles();
  const double start = runtime.now;
  const InstallOutcome outcome = Run(payload);
  // Every step and every file waits its turn: four pauses of 0.5 s and thirty of 0.45 s, each
  // ending that long after the whole second nearest its start.
  EXPECT_NEAR(runtime.now - start, 13.51, 0.05);

  EXPECT_TRUE(outcome.Completed());
  EXPECT_EQ(outcome.file_count, 30u);
  EXPECT_EQ(stage, 5);
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");
  EXPECT_FALSE(ui.visible[Control::Frame5]);
  EXPECT_TRUE(ui.visible[Control::Frame6]);
  EXPECT_TRUE(files.HasFolder(L"c:\\program files\\Tagwright\\plug-ins"));

  std::vector<std::wstring> percentages{L"5%", L"25%", L"50%"};
  for (int p : {51, 53, 54, 56, 57, 59, 60, 62, 63, 65, 66, 68, 69, 71, 72,
                74, 75, 77, 78, 80, 81, 83, 84, 86, 87, 89, 90, 92, 93, 95}) {
    percentages.push_back(std::to_wstring(p) + L"%");
  }
  percentages.push_back(L"100%");
  EXPECT_THAT(Percentages(), ElementsAreArray(percentages));

  const auto actions = ui.CaptionsOf(Control::Action);
  ASSERT_EQ(actions.size(), 34u);
  EXPECT_THAT(
      std::vector(actions.begin(), actions.begin() + 3),
      ElementsAre(L"Creating directories...", L"Unpacking...", L"Unpacking was successful"));
  EXPECT_EQ(actions[3],
            L"Copying file languages\\english\\file1.dat\r\n To \r\n"
            L"c:\\program files\\Tagwright\\languages\\english\\file1.dat");
  EXPECT_EQ(actions.back(), L"Creating settings file and links...");

  std::vector<std::wstring> log{std::wstring(kDir)};
  for (const auto& [name, content] : payload) {
    const std::wstring path = std::wstring(kDir) + std::wstring(name.begin(), name.end());
    EXPECT_EQ(files.Bytes(path), content) << name;  // byte for byte, nothing appended
    log.push_back(path);
  }
  for (const auto& line : Shortcuts(true)) log.push_back(line);
  ASSERT_EQ(log.size(), 35u);
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\install.log"), Lines(log));
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\Settings.dat"), "Language=english\r\n");
  EXPECT_EQ(files.Bytes(L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log"),
            "c:\\program files\\Tagwright\\\r\n");
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\MSVBVM60.DLL"), "vb runtime");
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\mscomctl.ocx"), "controls");
}

TEST_F(InstallRun, WithoutTheDesktopBoxLogsThreeShortcuts) {
  ui.check_value = 0;
  Run(ThirtyFiles());
  const std::string log = files.Bytes(L"c:\\program files\\Tagwright\\install.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 34);
  EXPECT_EQ(log.substr(log.size() - Lines(Shortcuts(false)).size()), Lines(Shortcuts(false)));
}

TEST_F(InstallRun, ProgressForOneFileAndForNone) {
  Run({{"a.txt", "A"}});
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%", L"50%", L"95%", L"100%"));

  // A setup without files over that install: the earlier file line is kept in the log.
  ui = {};
  ui.list_index = 0;
  files.PutFile(runtime.program_file, "MZ a program image with no container");
  const InstallOutcome outcome = Run();
  EXPECT_FALSE(outcome.Completed());  // a setup that carries nothing did not install anything
  EXPECT_EQ(outcome.file_count, 0u);
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%", L"50%", L"100%"));
  const auto actions = ui.CaptionsOf(Control::Action);
  EXPECT_EQ(actions[actions.size() - 2], L"Unpacking was successful");
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"install.log"),
            Lines({std::wstring(kDir)}) + Lines(Shortcuts(true)) +
                Lines({std::wstring(kDir) + L"a.txt"}));
  EXPECT_EQ(stage, 5);
}

TEST_F(InstallRun, NamesWindowsCannotWriteFaithfullyAreNeitherLoggedNorWritten) {
  // The body begins with the file marker: no names at all.
  files.PutFile(runtime.program_file, "MZs/Parcelon/pp/NewFile/pAp/NewFile/pBp/NewFile/p\r\n");
  InstallOutcome outcome = Run();
  EXPECT_EQ(FilesFailed(outcome), 2u);
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%", L"50%", L"72%", L"95%", L"100%"));
  EXPECT_EQ(ui.CaptionsOf(Control::Action)[3], L"Creating settings file and links...");

  files.AddFolders(L"c:\\windows");
  std::vector<File> payload;
  for (const char* name : {"..\\..\\windows\\evil.dll", "c:\\windows\\evil2.dll", "nul.txt", "COM1",
                           "templates\\AUX.htm", "CONIN$", "a<b", "x.", "tab\tname"}) {
    payload.emplace_back(name, "X");
  }
  payload.emplace_back("ok.txt", "fine");
  outcome = Run(payload);
  EXPECT_EQ(FilesFailed(outcome), payload.size() - 1);
  EXPECT_EQ(outcome.shortfalls.front().error.kind, ErrorKind::kBadName);
  EXPECT_EQ(
      files.Files(),
      (std::set<std::wstring>{
          L"c:\\program files\\tagwright\\install.log", L"c:\\program files\\tagwright\\ok.txt",
          L"c:\\program files\\tagwright\\settings.dat",
          L"c:\\program files\\tagwright\\msvbvm60.dll",
          L"c:\\program files\\tagwright\\mscomctl.ocx",
          L"c:\\users\\ann\\appdata\\roaming\\tgwr\\install.log",
          L"c:\\users\\ann\\desktop\\tagwright.lnk",
          L"c:\\users\\ann\\start menu\\programs\\tagwright\\tagwright.lnk",
          L"c:\\users\\ann\\start menu\\programs\\tagwright\\official web site.lnk",
          L"c:\\users\\ann\\start menu\\programs\\tagwright\\uninstall tagwright.lnk",
          L"d:\\dist\\mscomctl.ocx", L"d:\\dist\\msvbvm60.dll", L"d:\\dist\\setup.exe"}));
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"install.log"),
            Lines({std::wstring(kDir), std::wstring(kDir) + L"ok.txt"}) + Lines(Shortcuts(true)));
}

TEST_F(InstallRun, EveryWriteThatFailsIsNamedWithItsCauseAndNothingIsCut) {
  using Step = Shortfall::Step;
  using At = fakes::MemoryFileSystem::Fault::At;
  const Error full{ErrorKind::kDiskFull, 112};
  const Error denied{ErrorKind::kAccessDenied, 5};
  const Error in_use{ErrorKind::kInUse, 32};
  struct Row {
    const wchar_t* path;
    At at;
    Error error;
    Step step;
    const wchar_t* name;
  };
  const std::wstring dir(kDir);
  const Row rows[] = {
      {L"b.txt", At::kWrite, full, Step::kFiles, L""},
      {L"b.txt", At::kClose, in_use, Step::kFiles, L""},
      {L"b.txt", At::kOpen, denied, Step::kFiles, L""},
      {L"install.log", At::kWrite, full, Step::kLog, L""},
      {L"install.log", At::kOpen, denied, Step::kLog, L""},
      {L"Settings.dat", At::kWrite, full, Step::kSettings, L""},
      {L"Settings.dat", At::kClose, in_use, Step::kSettings, L""},
      {L"MSVBVM60.DLL", At::kClose, in_use, Step::kRuntimeCopy, L"MSVBVM60.DLL"},
      {L"mscomctl.ocx", At::kWrite, full, Step::kRuntimeCopy, L"mscomctl.ocx"},
      {L"C:\\Users\\ann\\Desktop\\Tagwright.lnk", At::kOpen, denied, Step::kShortcut, L"Tagwright"},
      {L"C:\\Users\\ann\\Start Menu\\Programs\\Tagwright\\Official web site.lnk", At::kClose,
       in_use, Step::kShortcut, L"Official web site"},
      {L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log", At::kWrite, full, Step::kUserRecord,
       L""},
  };
  const std::vector<File> first{{"a.txt", "old a"}, {"b.txt", "old b"}};
  const std::vector<File> second{{"a.txt", "new a"}, {"b.txt", "new b"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::string(row.path, row.path + wcslen(row.path)));
    FreshMachine();
    ASSERT_TRUE(Run(first).Completed());
    const std::set<std::wstring> before = files.Files();
    const std::wstring path = std::wstring(row.path).find(L':') == std::wstring::npos
                                  ? dir + row.path
                                  : std::wstring(row.path);
    const std::string old_bytes = files.Bytes(path);
    files.faults[fakes::MemoryFileSystem::Key(path)] = {row.at, row.error};

    const InstallOutcome outcome = Run(second);
    ASSERT_EQ(outcome.shortfalls.size(), 1u);
    EXPECT_EQ(outcome.shortfalls[0].step, row.step);
    // The shell reports the system's error of a shortcut's file as an HRESULT.
    const Error reported{
        row.error.kind, row.step == Step::kShortcut ? 0x80070000 | row.error.code : row.error.code};
    EXPECT_EQ(outcome.shortfalls[0].error, reported);
    EXPECT_EQ(outcome.shortfalls[0].name, row.name);
    EXPECT_EQ(files.Files(), before);  // nothing made that was not there before
    if (row.step != Step::kLog || row.at == At::kOpen) {
      EXPECT_EQ(files.Bytes(path), old_bytes);  // never cut; an unreadable log left alone
    }
    EXPECT_EQ(files.Bytes(dir + L"a.txt"), "new a");  // the rest went on
    EXPECT_EQ(stage, 5);
  }
}

TEST_F(InstallRun, AFullDiskNeverLeavesACutFileAndTheLogKeepsTheEarlierLines) {
  const std::vector<File> first{{"a.txt", std::string(300, 'a')}, {"b.txt", std::string(300, 'b')}};
  const std::vector<File> second{{"a.txt", std::string(400, 'A')},
                                 {"b.txt", std::string(400, 'B')},
                                 {"c.txt", std::string(400, 'C')}};
  const std::string earlier_log =
      Lines({std::wstring(kDir), std::wstring(kDir) + L"a.txt", std::wstring(kDir) + L"b.txt"}) +
      Lines(Shortcuts(true));
  int completed = 0;  // the runs that had room enough
  for (std::uint64_t free = 0; free < 3000; free += 150) {
    SCOPED_TRACE(free);
    FreshMachine();
    ASSERT_TRUE(Run(first).Completed());
    files.free_space = free;

    const InstallOutcome outcome = Run(second);
    completed += outcome.Completed() ? 1 : 0;
    for (const auto& [name, content] : second) {
      const std::string bytes =
          files.Bytes(std::wstring(kDir) + std::wstring(name.begin(), name.end()));
      const bool old_or_absent = bytes == "<absent>" || bytes == std::string(300, name[0]);
      EXPECT_TRUE(bytes == content || (old_or_absent && !outcome.Completed()))
          << name << " holds " << bytes.size();
    }
    EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"Settings.dat").find("Language=english\r\n"), 0u);
    const std::string log = files.Bytes(std::wstring(kDir) + L"install.log");
    for (std::size_t begin = 0, end; (end = earlier_log.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
      const std::string line = earlier_log.substr(begin, end - begin + 2);
      EXPECT_NE(log.find(line), std::string::npos) << line;
    }
  }
  EXPECT_GT(completed, 0);
  EXPECT_LT(completed, 20);
}

TEST_F(InstallRun, ADamagedSetupWritesNothingAndLeavesAnEarlierInstallAsItWas) {
  ASSERT_TRUE(Run(ThirtyFiles()).Completed());
  const auto snapshot = [this] {
    std::map<std::wstring, std::string> all;
    for (const std::wstring& file : files.Files()) all[file] = files.Bytes(file);
    return all;
  };
  std::string packed = Packed(ThirtyFiles());
  packed[packed.size() / 2] ^= 0x20;
  files.PutFile(runtime.program_file, packed);
  const auto before = snapshot();
  ui = {};
  ui.list_index = 1;
  const InstallOutcome outcome = Run();
  EXPECT_TRUE(outcome.damaged);
  EXPECT_EQ(snapshot(), before);
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%"));
  EXPECT_EQ(stage, 5);
  EXPECT_TRUE(ui.visible[Control::Frame6]);

  // A first install from it: the folders it made are taken back.
  ui.texts[Control::Text1] = L"d:\\fresh\\";
  EXPECT_TRUE(Run().damaged);
  EXPECT_FALSE(files.HasFolder(L"d:\\fresh"));

  // Intact, and with a signature appended: installed as usual.
  files.PutFile(runtime.program_file, Packed(ThirtyFiles()) + "signature bytes");
  EXPECT_TRUE(Run().Completed());
}

TEST_F(InstallRun, AFolderThatIsNotAbsoluteIsRefusedBeforeAnythingIsWritten) {
  files.PutFile(runtime.program_file, Container({{"a.txt", "A"}}));
  for (const wchar_t* dir : {L"", L"Tagwright\\", L"\\Tagwright\\", L"d:\\x", L"d:x\\"}) {
    const std::set<std::wstring> before = files.Files();
    ui.texts[Control::Text1] = dir;
    const InstallOutcome outcome = Run();
    ASSERT_EQ(outcome.shortfalls.size(), 1u);
    EXPECT_EQ(outcome.shortfalls[0].step, Shortfall::Step::kFolder);
    EXPECT_EQ(outcome.shortfalls[0].error.kind, ErrorKind::kBadName);
    EXPECT_EQ(files.Files(), before);
    EXPECT_EQ(stage, 5);
  }
}

TEST_F(InstallRun, EndedDuringAReinstallTheLogStillListsEverythingOfTheEarlierOne) {
  ASSERT_TRUE(Run(ThirtyFiles()).Completed());
  const std::wstring log_path = std::wstring(kDir) + L"install.log";
  const std::string earlier = files.Bytes(log_path);
  // Ended at the first pump after each action text: from the folders to just before the
  // settings file, the shortcuts and the log's close.
  for (std::size_t action = 1; action <= 6; ++action) {
    SCOPED_TRACE(action);
    files.PutFile(log_path, earlier);
    ui = {};
    ui.list_index = 0;
    ui.on_pump = [&] {
      if (ui.CaptionsOf(Control::Action).size() == action) throw fakes::ProgramEnded{};
    };
    EXPECT_THROW(Run({{"languages\\english\\file1.dat", "x"}, {"new.txt", "y"}}),
                 fakes::ProgramEnded);
    const std::string log = files.Bytes(log_path);
    for (std::size_t begin = 0, end; (end = earlier.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
      EXPECT_NE(log.find(earlier.substr(begin, end - begin + 2)), std::string::npos);
    }
  }
}

TEST_F(InstallRun, ReinstallRewritesFilesAndLogAndAddsASettingsLine) {
  Run({{"a.txt", "first"}, {"b.txt", "keep"}});
  ui.list_index = 1;
  ui.check_value = 0;
  const InstallOutcome outcome = Run({{"a.txt", "2nd"}});
  EXPECT_TRUE(outcome.Completed());
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"a.txt"), "2nd");
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"Settings.dat"),
            "Language=english\r\nLanguage=russian\r\n");
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"install.log"),
            Lines({std::wstring(kDir), std::wstring(kDir) + L"a.txt"}) + Lines(Shortcuts(false)));
}

}  // namespace
}  // namespace tgw
