// The product's own programs, in installs made with tgwauto's steps. The uninstaller, driven with
// tgwauto's code or run by tgwauto.exe --uninstall: after a real install (the full setup, desktop
// icon on) nothing of the product stays but what the user added, and its own file and its copy in
// the temp folder go within seconds; it asks in the language of the settings; it touches nothing a
// hostile install log names outside the product's places, and says what it skipped; a file held
// open stays and is reported, and a second run finishes; No touches nothing. The editor's
// stand-in shows the interface language of the settings beside it.

#include "uninstall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "expected.h"
#include "scenario.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

// The uninstaller's texts in a language.
struct Texts {
  const wchar_t* title;
  const wchar_t* question;
  const wchar_t* removed;
};
constexpr Texts kEnglish{L"Uninstall Tagwright", L"Remove Tagwright and all of its components?",
                         L"Tagwright has been removed from your computer."};
constexpr Texts kRussian{L"Удаление Tagwright", L"Удалить Tagwright и все его компоненты?",
                         L"Tagwright удалён с компьютера."};
constexpr wchar_t kSkipped[] = L"\r\n\r\nLines of the install log left alone: ";
// How long the uninstaller's own file and its copy may stay after the uninstaller ended.
constexpr DWORD kSelfRemovalMs = 5000;

void Write(const std::wstring& path, std::string_view bytes) {
  if (!::tgw::testing::WriteRaw(path, bytes)) throw DriverError(L"cannot write " + path);
}

