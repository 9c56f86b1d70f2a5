// The uninstaller's decisions: every log line untrusted, only its own folder, what stays said.
#include "engine/uninstall_plan.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/install_records.h"
#include "engine/uninstall_text.h"
#include "fakes/platform.h"

namespace tgw {
namespace {

using enum LineVerdict;
using Set = std::set<std::wstring>;

const std::wstring kDir = L"D:\\Apps\\Tagwright\\";
const std::wstring kDesktop = L"C:\\Users\\ann\\Desktop";
const std::wstring kPrograms = L"C:\\Users\\ann\\Start Menu\\Programs";
const std::wstring kRecord = L"C:\\Users\\ann\\AppData\\TGWR\\install.log";

std::wstring In(std::wstring_view name) { return kDir + std::wstring(name); }
std::wstring Group(std::wstring_view name) {
  return kPrograms + L"\\Tagwright\\" + std::wstring(name);
}

// An install of a few files into kDir with its shortcuts, records and runtime copies; its log
// holds the head line `head`, then `lines`.
class Uninstall : public ::testing::Test {
 protected:
  void Install(const std::vector<std::wstring>& lines, const std::wstring& head = kDir) {
    for (const wchar_t* name : {L"Tagwright.exe", L"Uninstall.exe", L"languages\\english\\a.lng",
                                L"languages\\russian\\a.lng", L"templates\\empty.htm",
                                L"MSVBVM60.DLL", L"mscomctl.ocx", L"Settings.dat"}) {
      files.PutFile(In(name), "x");
    }
    files.AddFolders(In(L"plug-ins"));
    files.PutFile(kDesktop + L"\\Tagwright.lnk", "lnk");
    files.PutFile(Group(L"Tagwright.lnk"), "lnk");
    files.PutFile(kRecord, "D:\\Apps\\Tagwright\\\r\n");
    std::string log;
    for (const std::wstring& line : lines) log += std::string(line.begin(), line.end()) + "\r\n";
    files.PutFile(In(L"install.log"), std::string(head.begin(), head.end()) + "\r\n" + log);
  }
  UninstallPlan Plan() { return PlanUninstall(files, places); }

  fakes::MemoryFileSystem files;
  UninstallPlaces places{{In(L"Uninstall.exe")}, kDesktop, kPrograms, L"C:\\Users\\ann\\AppData"};
};

TEST(ParsePath, ReadsAbsolutePathsAsWindowsDoesAndRefusesTheRest) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"C:\\a\\b", L"C:\\a\\b"},
      {L"c:/a//b/./c/../d\\", L"c:\\a\\b\\d"},
      {L"C:\\", L"C:"},
      {L"\\\\srv\\share\\x\\..\\y", L"\\\\srv\\share\\y"},
      {L"//srv/share", L"\\\\srv\\share"}};
  for (const auto& [text, parsed] : rows) {
    const auto path = ParsePath(text);
    ASSERT_TRUE(path) << ::testing::PrintToString(text);
    std::wstring joined = path->root;
    for (const std::wstring& part : path->parts) joined += L"\\" + part;
    EXPECT_EQ(joined, parsed);
  }
  for (const wchar_t* refused :
       {L"", L"x\\y", L"..\\..\\windows\\win.ini", L"\\x", L"C:x", L"1:\\x", L"C:\\..\\x",
        L"C:\\a\\..\\..\\x", L"\\\\?\\C:\\x", L"//?/C:/x", L"\\\\.\\COM1", L"\\??\\C:\\x",
        L"\\\\srv", L"\\\\srv\\\\x", L"\\\\con\\share\\x"}) {
    EXPECT_EQ(ParsePath(refused), std::nullopt) << ::testing::PrintToString(refused);
  }
}

