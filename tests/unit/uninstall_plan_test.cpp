#include "engine/uninstall_plan.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/install_records.h"
#include "engine/uninstall_text.h"
#include "fakes/memory_file_system.h"

namespace tgw {
namespace {

using Fault = fakes::MemoryFileSystem::Fault;
using enum LineVerdict;

constexpr wchar_t kDir[] = L"D:\\Apps\\Tagwright\\";
constexpr wchar_t kDesktop[] = L"C:\\Users\\ann\\Desktop";
constexpr wchar_t kPrograms[] = L"C:\\Users\\ann\\Start Menu\\Programs";
constexpr wchar_t kAppdata[] = L"C:\\Users\\ann\\AppData";
constexpr wchar_t kRecord[] = L"C:\\Users\\ann\\AppData\\TGWR\\install.log";

std::wstring In(std::wstring_view name) { return kDir + std::wstring(name); }
std::wstring Group(std::wstring_view name) {
  return kPrograms + (L"\\Tagwright\\" + std::wstring(name));
}

std::string Ansi(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::string Lines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const std::wstring& line : lines) bytes += Ansi(line) + "\r\n";
  return bytes;
}

// An install of a few files into kDir, with its shortcuts, records and runtime copies; the log
// holds the head line `head` and then `lines`.
class Uninstall : public ::testing::Test {
 protected:
  void Install(const std::vector<std::wstring>& lines, std::wstring_view head = kDir) {
    for (const wchar_t* name : {L"Tagwright.exe", L"Uninstall.exe", L"languages\\english\\a.lng",
                                L"languages\\russian\\a.lng", L"templates\\empty.htm",
                                L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
      files.PutFile(In(name), "x");
    }
    files.AddFolders(In(L"plug-ins"));
    files.PutFile(In(L"Settings.dat"), "Language=english\r\n");
    files.PutFile(kDesktop + std::wstring(L"\\Tagwright.lnk"), "lnk");
    files.PutFile(Group(L"Tagwright.lnk"), "lnk");
    files.PutFile(kRecord, Lines({kDir}));
    std::vector<std::wstring> log{std::wstring(head)};
    log.insert(log.end(), lines.begin(), lines.end());
    files.PutFile(In(L"install.log"), Lines(log));
  }

  UninstallPlan Plan() { return PlanUninstall(files, places); }

  fakes::MemoryFileSystem files;
  UninstallPlaces places{{In(L"Uninstall.exe")}, kDesktop, kPrograms, kAppdata};
};

struct PathRow {
  std::wstring text;
  std::optional<std::wstring> parsed;  // root and parts joined with "\"
};

TEST(ParsePath, ReadsAbsolutePathsAsWindowsDoesAndRefusesTheRest) {
  const PathRow rows[] = {
      {L"C:\\a\\b", L"C:\\a\\b"},
      {L"c:/a//b/./c/../d\\", L"c:\\a\\b\\d"},
      {L"C:\\", L"C:"},
      {L"\\\\srv\\share\\x\\..\\y", L"\\\\srv\\share\\y"},
      {L"//srv/share", L"\\\\srv\\share"},
      {L"", std::nullopt},
      {L"x\\y", std::nullopt},
      {L"..\\..\\windows\\win.ini", std::nullopt},
      {L"\\x", std::nullopt},
      {L"C:x", std::nullopt},
      {L"1:\\x", std::nullopt},
      {L"C:\\..\\x", std::nullopt},
      {L"C:\\a\\..\\..\\x", std::nullopt},
      {L"\\\\?\\C:\\x", std::nullopt},
      {L"//?/C:/x", std::nullopt},
      {L"\\\\.\\COM1", std::nullopt},
      {L"\\??\\C:\\x", std::nullopt},
      {L"\\\\srv", std::nullopt},
      {L"\\\\srv\\\\x", std::nullopt},
      {L"\\\\con\\share\\x", std::nullopt},
  };
  for (const PathRow& row : rows) {
    const auto parsed = ParsePath(row.text);
    std::optional<std::wstring> joined;
    if (parsed) {
      joined = parsed->root;
      for (const std::wstring& part : parsed->parts) *joined += L"\\" + part;
    }
    EXPECT_EQ(joined, row.parsed) << ::testing::PrintToString(row.text);
  }
}

struct LineRow {
  std::wstring line;
  LineVerdict verdict;
};

TEST_F(Uninstall, EveryLineIsUntrustedOnlyOurFilesGo) {
  const LineRow rows[] = {
      {In(L"Tagwright.exe"), kRemove},
      {In(L"languages\\english\\a.lng"), kRemove},
      {In(L"languages\\russian\\a.lng"), kRemove},
      {In(L"templates\\empty.htm"), kRemove},
      {L"..\\..\\windows\\win.ini", kNotAPath},
      {L"C:\\other\\x.txt", kOutside},
      {L"\\\\server\\share\\Tagwright\\Tagwright.exe", kOutside},
      {In(L"a\\..\\..\\outside.txt"), kOutside},
      {L"E:\\Apps\\Tagwright\\Tagwright.exe", kOutside},
      {In(L"nul"), kNotAPath},
      {In(L"templates\\COM1.htm"), kNotAPath},
      {L"\\\\.\\COM1", kNotAPath},
      {L"\\\\?\\D:\\Apps\\Tagwright\\templates\\empty.htm", kNotAPath},
      {In(L"templates\\empty.htm:stream"), kNotAPath},
      {In(L"templates\\empty.htm."), kNotAPath},
      {L"D:\\Apps\\Tagwright", kFolder},
      {In(L"templates\\.."), kFolder},
      {In(L"plug-ins"), kRemove},  // a folder: found when removing
      {L"d:/APPS/tagwright//TAGWRIGHT.EXE", kRepeated},
      {In(L"Settings.dat"), kRepeated},
      {L"", kEmpty},
      {In(L"Uninstall.exe"), kProgram},
      {kDesktop + std::wstring(L"\\Tagwright.lnk"), kRemove},
      {kDesktop + std::wstring(L"\\Other.lnk"), kOutside},
      {Group(L"Tagwright.lnk"), kRemove},
      {Group(L"notes.txt"), kOutside},
      {Group(L"sub\\x.lnk"), kOutside},
      {kPrograms + std::wstring(L"\\Other\\x.lnk"), kOutside},
  };
  std::vector<std::wstring> lines;
  for (const LineRow& row : rows) lines.push_back(row.line);
  Install(lines);
  for (const wchar_t* other :
       {L"C:\\other\\x.txt", L"D:\\Apps\\outside.txt", L"E:\\Apps\\Tagwright\\Tagwright.exe",
        L"C:\\Users\\ann\\Desktop\\Other.lnk"}) {
    files.PutFile(other, "theirs");
  }
  files.PutFile(In(L"templates\\mine.htm"), "the user's");

  const UninstallPlan plan = Plan();
  ASSERT_EQ(plan.log, LogState::kRead);
  ASSERT_EQ(plan.lines.size(), std::size(rows));
  std::vector<LogLine> skipped;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(plan.lines[i].verdict, rows[i].verdict) << ::testing::PrintToString(rows[i].line);
    if (tgw::IsSkipped(rows[i].verdict)) skipped.push_back({rows[i].line, rows[i].verdict});
  }
  skipped.push_back({In(L"plug-ins"), kFolder});

  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_TRUE(outcome.Completed());
  ASSERT_EQ(outcome.skipped.size(), skipped.size());
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    EXPECT_EQ(outcome.skipped[i].text, skipped[i].text);
    EXPECT_EQ(outcome.skipped[i].verdict, skipped[i].verdict) << i;
  }
  // Left: theirs, the user's file and its folder, and the uninstaller, which goes after its end.
  EXPECT_EQ(files.Files(),
            (std::set<std::wstring>{L"c:\\other\\x.txt", L"c:\\users\\ann\\desktop\\other.lnk",
                                    L"d:\\apps\\outside.txt", L"d:\\apps\\tagwright\\uninstall.exe",
                                    L"d:\\apps\\tagwright\\templates\\mine.htm",
                                    L"e:\\apps\\tagwright\\tagwright.exe"}));
  for (const wchar_t* gone : {L"languages", L"plug-ins"}) EXPECT_FALSE(files.HasFolder(In(gone)));
  EXPECT_FALSE(files.HasFolder(Group(L"")));
  EXPECT_FALSE(files.HasFolder(L"C:\\Users\\ann\\AppData\\TGWR"));
  EXPECT_TRUE(files.HasFolder(In(L"templates")));
}