// The uninstaller's copies in the temp folder (finisher.cpp names them ~tgwun<number>-<n>.exe).
std::vector<std::wstring> FinisherCopies() {
  std::vector<std::wstring> copies;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((TempFolder() + L"~tgwun*.exe").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return copies;
  do {
    copies.push_back(TempFolder() + found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return copies;
}

// What lies in `folder`: "." for the folder itself, then the relative path of each file and
// folder below it (not through a link); nothing when there is no such folder.
std::vector<std::wstring> Left(const std::wstring& folder, const std::wstring& below = L"") {
  std::vector<std::wstring> left;
  if (below.empty() && FolderExists(folder)) left.push_back(L".");
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + below + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return left;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    left.push_back(below + name);
    const DWORD attributes = GetFileAttributesW((folder + below + name).c_str());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      for (std::wstring& inner : Left(folder, below + name + L"\\")) left.push_back(inner);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(left.begin(), left.end());
  return left;
}

// The path of the host's file system (Linux) that Wine shows as `path`; empty when none.
std::wstring HostPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* const name = unix_name == nullptr ? nullptr : unix_name(path.c_str());
  if (name == nullptr) return {};
  const std::string bytes(name);
  HeapFree(GetProcessHeap(), 0, name);
  return std::wstring(bytes.begin(), bytes.end());
}

// Runs a program of the system's, or of the host (Z:\bin\...) under Wine, which gives no handle
// of such a process to wait for.
void RunCommand(const std::wstring& program, const std::wstring& arguments) {
  wchar_t system[MAX_PATH + 1] = {};
  GetSystemDirectoryW(system, MAX_PATH + 1);
  const std::wstring path =
      program.find(L'\\') == std::wstring::npos ? std::wstring(system) + L"\\" + program : program;
  const Process process({.program = path, .arguments = arguments});
  if (process.handle() != nullptr) process.WaitForExit(10000);
}

// `link`, a junction or symbolic link to the folder `target`, for as long as this lives: under
// Wine a symbolic link of the host (Wine shows one to a folder as a reparse point; its
// CreateSymbolicLinkW makes nothing, and neither RemoveDirectoryW nor DeleteFileW removes one),
// on Windows a junction.
class FolderLink {
 public:
  FolderLink(std::wstring link, const std::wstring& target) : link_(std::move(link)) {
    if (UnderWine()) {
      RunCommand(L"Z:\\bin\\ln", L"-s \"" + HostPath(target) + L"\" \"" + HostPath(link_) + L"\"");
    } else {
      RunCommand(L"cmd.exe", L"/c mklink /J \"" + link_ + L"\" \"" + target + L"\"");
    }
    if (!WaitUntil([&] { return IsLink(); }, 5000)) throw DriverError(L"no link " + link_);
  }
  ~FolderLink() {
    if (UnderWine()) {
      RunCommand(L"Z:\\bin\\rm", L"-f \"" + HostPath(link_) + L"\"");
    } else {
      RemoveDirectoryW(link_.c_str());  // the junction, not what it points at
    }
    WaitUntil([&] { return !IsLink(); }, 5000);
  }
  FolderLink(const FolderLink&) = delete;
  FolderLink& operator=(const FolderLink&) = delete;

 private:
  bool IsLink() const {
    const DWORD attributes = GetFileAttributesW(link_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  std::wstring link_;
};

// What an uninstall run shows: the question (its title and text) and the final message.
struct Shown {
  std::uint32_t exit_code = 0;  // the uninstaller's
  std::wstring title{};
  std::wstring question{};
  std::wstring message{};
};

// Uninstalls from `dir`, answering `answer`, with tgwauto's code here or by tgwauto.exe
// --uninstall (which answers Yes; its output gives the message and the uninstaller's exit code,
// not the question), pictures of the messages into the screenshots folder `shots` unless
// it is empty.
Shown Uninstall(const Scenario& scenario, const std::wstring& dir, Answer answer, bool by_tgwauto,
                const std::wstring& shots) {
  const std::wstring pictures = shots.empty() ? L"" : ScreenshotFolder(shots);
  if (!by_tgwauto) {
    const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), TestDesktop());
    const UninstallOutcome outcome = DriveUninstall(uninstaller, answer, pictures, Deadline(60000));
    EXPECT_EQ(outcome.notes, std::vector<std::wstring>{});
    return {outcome.exit_code, outcome.title, outcome.question, outcome.final_message};
  }
  std::vector<std::wstring> arguments{L"--uninstall", dir};
  if (!pictures.empty()) arguments.insert(arguments.end(), {L"--shots", pictures});
  const AutoRun run = RunAuto(arguments, scenario.ProgramEnvironment());
  if (!pictures.empty()) {
    EXPECT_TRUE(IsPng(pictures + L"\\uninstall-question.png"));
    EXPECT_TRUE(IsPng(pictures + L"\\uninstall-message.png"));
  }
  // 0: the message on standard output; 1: on standard error, then the uninstaller's exit code.
  const bool removed = run.exit_code == 0;
  EXPECT_EQ(removed ? run.error : run.out, L"");
  Shown shown{.exit_code = removed ? 0u : 99u, .message = removed ? run.out : run.error};
  constexpr std::wstring_view kCode = L"\n(the uninstaller's exit code: ";
  const std::size_t code = shown.message.rfind(kCode);
  if (run.exit_code == 1 && code != std::wstring::npos) {
    shown.exit_code = static_cast<std::uint32_t>(
        std::wcstoul(shown.message.c_str() + code + kCode.size(), nullptr, 10));
    shown.message.resize(code + 1);
  }
  if (shown.message.ends_with(L'\n')) shown.message.pop_back();
  return shown;
}

// What stays of the product when the uninstaller has run: nothing in the user's folders (the
// shortcuts, the Programs group, the per-user record and its folder) after Yes, everything after
// No; what lies in `dir` is checked by the caller.
void ExpectUsersFolders(const Scenario& scenario, bool removed) {
  for (const std::wstring& shortcut : ShortcutFiles()) {
    EXPECT_NE(FileExists(shortcut), removed) << Utf8(shortcut);
  }
  EXPECT_NE(FolderExists(ProgramsFolder() + L"\\Tagwright"), removed);
  EXPECT_NE(FileExists(scenario.UserRecord()), removed);
  EXPECT_NE(FolderExists(scenario.appdata() + L"\\TGWR"), removed);
}

TEST(UninstallRoundTrip, NothingOfOursStaysButTheUsersFile) {
  const Scenario scenario;
  RemoveShortcuts();
  const std::wstring dir = scenario.Install(FullSetup(), scenario.folder() + L"apps");
  ASSERT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SampleNames(), true));
  {
    SCOPED_TRACE("the installed editor, started as its shortcuts start it");
    const TagwrightTexts shown = ShowTagwright(
        dir + L"Tagwright.exe", dir, scenario.ProgramEnvironment(), ScreenshotPath(L"tagwright"));
    EXPECT_EQ(shown.product, L"Tagwright 2.50");
    EXPECT_EQ(shown.language, L"Interface language: english");
    EXPECT_EQ(shown.exit_code, 0u);
  }
  Write(dir + L"templates\\mine.htm", "the user's page");

  const Shown run = Uninstall(scenario, dir, Answer::kYes, /*by_tgwauto=*/true, L"uninstall");
  EXPECT_EQ(run.message, kEnglish.removed);
  EXPECT_EQ(run.exit_code, 0u);
  // tgwauto waited for the copy; the system deletes it as it ends.
  EXPECT_TRUE(WaitUntil([] { return FinisherCopies().empty(); }, kSelfRemovalMs));
  EXPECT_EQ(Left(dir), (std::vector<std::wstring>{L".", L"templates", L"templates\\mine.htm"}));
  EXPECT_EQ(ReadFile(dir + L"templates\\mine.htm"), "the user's page");
  ExpectUsersFolders(scenario, /*removed=*/true);
}

