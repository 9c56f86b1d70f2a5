// The product's own programs, in installs made with the setup. The uninstaller, driven with
// tgwauto's code or run by tgwauto.exe --uninstall: after a real install (the full setup, desktop
// icon on) nothing of the product stays but what the user added, and its own file and its copy in
// the temp folder go within seconds; it asks in the language of the settings; it touches nothing a
// hostile install log names outside the product's places, and says what it skipped; a file held
// open stays and is reported, and a second run finishes; No touches nothing. The editor's
// stand-in shows the interface language of the settings beside it.

#include "e2e.h"

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

// Whether the uninstaller's copies in the temp folder (~tgwun<number>-<n>.exe) are gone: it waits
// for the uninstaller, deletes its file and ends; the system deletes the copy then.
bool FinisherCopiesGone() {
  const auto gone = [] {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((TempFolder() + L"~tgwun*.exe").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return search == INVALID_HANDLE_VALUE;
  };
  return WaitUntil(gone, 5000);
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
      std::ranges::copy(Left(folder, below + name + L"\\"), std::back_inserter(left));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::ranges::sort(left);
  return left;
}

// `link`, a symbolic link of the host to the folder `target`, for as long as this lives: Wine
// shows it as a reparse point (Wine's CreateSymbolicLinkW makes nothing, and neither
// RemoveDirectoryW nor DeleteFileW removes one). Host programs give no handle to wait for.
class HostLink {
 public:
  HostLink(std::wstring link, const std::wstring& target) : link_(std::move(link)) {
    Host(L"ln", L"-s \"" + HostPath(target) + L"\" \"" + HostPath(link_) + L"\"");
    if (!WaitUntil([&] { return IsLink(); }, 5000)) throw DriverError(L"no link " + link_);
  }
  ~HostLink() {
    Host(L"rm", L"-f \"" + HostPath(link_) + L"\"");
    WaitUntil([&] { return !IsLink(); }, 5000);
  }
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;

 private:
  static void Host(const std::wstring& tool, const std::wstring& arguments) {
    Process({.program = L"Z:\\bin\\" + tool, .arguments = arguments});
  }
  static std::wstring HostPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* const name = unix_name == nullptr ? nullptr : unix_name(path.c_str());
    if (name == nullptr) throw DriverError(L"no host path for " + path);
    const std::string bytes(name);
    HeapFree(GetProcessHeap(), 0, name);
    return std::wstring(bytes.begin(), bytes.end());
  }
  bool IsLink() const {
    const DWORD attributes = GetFileAttributesW(link_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  std::wstring link_;
};

// What an uninstall run shows: the question (its title and text) and the final message. Run by
// tgwauto.exe (which answers Yes), the exit code is tgwauto's and the message its output, the
// question unseen.
struct Shown {
  std::uint32_t exit_code = 0;
  std::wstring title{};
  std::wstring question{};
  std::wstring message{};
};

// Uninstalls from `dir`, answering `answer`, pictures of the messages into the screenshots
// folder `shots` unless it is empty.
Shown Uninstall(const Scenario& scenario, const std::wstring& dir, Answer answer, bool by_tgwauto,
                const std::wstring& shots) {
  const std::wstring pictures = shots.empty() ? L"" : ShotFolder(shots);
  if (!by_tgwauto) {
    const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), TestDesktop());
    const UninstallOutcome outcome = DriveUninstall(uninstaller, answer, pictures, Deadline(60000));
    EXPECT_EQ(outcome.notes, std::vector<std::wstring>{});
    return {outcome.exit_code, outcome.title, outcome.question, outcome.final_message};
  }
  std::vector<std::wstring> arguments{L"--uninstall", dir};
  if (!pictures.empty()) arguments.insert(arguments.end(), {L"--shots", pictures});
  const AutoRun run = RunAuto(arguments, scenario.ProgramEnvironment());
  for (const wchar_t* picture : {L"\\uninstall-question.png", L"\\uninstall-message.png"}) {
    EXPECT_TRUE(pictures.empty() || IsPng(pictures + picture)) << Utf8(picture);
  }
  // 0: the message on standard output; 1: on standard error, with the uninstaller's exit code.
  EXPECT_EQ(run.exit_code == 0 ? run.error : run.out, L"");
  Shown shown{.exit_code = run.exit_code, .message = run.exit_code == 0 ? run.out : run.error};
  if (shown.message.ends_with(L'\n')) shown.message.pop_back();
  return shown;
}

