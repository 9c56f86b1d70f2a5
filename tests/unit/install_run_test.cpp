// The installation run against the fakes: what it writes, shows and reports, and its pauses.
#include "wizard/install_run.h"

#include <gtest/gtest.h>

#include "engine/integrity.h"
#include "fakes/fake_toolkit.h"
#include "fakes/platform.h"
#include "wizard/pause.h"

namespace tgw {
namespace {

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

// Thirty files in the product's folders, of bytes of any value, three of them empty.
Files ThirtyFiles() {
  Files files;
  for (int k = 1; k <= 30; ++k) {
    const char* folder = k <= 8 ? "languages\\english\\" : k <= 16 ? "languages\\russian\\" : "";
    files.emplace_back((k >= 26 ? "templates\\" : folder) + ("file" + std::to_string(k)),
                       std::string(k >= 28 ? 0 : k * 37, static_cast<char>(k * 9)));
  }
  return files;
}

std::string Lines(const Strings& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += std::string(line.begin(), line.end()) + "\r\n";
  return bytes;
}

class InstallRun : public ::testing::Test {
 protected:
  InstallRun() {
    runtime.tick = 0.01;
    FreshMachine();
  }
  void FreshMachine() {
    files = {};
    ui = {};
    ui.list_index = 0;
    for (const auto& [name, folder] : shell.special_folders) files.AddFolders(folder);
    files.AddFolders(L"c:\\program files");
    files.AddFolders(L"C:\\Users\\ann\\AppData\\Roaming");
    files.PutFile(L"D:\\dist\\MSVBVM60.DLL", "vb runtime");
    files.PutFile(L"D:\\dist\\mscomctl.ocx", "controls");
  }
  InstallOutcome Run(const std::string& program) {
    files.PutFile(runtime.program_file, program);
    stage = 4;
    return StartInstalation({ui, runtime, files, shell}, stage);
  }
  Strings Percentages() const { return ui.CaptionsOf(Control::PRG); }

  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  std::int32_t stage = 0;
};

TEST_F(InstallRun, InstallsEverythingAndEndsOnTheCompletionPage) {
  EXPECT_TRUE(Run(Container(ThirtyFiles())).Completed());
  // Four pauses of 0.5 s and thirty of 0.45 s, each ending that long after the whole second
  // nearest its start (half to even).
  EXPECT_NEAR(runtime.now, 36013.51, 0.05);
  EXPECT_EQ(stage, 5);
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");
  EXPECT_TRUE(ui.visible[Control::Frame6]);
  Strings percentages{L"5%", L"25%", L"50%"};
  for (int p : {51, 53, 54, 56, 57, 59, 60, 62, 63, 65, 66, 68, 69, 71, 72, 74,
                75, 77, 78, 80, 81, 83, 84, 86, 87, 89, 90, 92, 93, 95, 100}) {
    percentages.push_back(std::to_wstring(p) + L"%");
  }
  EXPECT_EQ(Percentages(), percentages);
  const Strings actions = ui.CaptionsOf(Control::Action);
  ASSERT_EQ(actions.size(), 34u);
  EXPECT_EQ(Strings(actions.begin(), actions.begin() + 4),
            (Strings{L"Creating directories...", L"Unpacking...", L"Unpacking was successful",
                     L"Copying file languages\\english\\file1\r\n To \r\n" + kDir +
                         L"languages\\english\\file1"}));
  EXPECT_EQ(actions.back(), L"Creating settings file and links...");
  Strings log{kDir};
  for (const auto& [name, content] : ThirtyFiles()) {
    log.push_back(kDir + std::wstring(name.begin(), name.end()));
    EXPECT_EQ(files.Bytes(log.back()), content) << name;  // byte for byte, nothing appended
  }
  log.insert(log.end(), kShortcuts.begin(), kShortcuts.end());
  EXPECT_EQ(files.Bytes(kLog), Lines(log));
  EXPECT_EQ(files.Bytes(kDir + L"Settings.dat"), "Language=english\r\n");
  EXPECT_EQ(files.Bytes(L"C:\\Users\\ann\\AppData\\Roaming\\TGWR\\install.log"), Lines({kDir}));
  EXPECT_EQ(files.Bytes(kDir + L"mscomctl.ocx"), "controls");
  // Without the desktop icon, over that install: three shortcuts, another settings line.
  ui.check_value = 0;
  ui.list_index = 1;
  EXPECT_TRUE(Run(Container({{"a.txt", "A"}})).Completed());
  EXPECT_EQ(files.Bytes(kLog),
            Lines({kDir, kDir + L"a.txt", kShortcuts[1], kShortcuts[2], kShortcuts[3]}));
  EXPECT_EQ(files.Bytes(kDir + L"Settings.dat"), "Language=english\r\nLanguage=russian\r\n");
}

// What the run shows and logs for one file, none (the earlier log lines kept) and a setup that
// cannot read itself; names Windows cannot write faithfully are neither logged nor written.
TEST_F(InstallRun, ProgressAndLogForOneFileNoneOrNamesThatCannotBeWritten) {
  Run(Container({{"a.txt", "A"}}));
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"95%", L"100%"}));
  ui = {};
  EXPECT_EQ(Run("MZ a program image with no container").file_count, 0u);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"100%"}));
  EXPECT_EQ(ui.CaptionsOf(Control::Action).at(2), L"Unpacking was successful");
  EXPECT_EQ(files.Bytes(kLog), Lines({kDir}) + Lines(kShortcuts) + Lines({kDir + L"a.txt"}));
  files.faults[fakes::MemoryFileSystem::Key(runtime.program_file)] = {At::kOpen, {}};
  EXPECT_EQ(StartInstalation({ui, runtime, files, shell}, stage).shortfalls.at(0).step,
            Step::kReadSetup);

  FreshMachine();
  // The body begins with the file marker: no names at all.
  InstallOutcome outcome = Run("MZs/Parcelon/pp/NewFile/pAp/NewFile/pBp/NewFile/p\r\n");
  EXPECT_EQ(outcome.shortfalls.at(0).failed, 2u);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%", L"50%", L"72%", L"95%", L"100%"}));
  EXPECT_EQ(ui.CaptionsOf(Control::Action).at(3), L"Creating settings file and links...");
  FreshMachine();
  files.AddFolders(L"c:\\windows");
  Files payload;
  for (const char* name : {"..\\..\\windows\\evil.dll", "c:\\windows\\evil2.dll", "nul.txt", "COM1",
                           "templates\\AUX.htm", "a<b", "x.", "tab\tname", "ok.txt"}) {
    payload.emplace_back(name, "X");
  }
  outcome = Run(Container(payload));
  ASSERT_EQ(outcome.shortfalls.size(), 1u);
  EXPECT_EQ(outcome.shortfalls[0].step, Step::kFiles);
  EXPECT_EQ(outcome.shortfalls[0].failed, 8u);
  EXPECT_EQ(outcome.shortfalls[0].error.kind, ErrorKind::kBadName);
  EXPECT_EQ(files.Files().size(), 13u);  // the one file, 9 of the run and 3 of the machine
  EXPECT_EQ(files.Bytes(kLog), Lines({kDir, kDir + L"ok.txt"}) + Lines(kShortcuts));
}