constexpr char kEnglishOnly[] = "Language=english\r\n";
constexpr char kEnglishLast[] = "Language=russian\r\nLanguage=english\r\n";
constexpr char kRussianLast[] = "Language=english\r\nLanguage=russian\r\n";

enum class Trouble {
  kNone,
  kHostileLog,  // hostile lines at the install log's end (one of them through a link)
  kFileInUse,   // templates\empty.htm held open while it runs
};

struct UninstallRow {
  const wchar_t* name;   // also that of the screenshots folder, after "uninstall-"
  const char* settings;  // the settings file; null: none
  Trouble trouble;
  Answer answer;
  bool by_tgwauto;  // run by tgwauto.exe, through which the question is not seen
  Texts texts;      // the language it asks and answers in
  std::uint32_t exit_code;
  std::vector<std::wstring> left;  // what lies in the install folder after Yes (see Left)
};

TEST(Uninstall, AsksInTheSettingsLanguageRemovesOnlyOursAndSaysWhatStayed) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  const std::wstring outside = scenario / L"outside.txt";
  const std::wstring victims = scenario / L"victims\\";
  const std::wstring other_shortcut = DesktopFolder() + L"\\other.lnk";
  // The first eight are named in the message, then "and 3 more".
  const std::vector<std::wstring> hostile_lines = {
      L"..\\outside.txt",
      outside,
      dir + L"templates\\..\\..\\outside.txt",
      L"\\\\?\\" + outside,
      L"\\\\.\\" + outside.substr(0, 2),
      dir + L"COM1",
      dir + L"nul.txt",
      dir.substr(0, dir.size() - 1),  // the folder itself
      L"Q:\\Tagwright\\Tagwright.exe",
      other_shortcut,
      dir + L"plug-ins\\victim.dll",  // behind a symbolic link (a junction on Windows)
  };
  const std::wstring held = dir + L"templates\\empty.htm";
  const std::wstring not_removed =
      L"Tagwright was not removed completely. Not removed: \"" + held +
      L"\" (file in use). Close any program that uses them, then run \"" + dir +
      L"Uninstall.exe\" again to finish.";
  // What a second run needs stays: the uninstaller, its log and the language.
  const std::vector<std::wstring> kept = {L".",           L"Settings.dat", L"Uninstall.exe",
                                          L"install.log", L"templates",    L"templates\\empty.htm"};
  const std::vector<std::wstring> link = {L".", L"plug-ins"};
  const UninstallRow rows[] = {
      {L"no-settings", nullptr, Trouble::kNone, Answer::kNo, false, kEnglish, 3, {}},
      {L"english-last", kEnglishLast, Trouble::kNone, Answer::kNo, false, kEnglish, 3, {}},
      {L"russian-last", kRussianLast, Trouble::kNone, Answer::kYes, false, kRussian, 0, {}},
      {L"file-in-use", kEnglishOnly, Trouble::kFileInUse, Answer::kYes, true, kEnglish, 1, kept},
      {L"hostile-log", kEnglishOnly, Trouble::kHostileLog, Answer::kYes, false, kEnglish, 0, link},
  };
  // Files of others where the hostile lines point.
  Write(outside, "theirs");
  MakeFolders(victims);
  Write(victims + L"victim.dll", "theirs");
  Write(other_shortcut, "theirs");
  for (const UninstallRow& row : rows) {
    SCOPED_TRACE(row.name);
    RemoveTree(dir);
    RemoveShortcuts();
    ASSERT_EQ(scenario.Install(SmallSetup(), scenario.folder()), dir);
    CopyFileTo(StagedProgram(L"Uninstall.exe"), dir + L"Uninstall.exe");
    DeleteFileW((dir + L"Settings.dat").c_str());
    if (row.settings != nullptr) Write(dir + L"Settings.dat", row.settings);
    const std::vector<std::wstring> more_lines =
        row.trouble == Trouble::kHostileLog ? hostile_lines : std::vector<std::wstring>{};
    const std::string log = ReadFile(dir + L"install.log").value() + CrLfLines(more_lines);
    Write(dir + L"install.log", log);
    std::optional<FolderLink> plug_ins;
    if (row.trouble == Trouble::kHostileLog) {
      RemoveTree(dir + L"plug-ins");
      plug_ins.emplace(dir + L"plug-ins", victims);
    }
    const std::vector<std::wstring> before = Left(dir);
    std::optional<win32::UniqueFile> held_open;
    if (row.trouble == Trouble::kFileInUse) {
      held_open.emplace(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(*held_open);
    }

    const Shown run = Uninstall(scenario, dir, row.answer, row.by_tgwauto,
                                std::wstring(L"uninstall-") + row.name);
    if (!row.by_tgwauto) {
      EXPECT_EQ(run.title, row.texts.title);
      EXPECT_EQ(run.question, row.texts.question);
    }
    EXPECT_EQ(run.exit_code, row.exit_code);
    const std::size_t skipped = std::min(run.message.find(kSkipped), run.message.size());
    std::wstring message = row.answer == Answer::kNo ? L"" : row.texts.removed;
    if (row.trouble == Trouble::kFileInUse) message = not_removed;
    EXPECT_EQ(run.message.substr(0, skipped), message);
    const std::wstring skipped_lines = run.message.substr(skipped);
    for (std::size_t i = 0; i < more_lines.size(); ++i) {
      const bool named = skipped_lines.find(L"\"" + more_lines[i] + L"\"") != std::wstring::npos;
      EXPECT_EQ(named, i < 8) << i;
    }
    EXPECT_EQ(skipped_lines.ends_with(L"and 3 more."), !more_lines.empty());
    // It and its copy have ended: its own file is gone, and the folder when nothing else is left.
    EXPECT_EQ(Left(dir), row.answer == Answer::kNo ? before : row.left);
    EXPECT_TRUE(WaitUntil([] { return FinisherCopies().empty(); }, kSelfRemovalMs));
    ExpectUsersFolders(scenario, row.answer == Answer::kYes);
    if (row.answer == Answer::kNo) {
      EXPECT_EQ(ReadFile(dir + L"install.log"), log);
    }
    EXPECT_EQ(ReadFile(outside), "theirs");
    EXPECT_EQ(ReadFile(victims + L"victim.dll"), "theirs");
    EXPECT_EQ(ReadFile(other_shortcut), "theirs");
    if (row.trouble == Trouble::kFileInUse) {
      SCOPED_TRACE("run again, the file closed");
      held_open.reset();
      const Shown again = Uninstall(scenario, dir, Answer::kYes, row.by_tgwauto, L"");
      EXPECT_EQ(again.message, kEnglish.removed);
      EXPECT_EQ(again.exit_code, 0u);
      EXPECT_EQ(Left(dir), std::vector<std::wstring>{});
    }
  }
  RemoveTree(other_shortcut);
}