TEST_F(Uninstall, EveryLineIsUntrustedOnlyOurFilesGo) {
  const std::pair<LineVerdict, std::vector<std::wstring>> rows[] = {
      {kRemove,
       {In(L"Tagwright.exe"), In(L"languages\\english\\a.lng"), In(L"languages\\russian\\a.lng"),
        In(L"templates\\empty.htm"), In(L"plug-ins") /* a folder: found when removing */,
        kDesktop + L"\\Tagwright.lnk", Group(L"Tagwright.lnk")}},
      {kNotAPath,
       {L"..\\..\\windows\\win.ini", In(L"nul"), In(L"templates\\COM1.htm"), L"\\\\.\\COM1",
        L"\\\\?\\D:\\Apps\\Tagwright\\templates\\empty.htm", In(L"templates\\empty.htm:stream"),
        In(L"templates\\empty.htm.")}},
      {kOutside,
       {L"C:\\other\\x.txt", L"\\\\server\\share\\Tagwright\\Tagwright.exe",
        In(L"a\\..\\..\\outside.txt"), L"E:\\Apps\\Tagwright\\Tagwright.exe",
        kDesktop + L"\\Other.lnk", Group(L"notes.txt"), Group(L".lnk"), Group(L"sub\\x.lnk"),
        kPrograms + L"\\Other\\x.lnk"}},
      {kFolder, {L"D:\\Apps\\Tagwright", In(L"templates\\..")}},
      {kRepeated, {L"d:/APPS/tagwright//TAGWRIGHT.EXE", In(L"Settings.dat")}},
      {kEmpty, {L""}},
      {kProgram, {In(L"Uninstall.exe")}},
  };
  std::vector<std::wstring> lines;
  std::vector<std::pair<std::wstring, LineVerdict>> expected, skipped, planned, reported;
  for (const auto& [verdict, texts] : rows) {
    for (const std::wstring& text : texts) {
      lines.push_back(text);
      expected.emplace_back(text, verdict);
      if (tgw::IsSkipped(verdict)) skipped.emplace_back(text, verdict);
    }
  }
  skipped.emplace_back(In(L"plug-ins"), kFolder);
  Install(lines);
  for (const wchar_t* theirs :
       {L"C:\\other\\x.txt", L"D:\\Apps\\outside.txt", L"E:\\Apps\\Tagwright\\Tagwright.exe",
        L"C:\\Users\\ann\\Desktop\\Other.lnk", L"D:\\Apps\\Tagwright\\templates\\mine.htm"}) {
    files.PutFile(theirs, "theirs");
  }
  const UninstallPlan plan = Plan();
  ASSERT_EQ(plan.log, LogState::kRead);
  for (const LogLine& line : plan.lines) planned.emplace_back(line.text, line.verdict);
  EXPECT_EQ(planned, expected);
  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_TRUE(outcome.Completed());
  for (const LogLine& line : outcome.skipped) reported.emplace_back(line.text, line.verdict);
  EXPECT_EQ(reported, skipped);
  // Left: theirs, and the uninstaller, which goes after its end; and the folders holding them.
  EXPECT_EQ(files.Files(), (Set{L"c:\\other\\x.txt", L"c:\\users\\ann\\desktop\\other.lnk",
                                L"d:\\apps\\outside.txt", L"d:\\apps\\tagwright\\uninstall.exe",
                                L"d:\\apps\\tagwright\\templates\\mine.htm",
                                L"e:\\apps\\tagwright\\tagwright.exe"}));
  for (const std::wstring& gone : {In(L"languages"), In(L"plug-ins"), Group(L""),
                                   std::wstring(L"C:\\Users\\ann\\AppData\\TGWR")}) {
    EXPECT_FALSE(files.FolderExists(gone)) << ::testing::PrintToString(gone);
  }
}

