#include "engine/install_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

bool FolderMissing(const InstallOutcome& outcome) {
  for (const Shortfall& shortfall : outcome.shortfalls) {
    if (shortfall.step == Shortfall::Step::kFolder) return true;
  }
  return false;
}

constexpr std::wstring_view kDir = L"c:\\program files\\Tagwright\\";
const std::wstring kPrograms = L"C:\\Users\\ann\\Start Menu\\Programs\\Tagwright\\";

class InstallRun : public ::testing::Test {
 protected:
  InstallRun() {
    runtime.tick = 0.01;
    ui.list_index = 0;
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
  const InstallOutcome outcome = Run(payload);

  EXPECT_TRUE(outcome.Completed());
  EXPECT_EQ(outcome.file_count, 30u);
  EXPECT_EQ(stage, 5);
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");
  EXPECT_FALSE(ui.visible[Control::Frame5]);
  EXPECT_TRUE(ui.visible[Control::Frame6]);
  EXPECT_TRUE(files.FolderExists(L"c:\\program files\\Tagwright\\plug-ins"));

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

  ui = {};
  ui.list_index = 0;
  files.PutFile(runtime.program_file, "MZ a program image with no container");
  const InstallOutcome outcome = Run();
  EXPECT_FALSE(outcome.Completed());  // a setup that carries nothing did not install anything
  EXPECT_EQ(outcome.file_count, 0u);
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%", L"50%", L"100%"));
  const auto actions = ui.CaptionsOf(Control::Action);
  EXPECT_EQ(actions[actions.size() - 2], L"Unpacking was successful");
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\install.log"),
            Lines({std::wstring(kDir)}) + Lines(Shortcuts(true)));
  EXPECT_EQ(stage, 5);
}

TEST_F(InstallRun, ContentsWithoutUsableNamesAreNeitherLoggedNorWritten) {
  // The body begins with the file marker: no names at all.
  files.PutFile(runtime.program_file, "MZs/Parcelon/pp/NewFile/pAp/NewFile/pBp/NewFile/p\r\n");
  InstallOutcome outcome = Run();
  EXPECT_EQ(FilesFailed(outcome), 2u);
  EXPECT_THAT(Percentages(), ElementsAre(L"5%", L"25%", L"50%", L"72%", L"95%", L"100%"));
  EXPECT_EQ(ui.CaptionsOf(Control::Action)[3], L"Creating settings file and links...");

  // Names that would lead outside the install folder.
  files.AddFolders(L"c:\\windows");
  outcome = Run(
      {{"..\\..\\windows\\evil.dll", "X"}, {"ok.txt", "fine"}, {"c:\\windows\\evil2.dll", "Y"}});
  EXPECT_EQ(FilesFailed(outcome), 2u);
  EXPECT_FALSE(outcome.Completed());
  EXPECT_FALSE(files.HasFile(L"c:\\windows\\evil.dll"));
  EXPECT_FALSE(files.HasFile(L"c:\\windows\\evil2.dll"));
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\ok.txt"), "fine");
  EXPECT_EQ(files.Bytes(L"c:\\program files\\Tagwright\\install.log"),
            Lines({std::wstring(kDir), std::wstring(kDir) + L"ok.txt"}) + Lines(Shortcuts(true)));
}

TEST_F(InstallRun, CountsWhatFailedAndStillGoesThroughEveryStep) {
  ui.texts[Control::Text1] = L"c:\\nowhere\\Tagwright\\";  // the parent is missing
  InstallOutcome outcome = Run(ThirtyFiles());
  EXPECT_TRUE(FolderMissing(outcome));
  EXPECT_EQ(FilesFailed(outcome), 30u);
  EXPECT_FALSE(files.HasFile(L"c:\\nowhere\\Tagwright\\install.log"));
  EXPECT_EQ(Percentages().back(), L"100%");
  EXPECT_EQ(stage, 5);
  EXPECT_EQ(ui.captions[Control::Command3], L"Finish");

  // A file that cannot be opened, and one whose write stops half way: both logged.
  ui.texts[Control::Text1] = kDir;
  files.PutFile(std::wstring(kDir) + L"locked.txt", "old");
  files.faults[fakes::MemoryFileSystem::Key(std::wstring(kDir) + L"locked.txt")] = {
      fakes::MemoryFileSystem::Fault::At::kOpen, Error{ErrorKind::kAccessDenied, 5}};
  files.faults[fakes::MemoryFileSystem::Key(std::wstring(kDir) + L"full.txt")] = {
      fakes::MemoryFileSystem::Fault::At::kWrite, Error{ErrorKind::kDiskFull, 112}};
  outcome = Run({{"locked.txt", "new"}, {"full.txt", "0123456789"}, {"ok.txt", "ok"}});
  EXPECT_FALSE(FolderMissing(outcome));
  EXPECT_EQ(FilesFailed(outcome), 2u);
  EXPECT_EQ(files.Bytes(std::wstring(kDir) + L"locked.txt"), "old");
  const std::string log = files.Bytes(std::wstring(kDir) + L"install.log");
  EXPECT_NE(log.find("Tagwright\\locked.txt\r\n"), std::string::npos);
  EXPECT_NE(log.find("Tagwright\\full.txt\r\n"), std::string::npos);
}

TEST_F(InstallRun, AShortcutThatFailsLeavesNoLine) {
  shell.failing.emplace(L"Save", L"Official web site");
  Run({{"a.txt", "A"}});
  auto expected = Shortcuts(true);
  expected.erase(expected.begin() + 2);
  const std::string log = files.Bytes(std::wstring(kDir) + L"install.log");
  EXPECT_EQ(log.substr(log.size() - Lines(expected).size()), Lines(expected));
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
