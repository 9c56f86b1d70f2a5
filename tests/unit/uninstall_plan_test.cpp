// The uninstaller's decisions: every log line untrusted, only its own folder, what stays said.
#include "engine/uninstall_plan.h"

#include <gtest/gtest.h>

#include "engine/uninstall_text.h"
#include "fakes/platform.h"

namespace tgw {

using enum LineVerdict;
using At = fakes::MemoryFileSystem::Fault::At;
using Lines = std::vector<std::wstring>;

const std::wstring kDir = L"D:\\Apps\\Tagwright\\", kDesktop = L"C:\\Users\\ann\\Desktop";
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
  void Install(const Lines& lines, const std::wstring& head = kDir) {
    for (const wchar_t* name : {L"Tagwright.exe", L"Uninstall.exe", L"languages\\english\\a.lng",
                                L"languages\\russian\\a.lng", L"templates\\empty.htm",
                                L"MSVBVM60.DLL", L"mscomctl.ocx", L"Settings.dat"}) {
      files.PutFile(In(name), "x");
    }
    files.AddFolders(In(L"plug-ins"));
    files.PutFile(kDesktop + L"\\Tagwright.lnk", "lnk");
    files.PutFile(Group(L"Tagwright.lnk"), "lnk");
    files.PutFile(kRecord, "D:\\Apps\\Tagwright\\\r\n");
    std::string log(head.begin(), head.end());
    for (const std::wstring& line : lines) log += "\r\n" + std::string(line.begin(), line.end());
    files.PutFile(In(L"install.log"), log);
  }
  UninstallPlan Plan() { return PlanUninstall(files, places); }

  fakes::MemoryFileSystem files;
  UninstallPlaces places{{In(L"Uninstall.exe")}, kDesktop, kPrograms, L"C:\\Users\\ann\\AppData"};
};

TEST(ParsePath, ReadsAbsolutePathsAsWindowsDoesAndRefusesTheRest) {
  for (const auto& [text, parsed] :
       std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>{
           {L"c:/a//b/./c/../d\\", L"c:|a|b|d"},
           {L"C:\\", L"C:"},
           {L"\\\\srv\\share\\x\\..\\y", L"\\\\srv\\share|y"},
           {L"//srv/share", L"\\\\srv\\share"}}) {
    const auto path = ParsePath(text);
    std::wstring joined = path ? path->root : L"(none)";
    for (const std::wstring& part : path ? path->parts : Lines{}) joined += L"|" + part;
    EXPECT_EQ(joined, parsed);
  }
  for (const wchar_t* refused :
       {L"", L"x\\y", L"..\\..\\windows\\win.ini", L"\\x", L"C:x", L"1:\\x", L"C:\\..\\x",
        L"C:\\a\\..\\..\\x", L"\\\\?\\C:\\x", L"//?/C:/x", L"\\\\.\\COM1", L"\\??\\C:\\x",
        L"\\\\srv", L"\\\\srv\\\\x", L"\\\\con\\share\\x"}) {
    EXPECT_EQ(ParsePath(refused), std::nullopt) << ::testing::PrintToString(refused);
  }
}