// One failing write each: it is reported with its step and cause (a shortcut's as an HRESULT),
// the rest goes on, and nothing that was there is cut (the log only grows).
TEST_F(InstallRun, EveryWriteThatFailsIsNamedWithItsCauseAndNothingIsCut) {
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
    files.faults[fakes::MemoryFileSystem::Key(path)] = {at, error};
    const InstallOutcome outcome = Run(Container({{"a.txt", "new a"}, {"b.txt", "new b"}}));
    ASSERT_EQ(outcome.shortfalls.size(), 1u);
    EXPECT_EQ(outcome.shortfalls[0].step, step);
    EXPECT_EQ(outcome.shortfalls[0].error.code,
              step == Step::kShortcut ? 0x80070000 | error.code : error.code);
    EXPECT_EQ(outcome.shortfalls[0].error.kind, error.kind);
    EXPECT_EQ(outcome.shortfalls[0].name, name);
    EXPECT_EQ(files.Files(), before);
    EXPECT_TRUE(step == Step::kLog || files.Bytes(path) == old_bytes);
    EXPECT_EQ(files.Bytes(kDir + L"a.txt"), "new a");
  }
}

// A damaged setup writes nothing (the folders it made are taken back) and leaves an earlier
// install as it was; a folder that is not absolute is refused before anything is written.
TEST_F(InstallRun, ADamagedSetupOrAFolderThatIsNotAbsoluteWriteNothing) {
  ASSERT_TRUE(Run(Container(ThirtyFiles())).Completed());
  const auto snapshot = [this] {
    std::map<std::wstring, std::string> all;
    for (const std::wstring& file : files.Files()) all[file] = files.Bytes(file);
    return all;
  };
  std::string damaged = Container(ThirtyFiles(), true);
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x20);
  files.PutFile(runtime.program_file, damaged);
  const auto before = snapshot();
  ui = {};
  EXPECT_TRUE(Run(damaged).damaged);
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(Percentages(), (Strings{L"5%", L"25%"}));
  EXPECT_TRUE(ui.visible[Control::Frame6]);
  ui.texts[Control::Text1] = L"d:\\fresh\\";
  EXPECT_TRUE(Run(damaged).damaged);
  EXPECT_FALSE(files.FolderExists(L"d:\\fresh"));
  EXPECT_TRUE(Run(Container(ThirtyFiles(), true) + "signature bytes").Completed());

  for (const wchar_t* dir : {L"", L"Tagwright\\", L"\\Tagwright\\", L"d:\\x", L"d:x\\"}) {
    const std::set<std::wstring> files_before = files.Files();
    ui.texts[Control::Text1] = dir;
    const InstallOutcome outcome = Run(Container({{"a.txt", "A"}}));
    ASSERT_EQ(outcome.shortfalls.size(), 1u);
    EXPECT_EQ(outcome.shortfalls[0].step, Step::kFolder);
    EXPECT_EQ(outcome.shortfalls[0].error.kind, ErrorKind::kBadName);
    EXPECT_EQ(files.Files(), files_before);
    EXPECT_EQ(stage, 5);
  }
  ui.texts[Control::Text1] = L"q:\\no drive\\";
  EXPECT_EQ(Run(Container({{"a.txt", "A"}})).shortfalls.at(0).error.kind, ErrorKind::kNotFound);
}

// Across midnight, where the timer falls back to 0: begun in the last half second of the day, a
// pause's start rounds to 86400, which the timer never reads.
TEST(Pause, EndsOnTimeAcrossMidnight) {
  for (const auto& [begin, threshold, end] :
       {std::tuple{86399.7, 0.5, 0.5}, std::tuple{86399.3, 0.8, 86399.8},
        std::tuple{86399.4, 1.0, 0.0}}) {
    fakes::FakeToolkit ui;
    fakes::FakeRuntime runtime;
    runtime.now = begin;
    runtime.tick = 0.01;
    Pause(ui, runtime, threshold);
    EXPECT_NEAR(runtime.now, end, 0.03) << begin;
  }
}

}  // namespace
}  // namespace tgw