TEST_F(Uninstall, NothingBehindAJunctionOrSymbolicLinkIsRemoved) {
  Install({In(L"languages\\english\\a.lng"), In(L"languages\\russian\\a.lng"), In(L"Tagwright.exe"),
           Group(L"Tagwright.lnk")});
  files.reparse_points = {fakes::MemoryFileSystem::Key(In(L"languages\\english")),
                          fakes::MemoryFileSystem::Key(In(L"Tagwright.exe")),
                          fakes::MemoryFileSystem::Key(Group(L""))};
  const UninstallOutcome outcome = RunUninstall(files, Plan());
  EXPECT_TRUE(outcome.Completed());
  ASSERT_EQ(outcome.skipped.size(), 3u);
  for (const LogLine& line : outcome.skipped) EXPECT_EQ(line.verdict, kThroughLink);
  EXPECT_EQ(outcome.skipped[0].text, In(L"languages\\english\\a.lng"));
  EXPECT_TRUE(files.HasFile(In(L"languages\\english\\a.lng")));
  EXPECT_TRUE(files.HasFile(In(L"Tagwright.exe")));
  EXPECT_TRUE(files.HasFile(Group(L"Tagwright.lnk")));
  EXPECT_FALSE(files.HasFile(In(L"languages\\russian\\a.lng")));
  EXPECT_TRUE(files.HasFolder(In(L"languages\\english")));
  EXPECT_FALSE(files.HasFolder(In(L"languages\\russian")));
}