// The shortcuts, the Programs group, the per-user record and its folder: gone after Yes, there
// after No (the desktop icon when the install made one).
void ExpectUsersFolders(const Scenario& scenario, bool removed) {
  for (const std::wstring& shortcut : ShortcutFiles()) {
    EXPECT_NE(FileExists(shortcut), removed) << Utf8(shortcut);
  }
  EXPECT_NE(FolderExists(ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright"), removed);
  EXPECT_NE(FileExists(scenario.UserRecord()), removed);
  EXPECT_NE(FolderExists(scenario.appdata() + L"\\TGWR"), removed);
}

TEST(UninstallRoundTrip, NothingOfOursStaysButTheUsersFile) {
  const Scenario scenario;
  RemoveShortcuts();
  const std::wstring dir = scenario.Install(FullSetup(), scenario / L"apps");
  // The installed editor, started as its shortcuts start it.
  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", dir, scenario.ProgramEnvironment(), L"tagwright"),
            L"Interface language: english");
  Write(dir + L"templates\\mine.htm", "the user's page");

  const Shown run = Uninstall(scenario, dir, Answer::kYes, /*by_tgwauto=*/true, L"uninstall");
  EXPECT_EQ(run.message, kEnglish.removed);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_TRUE(FinisherCopiesGone());
  EXPECT_EQ(Left(dir), (std::vector<std::wstring>{L".", L"templates", L"templates\\mine.htm"}));
  EXPECT_EQ(ReadFile(dir + L"templates\\mine.htm"), "the user's page");
  ExpectUsersFolders(scenario, /*removed=*/true);
}

enum class Trouble {
  kNone,
  kHostileLog,  // lines naming files of others at the install log's end, one through a link
  kFileInUse,   // templates\empty.htm held open while it runs
};

struct UninstallRow {
  const wchar_t* name;                // also that of the screenshots folder, after "uninstall-"
  std::vector<std::wstring> install;  // tgwauto.exe's choices for the install before
  const char* settings;               // the settings file then; null: none
  Trouble trouble;
  Answer answer;
  bool by_tgwauto;  // run by tgwauto.exe
  bool russian;     // the language it installs, asks and answers in
  std::uint32_t exit_code;
  std::vector<std::wstring> left;  // what lies in the install folder after Yes (see Left)
};

// Installs the small setup with tgwauto.exe and the row's choices into `dir`, with the staged
// uninstaller and editor and the row's settings file.
void InstallForRow(const Scenario& scenario, const std::wstring& dir, const UninstallRow& row) {
  RemoveTree(dir);
  RemoveShortcuts();
  std::vector<std::wstring> arguments{SmallSetup(), L"--folder", dir.substr(0, dir.size() - 1)};
  arguments.insert(arguments.end(), row.install.begin(), row.install.end());
  const AutoRun run = RunAuto(arguments, scenario.ProgramEnvironment());
  EXPECT_EQ(run.exit_code, 0u) << Utf8(run.error);
  EXPECT_EQ(run.out, (row.russian ? kCompleteRussian : kComplete) +
                         std::wstring(L"\nInstalled into ") + dir + L"\n");
  ExpectInstalled(scenario,
                  {.dir = dir,
                   .settings = row.russian ? "Language=russian\r\n" : "Language=english\r\n",
                   .desktop_icon = std::ranges::count(row.install, L"--no-desktop-icon") == 0});
  for (const wchar_t* program : {L"Uninstall.exe", L"Tagwright.exe"}) {
    CopyFileTo(Sample(L"product\\") + program, dir + program);
  }
  DeleteFileW((dir + L"Settings.dat").c_str());
  if (row.settings != nullptr) Write(dir + L"Settings.dat", row.settings);
}

TEST(Uninstall, AsksInTheSettingsLanguageRemovesOnlyOursAndSaysWhatStayed) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  const std::wstring outside = scenario / L"outside.txt";
  const std::wstring victims = scenario / L"victims\\";
  const std::wstring other_shortcut = ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\other.lnk";
  const std::vector<std::wstring> hostile_lines = {
      L"..\\outside.txt",
      outside,
      dir + L"templates\\..\\..\\outside.txt",
      L"\\\\?\\" + outside,
      other_shortcut,
      dir + L"plug-ins\\victim.dll",  // through a link to the folder of victims
  };
  const std::wstring held = dir + L"templates\\empty.htm";
  // What a second run needs stays: the uninstaller, its log and the language.
  const std::vector<std::wstring> kept = {L".",           L"Settings.dat", L"Uninstall.exe",
                                          L"install.log", L"templates",    L"templates\\empty.htm"};
  const char* const russian_last = "Language=english\r\nLanguage=russian\r\n";
  const UninstallRow rows[] = {
      {L"no-settings", {}, nullptr, Trouble::kNone, Answer::kNo, false, false, 3, {}},
      {L"russian-last",
       {L"--language=russian", L"--no-desktop-icon", L"--timeout", L"120"},
       russian_last,
       Trouble::kNone,
       Answer::kYes,
       false,
       true,
       0,
       {}},
      {L"file-in-use",
       {},
       "Language=english\r\n",
       Trouble::kFileInUse,
       Answer::kYes,
       true,
       false,
       1,
       kept},
      {L"hostile-log",
       {},
       "Language=english\r\n",
       Trouble::kHostileLog,
       Answer::kYes,
       false,
       false,
       0,
       {L".", L"plug-ins"}},
  };
  Write(outside, "theirs");
  MakeFolders(victims);
  Write(victims + L"victim.dll", "theirs");
  Write(other_shortcut, "theirs");
  for (const UninstallRow& row : rows) {
    SCOPED_TRACE(row.name);
    InstallForRow(scenario, dir, row);
    if (row.trouble == Trouble::kNone) {  // started from another folder: the settings beside it
      EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", scenario.folder(), {}),
                row.russian ? L"Interface language: russian" : L"Interface language: english");
    }
    const bool hostile = row.trouble == Trouble::kHostileLog;
    const std::string log = *ReadFile(dir + L"install.log") +
                            CrLfLines(hostile ? hostile_lines : std::vector<std::wstring>{});
    Write(dir + L"install.log", log);
    std::optional<HostLink> plug_ins;
    if (hostile) {
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

    const Texts& texts = row.russian ? kRussian : kEnglish;
    const Shown run = Uninstall(scenario, dir, row.answer, row.by_tgwauto,
                                std::wstring(L"uninstall-") + row.name);
    if (!row.by_tgwauto) {
      EXPECT_EQ(run.title, texts.title);
      EXPECT_EQ(run.question, texts.question);
    }
    EXPECT_EQ(run.exit_code, row.exit_code);
    std::wstring message = row.answer == Answer::kNo ? L"" : texts.removed;
    if (row.trouble == Trouble::kFileInUse) {
      message = L"Tagwright was not removed completely. Not removed: \"" + held +
                L"\" (file in use). Close any program that uses them, then run \"" + dir +
                L"Uninstall.exe\" again to finish.\n(the uninstaller's exit code: 1)";
    }
    const std::size_t skipped = std::min(run.message.find(kSkipped), run.message.size());
    EXPECT_EQ(run.message.substr(0, skipped), message);
    for (const std::wstring& line : hostile ? hostile_lines : std::vector<std::wstring>{}) {
      EXPECT_NE(run.message.find(L"\"" + line + L"\"", skipped), std::wstring::npos) << Utf8(line);
    }
    // It and its copy have ended: its own file is gone, and the folder when nothing else is left.
    EXPECT_EQ(Left(dir), row.answer == Answer::kNo ? before : row.left);
    EXPECT_TRUE(FinisherCopiesGone());
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

}  // namespace
}  // namespace tgw::e2e