TEST_F(Uninstall, NothingBehindAJunctionOrSymbolicLinkIsRemoved) {
  const std::vector<std::wstring> lines{In(L"languages\\english\\a.lng"), In(L"Tagwright.exe"),
                                        Group(L"Tagwright.lnk"), In(L"languages\\russian\\a.lng")};
  Install(lines);
  for (const std::wstring& link : {In(L"languages\\english"), In(L"Tagwright.exe"), Group(L"")}) {
    files.reparse_points.insert(fakes::MemoryFileSystem::Key(link));
  }
  std::vector<std::wstring> skipped;
  for (const LogLine& line : RunUninstall(files, Plan()).skipped) {
    EXPECT_EQ(line.verdict, kThroughLink);
    skipped.push_back(line.text);
  }
  EXPECT_EQ(skipped, std::vector<std::wstring>(lines.begin(), lines.end() - 1));
  for (const std::wstring& line : lines) EXPECT_EQ(files.HasFile(line), line != lines.back());
  EXPECT_FALSE(files.FolderExists(In(L"languages\\russian")));
}

TEST_F(Uninstall, TheHeadLineMustBeTheUninstallersFolderAndTheRecordNameIt) {
  // Started as "...\uninstall.exe", long name Uninstall.exe, short D:\APPS~1\TAGWRI~1\UNINST~1.EXE.
  places.program_files = {In(L"uninstall.exe"), In(L"Uninstall.exe"),
                          L"D:\\APPS~1\\TAGWRI~1\\UNINST~1.EXE"};
  const std::pair<LogState, std::vector<std::wstring>> rows[] = {
      {LogState::kRead, {kDir, L"d:/apps//TAGWRIGHT"}},
      {LogState::kOtherFolder,
       {L"D:\\Apps\\", L"D:\\Apps\\Tagwright\\sub\\", L"C:\\Apps\\Tagwright\\", L"Tagwright\\",
        L""}},
  };
  for (const auto& [state, heads] : rows) {
    for (const std::wstring& head : heads) {
      Install({In(L"Tagwright.exe")}, head);
      const UninstallPlan plan = Plan();
      EXPECT_EQ(plan.log, state) << ::testing::PrintToString(head);
      (void)RunUninstall(files, plan);
      EXPECT_EQ(files.HasFile(In(L"Tagwright.exe")), state != LogState::kRead);
      EXPECT_EQ(files.HasFile(In(L"Settings.dat")), state != LogState::kRead);
      EXPECT_TRUE(files.HasFile(In(L"Uninstall.exe")));
    }
  }
  // The short form names the same folder, and the uninstaller by its long name.
  Install({L"D:\\APPS~1\\TAGWRI~1\\Uninstall.exe"}, L"D:\\APPS~1\\TAGWRI~1\\");
  EXPECT_EQ(Plan().lines.at(0).verdict, kProgram);
  files.PutFile(In(L"install.log"), "");
  EXPECT_EQ(Plan().log, LogState::kMissing);
  (void)files.RemoveFile(In(L"install.log"));
  EXPECT_EQ(Plan().log, LogState::kMissing);
  // The per-user record goes only when it names this folder; its folder when then empty.
  for (const auto& [removed, records] :
       {std::pair{true, std::vector<std::string>{"D:\\Apps\\Tagwright\\\r\n",
                                                 "d:\\apps\\tagwright\r\nx\r\n"}},
        std::pair{false, std::vector<std::string>{"D:\\Apps\\Other\\\r\n",
                                                  "D:\\Apps\\Tagwright\\x\\\r\n", ""}}}) {
    for (const std::string& record : records) {
      Install({});
      files.PutFile(kRecord, record);
      EXPECT_TRUE(RunUninstall(files, Plan()).Completed());
      EXPECT_EQ(files.HasFile(kRecord), !removed) << record;
      EXPECT_EQ(files.FolderExists(L"C:\\Users\\ann\\AppData\\TGWR"), !removed);
    }
  }
}