struct HeadRow {
  std::wstring head;
  LogState state;
};

TEST_F(Uninstall, TheHeadLineMustBeTheUninstallersFolder) {
  // Started as "D:\Apps\Tagwright\uninstall.exe", long name Uninstall.exe, short D:\APPS~1\....
  places.program_files = {In(L"uninstall.exe"), In(L"Uninstall.exe"),
                          L"D:\\APPS~1\\TAGWRI~1\\UNINST~1.EXE"};
  const HeadRow rows[] = {
      {kDir, LogState::kRead},
      {L"d:/apps//TAGWRIGHT", LogState::kRead},
      {L"D:\\Apps\\", LogState::kOtherFolder},
      {L"D:\\Apps\\Tagwright\\sub\\", LogState::kOtherFolder},
      {L"C:\\Apps\\Tagwright\\", LogState::kOtherFolder},
      {L"Tagwright\\", LogState::kOtherFolder},
      {L"", LogState::kOtherFolder},
  };
  for (const HeadRow& row : rows) {
    Install({In(L"Tagwright.exe"), In(L"Uninstall.exe")}, row.head);
    const UninstallPlan plan = Plan();
    EXPECT_EQ(plan.log, row.state) << ::testing::PrintToString(row.head);
    (void)RunUninstall(files, plan);
    EXPECT_EQ(files.HasFile(In(L"Tagwright.exe")), row.state != LogState::kRead);
    EXPECT_EQ(files.HasFile(In(L"Settings.dat")), row.state != LogState::kRead);
    EXPECT_TRUE(files.HasFile(In(L"Uninstall.exe")));
  }
  // The short form names the same folder, and the uninstaller by its long name.
  Install({L"D:\\APPS~1\\TAGWRI~1\\Uninstall.exe"}, L"D:\\APPS~1\\TAGWRI~1\\");
  const UninstallPlan plan = Plan();
  EXPECT_EQ(plan.log, LogState::kRead);
  ASSERT_EQ(plan.lines.size(), 1u);
  EXPECT_EQ(plan.lines[0].verdict, kProgram);
  (void)files.RemoveFile(In(L"install.log"));
  EXPECT_EQ(Plan().log, LogState::kMissing);
  files.PutFile(In(L"install.log"), "");
  EXPECT_EQ(Plan().log, LogState::kMissing);
  // One that is there but cannot be read: the message says why.
  files.faults[fakes::MemoryFileSystem::Key(In(L"install.log"))] = {
      Fault::At::kOpen, Error{ErrorKind::kAccessDenied, 5}};
  const UninstallPlan unread = Plan();
  EXPECT_EQ(unread.log, LogState::kMissing);
  EXPECT_EQ(UninstallResultText(0, unread, {}, L""),
            L"The install log \"D:\\Apps\\Tagwright\\install.log\" cannot be read (access "
            L"denied), so nothing was removed.");
}

struct RecordRow {
  std::string record;
  bool removed;
};

TEST_F(Uninstall, TheUserRecordGoesOnlyWhenItNamesThisFolder) {
  const RecordRow rows[] = {
      {"D:\\Apps\\Tagwright\\\r\n", true},
      {"d:\\apps\\tagwright\r\nx\r\n", true},
      {"D:\\Apps\\Other\\\r\n", false},
      {"D:\\Apps\\Tagwright\\x\\\r\n", false},
      {"", false},
  };
  for (const RecordRow& row : rows) {
    Install({});
    files.PutFile(kRecord, row.record);
    files.PutFile(L"C:\\Users\\ann\\AppData\\TGWR\\other.txt", "theirs");
    EXPECT_TRUE(RunUninstall(files, Plan()).Completed());
    EXPECT_EQ(files.HasFile(kRecord), !row.removed) << row.record;
    EXPECT_TRUE(files.HasFolder(L"C:\\Users\\ann\\AppData\\TGWR"));
  }
  (void)files.RemoveFile(L"C:\\Users\\ann\\AppData\\TGWR\\other.txt");
  Install({});
  (void)RunUninstall(files, Plan());
  EXPECT_FALSE(files.HasFolder(L"C:\\Users\\ann\\AppData\\TGWR"));
}