struct SettingsRow {
  std::optional<std::string> settings;  // nothing: no settings file
  const wchar_t* language;
};

TEST(Tagwright, ShowsItsNameAndTheInterfaceLanguageOfTheSettings) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  MakeFolders(dir);
  CopyFileTo(StagedProgram(L"Tagwright.exe"), dir + L"Tagwright.exe");
  const SettingsRow rows[] = {
      {std::nullopt, L"english"},
      {"Language=english\r\n", L"english"},
      {"Language=english\r\nLanguage=russian\r\n", L"russian"},
      {"Language=russian\r\nLanguage=english\r\n", L"english"},
  };
  for (const SettingsRow& row : rows) {
    SCOPED_TRACE(row.settings.value_or("<no settings file>"));
    DeleteFileW((dir + L"Settings.dat").c_str());
    if (row.settings) Write(dir + L"Settings.dat", *row.settings);
    // Started from another folder: the settings beside the program count, not the current ones.
    const TagwrightTexts shown =
        ShowTagwright(dir + L"Tagwright.exe", scenario.folder(), scenario.ProgramEnvironment());
    EXPECT_EQ(shown.title, L"Tagwright 2.50");
    EXPECT_EQ(shown.product, L"Tagwright 2.50");
    EXPECT_EQ(shown.language, std::wstring(L"Interface language: ") + row.language);
    EXPECT_EQ(shown.exit_code, 0u);
  }
}

}  // namespace
}  // namespace tgw::e2e