// Each line's verdict; then only our files go (and the folders left empty), the skipped lines
// are reported (and a folder found when removing), and the user's and others' files stay.
TEST_F(Uninstall, EveryLineIsUntrustedOnlyOurFilesGo) {
  const std::pair<LineVerdict, Lines> rows[] = {
      {kRemove,
       {In(L"Tagwright.exe"), In(L"languages\\english\\a.lng"), In(L"languages\\russian\\a.lng"),
        In(L"templates\\empty.htm"), In(L"plug-ins") /* a folder */, kDesktop + L"\\Tagwright.lnk",
        Group(L"Tagwright.lnk")}},
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
  Lines lines;
  std::vector<LogLine> expected, skipped;
  for (const auto& [verdict, texts] : rows) {
    for (const std::wstring& text : texts) {
      lines.push_back(text);
      expected.push_back({text, verdict});
      if (tgw::IsSkipped(verdict)) skipped.push_back({text, verdict});
    }
  }
  skipped.push_back({In(L"plug-ins"), kFolder});
  Install(lines);
  std::set<std::wstring> kept{L"d:\\apps\\tagwright\\uninstall.exe"};  // and theirs:
  for (const wchar_t* theirs : {L"C:\\other\\x.txt", L"E:\\Apps\\Tagwright\\Tagwright.exe",
                                L"C:\\Users\\ann\\Desktop\\Other.lnk", L"D:\\Apps\\outside.txt",
                                L"D:\\Apps\\Tagwright\\templates\\mine.htm"}) {
    files.PutFile(theirs, "theirs");
    kept.insert(fakes::MemoryFileSystem::Key(theirs));
  }
  const UninstallPlan plan = Plan();
  EXPECT_EQ(plan.lines, expected);
  EXPECT_EQ(plan.folders.back().place + plan.folders.back().name, kDir);  // itself, last
  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_EQ(outcome.skipped, skipped);
  EXPECT_TRUE(outcome.Completed());
  EXPECT_EQ(files.Files(), kept);
  for (const std::wstring& gone : {In(L"languages"), In(L"plug-ins"), Group(L""),
                                   std::wstring(L"C:\\Users\\ann\\AppData\\TGWR")}) {
    EXPECT_FALSE(files.FolderExists(gone).value_or(true)) << ::testing::PrintToString(gone);
  }
  // Nothing is removed through a junction or symbolic link, checked part by part from the top.
  Install({In(L"languages\\english\\a.lng"), In(L"Tagwright.exe"), Group(L"Tagwright.lnk")});
  for (const std::wstring& link : {In(L"languages\\english"), In(L"Tagwright.exe"), Group(L"")}) {
    files.reparse_points.insert(fakes::MemoryFileSystem::Key(link));
  }
  int through_links = 0;
  for (const LogLine& line : RunUninstall(files, Plan()).skipped)
    through_links += line.verdict == kThroughLink && files.HasFile(line.text);
  EXPECT_EQ(through_links, 3);
  // A path whose kind cannot be told is left, with the reason, once.
  const Error denied{ErrorKind::kAccessDenied, 5};
  Install({In(L"Tagwright.exe")});
  files.Fail(In(L"Tagwright.exe"), At::kOpen, denied);
  const UninstallOutcome unknown = RunUninstall(files, Plan());
  ASSERT_EQ(unknown.failed.size(), 1u);
  EXPECT_EQ(unknown.failed[0].error, denied);
}

// Only a log whose head line is the uninstaller's own folder (in any form) is read; the per-user
// record goes only when it names that folder, and its folder when then empty.
TEST_F(Uninstall, OnlyItsOwnFolder) {
  places.program_files = {In(L"uninstall.exe"), In(L"Uninstall.exe"),
                          L"D:\\APPS~1\\TAGWRI~1\\UNINST~1.EXE"};  // as started, long, short
  const std::pair<LogState, Lines> rows[] = {
      {LogState::kRead, {kDir, L"d:/apps//TAGWRIGHT"}},
      {LogState::kOtherFolder,
       {L"D:\\Apps\\", L"D:\\Apps\\Tagwright\\sub\\", L"C:\\Apps\\Tagwright\\", L"Tagwright\\",
        L""}},
  };
  for (const auto& [state, heads] : rows) {
    for (const std::wstring& head : heads) {
      Install({In(L"Tagwright.exe"), head + L"\\Uninstall.exe"}, head);
      const UninstallPlan plan = Plan();
      EXPECT_EQ(plan.log, state) << ::testing::PrintToString(head);
      EXPECT_EQ(plan.lines.size() == 2 && plan.lines[1].verdict == kProgram,
                state == LogState::kRead);
      (void)RunUninstall(files, plan);
      EXPECT_EQ(files.HasFile(In(L"Settings.dat")), state != LogState::kRead);
    }
  }
  Install({L"D:\\APPS~1\\TAGWRI~1\\Uninstall.exe"}, L"D:\\APPS~1\\TAGWRI~1\\");
  EXPECT_EQ(Plan().lines.at(0).verdict, kProgram);  // the short form is its folder too
  files.PutFile(In(L"install.log"), "");
  EXPECT_EQ(Plan().log, LogState::kMissing);
  files.Fail(In(L"install.log"), At::kOpen, {ErrorKind::kAccessDenied, 5});
  EXPECT_EQ(UninstallResultText(0, Plan(), {}, L""),
            L"The install log \"D:\\Apps\\Tagwright\\install.log\" cannot be read (access "
            L"denied), so nothing was removed.");
  files.faults.clear();
  for (const auto& [record, removed] : {std::pair{"D:\\Apps\\Tagwright\\\r\n", true},
                                        {"d:\\apps\\tagwright\r\nx", true},
                                        {"D:\\Apps\\Other\\\r\n", false},
                                        {"D:\\Apps\\Tagwright\\x\\", false}}) {
    Install({});
    files.PutFile(kRecord, record);
    (void)RunUninstall(files, Plan());
    EXPECT_EQ(files.HasFile(kRecord), !removed) << record;
    EXPECT_EQ(files.FolderExists(L"C:\\Users\\ann\\AppData\\TGWR").value_or(removed), !removed);
  }
}

// The last message names what stayed with its cause (the means to finish stay too) and what was
// skipped. (The question, the language of the settings and a removal's message are the end-to-end
// tests'.)
TEST_F(Uninstall, TheMessagesSayWhatWasDone) {
  Lines lines{In(L"Tagwright.exe"), L"C:\\x0", L"nul\x01" + std::wstring(170, L'n')};
  for (int i = 1; i < 9; ++i) lines.push_back(L"C:\\x" + std::to_wstring(i));
  Install(lines);
  files.Fail(In(L"Tagwright.exe"), At::kOpen, {ErrorKind::kInUse, 32});
  files.Fail(In(L"mscomctl.ocx"), At::kOpen, {ErrorKind::kOther, 1117});
  const UninstallPlan plan = Plan();
  const UninstallOutcome outcome = RunUninstall(files, plan);
  for (const wchar_t* kept : {L"Uninstall.exe", L"install.log", L"Settings.dat"}) {
    EXPECT_TRUE(files.HasFile(In(kept))) << ::testing::PrintToString(std::wstring(kept));
  }
  EXPECT_EQ(UninstallResultText(0, plan, outcome, In(L"Uninstall.exe")),
            L"Tagwright was not removed completely. Not removed: \"D:\\Apps\\Tagwright\\"
            L"Tagwright.exe\" (file in use); \"D:\\Apps\\Tagwright\\mscomctl.ocx\" (error 1117). "
            L"Close any program that uses them, then run \"D:\\Apps\\Tagwright\\Uninstall.exe\" "
            L"again to finish.\r\n\r\nLines of the install log left alone: \"C:\\x0\", \"C:\\x1\", "
            L"\"C:\\x2\", \"C:\\x3\", \"C:\\x4\", \"C:\\x5\", \"C:\\x6\" (outside the folders of "
            L"Tagwright); \"nul?" +
                std::wstring(156, L'n') + L"...\" (not a plain path); and 2 more.");
  UninstallPlan other;
  EXPECT_EQ(UninstallResultText(1, other, {}, L""),
            L"Не удалось прочитать журнал установки «install.log», поэтому ничего не удалено.");
  other.log = LogState::kOtherFolder;
  other.folder = kDir;
  other.head = L"C:\\Elsewhere\\";
  EXPECT_EQ(UninstallResultText(0, other, {}, L""),
            L"The install log is that of another folder (\"C:\\Elsewhere\\\") than the one the "
            L"uninstaller lies in (\"D:\\Apps\\Tagwright\\\"), so nothing was removed.");
}

}  // namespace tgw