TEST_F(Uninstall, AFileThatStaysIsNamedWithItsCauseAndTheMeansToFinishStay) {
  Install({In(L"Tagwright.exe"), In(L"templates\\empty.htm"), In(L"Uninstall.exe")});
  using At = fakes::MemoryFileSystem::Fault::At;
  files.faults[fakes::MemoryFileSystem::Key(In(L"Tagwright.exe"))] = {At::kOpen,
                                                                      {ErrorKind::kInUse, 32}};
  files.faults[fakes::MemoryFileSystem::Key(In(L"mscomctl.ocx"))] = {At::kOpen,
                                                                     {ErrorKind::kOther, 1117}};
  const UninstallPlan plan = Plan();
  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_FALSE(files.HasFile(In(L"templates\\empty.htm")));
  EXPECT_FALSE(files.HasFile(kRecord));
  for (const wchar_t* kept : {L"Uninstall.exe", L"install.log", L"Settings.dat"}) {
    EXPECT_TRUE(files.HasFile(In(kept))) << ::testing::PrintToString(std::wstring(kept));
  }
  EXPECT_EQ(UninstallResultText(0, plan, outcome, In(L"Uninstall.exe")),
            L"Tagwright was not removed completely. Not removed: \"D:\\Apps\\Tagwright\\"
            L"Tagwright.exe\" (file in use); \"D:\\Apps\\Tagwright\\mscomctl.ocx\" (error 1117). "
            L"Close any program that uses them, then run \"D:\\Apps\\Tagwright\\Uninstall.exe\" "
            L"again to finish.");
}

TEST_F(Uninstall, TheLastLanguageLineOfTheSettingsChoosesTheLanguage) {
  const std::tuple<std::optional<std::string>, std::optional<std::wstring>, int> rows[] = {
      {std::nullopt, std::nullopt, 0},
      {"", std::nullopt, 0},
      {"Language=english\r\nLanguage=russian\r\n", L"russian", 1},
      {"Language=russian\r\nLanguage=english\r\nColour=red\r\n", L"english", 0},
      {"LANGUAGE=RUSSIAN", L"RUSSIAN", 1},
      {"Language=klingon\r\n", L"klingon", 0},
  };
  for (const auto& [settings, value, language] : rows) {
    (void)files.RemoveFile(In(L"Settings.dat"));
    if (settings) files.PutFile(In(L"Settings.dat"), *settings);
    EXPECT_EQ(ReadLanguageSetting(files, kDir), value) << settings.value_or("<none>");
    EXPECT_EQ(UninstallLanguage(value), language);
  }
  EXPECT_EQ(UninstallQuestion(0), L"Remove Tagwright and all of its components?");
  EXPECT_EQ(UninstallQuestion(1), L"Удалить Tagwright и все его компоненты?");
}

TEST_F(Uninstall, TheLastMessageSaysWhatWasDoneAndNamesWhatWasSkipped) {
  std::vector<std::wstring> hostile{L"C:\\x0", L"nul\x01" + std::wstring(170, L'n')};
  for (int i = 1; i < 9; ++i) hostile.push_back(L"C:\\x" + std::wstring(1, L'0' + i));
  Install(hostile);
  const UninstallPlan plan = Plan();
  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_EQ(UninstallResultText(0, plan, outcome, In(L"Uninstall.exe")),
            L"Tagwright has been removed from your computer.\r\n\r\nLines of the install log left "
            L"alone: \"C:\\x0\", \"C:\\x1\", \"C:\\x2\", \"C:\\x3\", \"C:\\x4\", \"C:\\x5\", "
            L"\"C:\\x6\" (outside the folders of Tagwright); \"nul?" +
                std::wstring(156, L'n') + L"...\" (not a plain path); and 2 more.");
  EXPECT_EQ(UninstallResultText(1, plan, {}, L""), L"Tagwright удалён с компьютера.");
  UninstallPlan other;
  other.log = LogState::kOtherFolder;
  other.head = L"C:\\Elsewhere\\";
  other.folder = kDir;
  EXPECT_EQ(UninstallResultText(1, other, {}, L""),
            L"Журнал установки относится к другой папке («C:\\Elsewhere\\»), а не к папке "
            L"программы удаления («D:\\Apps\\Tagwright\\»), поэтому ничего не удалено.");
  other.log = LogState::kMissing;
  EXPECT_EQ(UninstallResultText(0, other, {}, L""),
            L"The install log \"D:\\Apps\\Tagwright\\install.log\" cannot be read, so nothing was "
            L"removed.");
}

}  // namespace
}  // namespace tgw