TEST_F(Uninstall, AFileThatStaysIsReportedAndTheMeansToFinishStay) {
  Install({In(L"Tagwright.exe"), In(L"templates\\empty.htm"), In(L"Uninstall.exe")});
  files.faults[fakes::MemoryFileSystem::Key(In(L"Tagwright.exe"))] = {Fault::At::kOpen,
                                                                      Error{ErrorKind::kInUse, 32}};
  files.faults[fakes::MemoryFileSystem::Key(In(L"mscomctl.ocx"))] = {
      Fault::At::kOpen, Error{ErrorKind::kAccessDenied, 5}};
  const UninstallPlan plan = Plan();
  const UninstallOutcome outcome = RunUninstall(files, plan);
  ASSERT_EQ(outcome.failed.size(), 2u);
  EXPECT_EQ(outcome.failed[0].path, In(L"Tagwright.exe"));
  EXPECT_EQ(outcome.failed[0].error.kind, ErrorKind::kInUse);
  EXPECT_FALSE(files.HasFile(In(L"templates\\empty.htm")));
  EXPECT_FALSE(files.HasFile(kRecord));
  for (const wchar_t* kept : {L"Uninstall.exe", L"install.log", L"Settings.dat"}) {
    EXPECT_TRUE(files.HasFile(In(kept))) << ::testing::PrintToString(std::wstring(kept));
  }
  EXPECT_EQ(UninstallResultText(0, plan, outcome, In(L"Uninstall.exe")),
            L"Tagwright was not removed completely. Not removed: \"D:\\Apps\\Tagwright\\"
            L"Tagwright.exe\" (file in use); \"D:\\Apps\\Tagwright\\mscomctl.ocx\" (access "
            L"denied). Close any program that uses them, then run \"D:\\Apps\\Tagwright\\"
            L"Uninstall.exe\" again to finish.");
}

struct LanguageRow {
  std::optional<std::string> settings;  // nothing: no file
  std::optional<std::wstring> value;
  int language;
};

TEST_F(Uninstall, TheLastLanguageLineOfTheSettingsChoosesTheLanguage) {
  const LanguageRow rows[] = {
      {std::nullopt, std::nullopt, 0},
      {"", std::nullopt, 0},
      {"Language=english\r\n", L"english", 0},
      {"Language=english\r\nLanguage=russian\r\n", L"russian", 1},
      {"Language=russian\r\nLanguage=english\r\nColour=red\r\n", L"english", 0},
      {"LANGUAGE=RUSSIAN", L"RUSSIAN", 1},
      {"Language=klingon\r\n", L"klingon", 0},
  };
  for (const LanguageRow& row : rows) {
    (void)files.RemoveFile(In(L"Settings.dat"));
    if (row.settings) files.PutFile(In(L"Settings.dat"), *row.settings);
    const auto value = ReadLanguageSetting(files, kDir);
    EXPECT_EQ(value, row.value) << row.settings.value_or("<none>");
    EXPECT_EQ(UninstallLanguage(value), row.language);
  }
  EXPECT_EQ(UninstallQuestion(0), L"Remove Tagwright and all of its components?");
  EXPECT_EQ(UninstallQuestion(1), L"Удалить Tagwright и все его компоненты?");
}

TEST_F(Uninstall, TheLastMessageSaysWhatWasDoneAndNamesWhatWasSkipped) {
  std::vector<std::wstring> hostile;
  for (int i = 0; i < 9; ++i) hostile.push_back(L"C:\\x" + std::wstring(1, L'0' + i));
  hostile.insert(hostile.begin() + 1, L"nul\x01");
  Install(hostile);
  const UninstallPlan plan = Plan();
  const UninstallOutcome outcome = RunUninstall(files, plan);
  EXPECT_EQ(UninstallResultText(0, plan, outcome, In(L"Uninstall.exe")),
            L"Tagwright has been removed from your computer.\r\n\r\nLines of the install log left "
            L"alone: \"C:\\x0\", \"C:\\x1\", \"C:\\x2\", \"C:\\x3\", \"C:\\x4\", \"C:\\x5\", "
            L"\"C:\\x6\" (outside the folders of Tagwright); \"nul?\" (not a plain path); and 2 "
            L"more.");
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
