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
// folder below it; nothing when there is no such folder.
std::vector<std::wstring> Left(const std::wstring& folder) {
  std::vector<std::wstring> left;
  if (!FolderExists(folder)) return left;
  left.push_back(L".");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    left.push_back(entry.path().wstring().substr(folder.size()));
  }
  std::ranges::sort(left);
  return left;
}

// Runs the host's program `tool` (Z:\bin\`tool`) with `flags` and the host's names of `paths`.
// Such a program gives no handle to wait for.
void OnHost(const std::wstring& tool, const std::wstring& flags,
            const std::vector<std::wstring>& paths) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring arguments = flags;
  for (const std::wstring& path : paths) {
    char* const name = unix_name(path.c_str());
    arguments += L" \"" + FromUtf8(name) + L"\"";
    HeapFree(GetProcessHeap(), 0, name);
  }
  Process({.program = L"Z:\\bin\\" + tool, .arguments = arguments});
}

// `link`, a symbolic link of the host to the folder `target`, for as long as this lives: Wine
// shows it as a reparse point (Wine's CreateSymbolicLinkW makes nothing, and neither
// RemoveDirectoryW nor DeleteFileW removes one).
class HostLink {
 public:
  HostLink(std::wstring link, const std::wstring& target) : link_(std::move(link)) {
    OnHost(L"ln", L"-s", {target, link_});
    if (!WaitUntil([&] { return IsLink(); }, 5000)) throw DriverError(L"no link " + link_);
  }
  ~HostLink() {
    OnHost(L"rm", L"-f", {link_});
    WaitUntil([&] { return !IsLink(); }, 5000);
  }
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;

 private:
  bool IsLink() const {
    return (GetFileAttributesW(link_.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           FolderExists(link_);
  }

  std::wstring link_;
};

// Uninstalls from `dir`, answering `answer`, with pictures of the messages in the screenshots
// folder `shots` unless it is empty. Run by tgwauto.exe (which answers Yes), the exit code is
// tgwauto's, the final message its output and the question unseen.
UninstallOutcome RunUninstaller(const Scenario& scenario, const std::wstring& dir, Answer answer,
                                bool by_tgwauto, const std::wstring& shots) {
  const std::wstring pictures = shots.empty() ? L"" : ShotFolder(shots);
  if (!by_tgwauto) {
    const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), kDesktop);
    UninstallOutcome outcome = DriveUninstall(uninstaller, answer, pictures, Deadline(60000));
    EXPECT_EQ(outcome.notes, std::vector<std::wstring>{});
    return outcome;
  }
  std::vector<std::wstring> arguments{L"--uninstall", dir};
  if (!pictures.empty()) arguments.insert(arguments.end(), {L"--shots", pictures});
  const AutoRun run = RunAuto(arguments, scenario.ProgramEnvironment());
  for (const wchar_t* picture : {L"\\uninstall-question.png", L"\\uninstall-message.png"}) {
    EXPECT_TRUE(pictures.empty() || IsPng(pictures + picture)) << Utf8(picture);
  }
  // 0: the message on standard output; 1: on standard error, with the uninstaller's exit code.
  EXPECT_EQ(run.exit_code == 0 ? run.error : run.out, L"");
  UninstallOutcome shown;
  shown.exit_code = run.exit_code;
  shown.final_message = run.exit_code == 0 ? run.out : run.error;
  if (shown.final_message.ends_with(L'\n')) shown.final_message.pop_back();
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
  const std::wstring dir = scenario / L"apps\\Tagwright\\";
  MakeFolders(scenario / L"apps");
  scenario.InstallWithTgwauto(FullSetup(), dir, {});
  // The installed editor, started as its shortcuts start it.
  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", dir, scenario.ProgramEnvironment(), L"tagwright"),
            L"Interface language: english");
  Write(dir + L"templates\\mine.htm", "the user's page");

  const UninstallOutcome run =
      RunUninstaller(scenario, dir, Answer::kYes, /*by_tgwauto=*/true, L"uninstall");
  EXPECT_EQ(run.final_message, kEnglish.removed);
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
  scenario.InstallWithTgwauto(SmallSetup(), dir, row.install, row.russian);
  const bool desktop_icon = std::ranges::count(row.install, L"--no-desktop-icon") == 0;
  ExpectInstalled(scenario,
                  {.dir = dir,
                   .settings = row.russian ? "Language=russian\r\n" : "Language=english\r\n",
                   .desktop_icon = desktop_icon});
  for (const wchar_t* program : {L"Uninstall.exe", L"Tagwright.exe"}) {
    CopyFileTo(Sample(L"product\\") + program, dir + program);
  }
  DeleteFileW((dir + L"Settings.dat").c_str());
  if (row.settings != nullptr) Write(dir + L"Settings.dat", row.settings);
}

// What the uninstaller showed in a row: the question, the exit code, the message up to the lines
// it skipped (`message` expected there), then each of the `skipped` lines named.
void ExpectShown(const UninstallOutcome& run, const UninstallRow& row, const std::wstring& message,
                 const std::vector<std::wstring>& skipped) {
  const Texts& texts = row.russian ? kRussian : kEnglish;
  if (!row.by_tgwauto) {
    EXPECT_EQ(run.title, texts.title);
    EXPECT_EQ(run.question, texts.question);
  }
  EXPECT_EQ(run.exit_code, row.exit_code);
  const std::size_t end = std::min(run.final_message.find(kSkipped), run.final_message.size());
  EXPECT_EQ(run.final_message.substr(0, end),
            message.empty() && row.answer == Answer::kYes ? texts.removed : message);
  for (const std::wstring& line : skipped) {
    EXPECT_NE(run.final_message.find(L"\"" + line + L"\"", end), std::wstring::npos) << Utf8(line);
  }
}

// The files of others that hostile lines of an install log name, the uninstaller's folder, and a
// row run there.
class Uninstall : public ::testing::Test {
 protected:
  Uninstall() {
    for (const std::wstring& theirs : {outside, victims + L"victim.dll", other_shortcut}) {
      MakeFolders(theirs.substr(0, theirs.rfind(L'\\')));
      Write(theirs, "theirs");
    }
  }
  ~Uninstall() override { DeleteFileW(other_shortcut.c_str()); }

  void Run(const UninstallRow& row) const {
    InstallForRow(scenario, dir, row);
    if (row.trouble == Trouble::kNone) {  // started from another folder: the settings beside it
      EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", scenario.folder(), {}),
                row.russian ? L"Interface language: russian" : L"Interface language: english");
    }
    const std::vector<std::wstring> lines =
        row.trouble == Trouble::kHostileLog ? hostile_lines : std::vector<std::wstring>{};
    const std::string log = ReadFile(dir + L"install.log").value_or("") + CrLfLines(lines);
    Write(dir + L"install.log", log);
    std::optional<HostLink> plug_ins;
    if (!lines.empty()) {
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
    const UninstallOutcome run = RunUninstaller(scenario, dir, row.answer, row.by_tgwauto,
                                                std::wstring(L"uninstall-") + row.name);
    ExpectShown(run, row, held_open ? NotRemoved() : L"", lines);
    plug_ins.reset();  // what stays is listed without the link, which it left alone
    // It and its copy have ended: its own file is gone, and the folder when nothing else is left.
    EXPECT_EQ(Left(dir), row.answer == Answer::kNo ? before : row.left);
    EXPECT_TRUE(FinisherCopiesGone());
    ExpectUsersFolders(scenario, row.answer == Answer::kYes);
    if (row.answer == Answer::kNo) {
      EXPECT_EQ(ReadFile(dir + L"install.log"), log);
    }
    for (const std::wstring& theirs : {outside, victims + L"victim.dll", other_shortcut}) {
      EXPECT_EQ(ReadFile(theirs), "theirs") << Utf8(theirs);
    }
    if (held_open) {
      SCOPED_TRACE("run again, the file closed");
      held_open.reset();
      const UninstallOutcome again = RunUninstaller(scenario, dir, Answer::kYes, true, L"");
      EXPECT_EQ(again.final_message, kEnglish.removed);
      EXPECT_EQ(again.exit_code, 0u);
      EXPECT_EQ(Left(dir), std::vector<std::wstring>{});
    }
  }

  // What tgwauto.exe says when the held file stays.
  std::wstring NotRemoved() const {
    return L"Tagwright was not removed completely. Not removed: \"" + held +
           L"\" (file in use). Close any program that uses them, then run \"" + dir +
           L"Uninstall.exe\" again to finish.\n(the uninstaller's exit code: 1)";
  }

  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  const std::wstring held = dir + L"templates\\empty.htm";
  const std::wstring outside = scenario / L"outside.txt";
  const std::wstring victims = scenario / L"victims\\";
  const std::wstring other_shortcut = ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\other.lnk";
  const std::vector<std::wstring> hostile_lines = {
      L"..\\outside.txt",
      outside,
      dir + L"templates\\..\\..\\outside.txt",
      L"\\\\?\\" + outside,
      other_shortcut,
      dir + L"plug-ins\\victim.dll" /* through a link to the victims */};
};

TEST_F(Uninstall, AsksInTheSettingsLanguageRemovesOnlyOursAndSaysWhatStayed) {
  // What a second run needs stays: the uninstaller, its log and the language.
  const std::vector<std::wstring> kept = {L".",           L"Settings.dat", L"Uninstall.exe",
                                          L"install.log", L"templates",    L"templates\\empty.htm"};
  const char* const english = "Language=english\r\n";
  const std::vector<std::wstring> russian{L"--language=russian", L"--no-desktop-icon", L"--timeout",
                                          L"120"};
  // clang-format off
  const UninstallRow rows[] = {
      {L"no-settings", {}, nullptr, Trouble::kNone, Answer::kNo, false, false, 3, {}},
      {L"russian-last", russian, "Language=english\r\nLanguage=russian\r\n", Trouble::kNone,
       Answer::kYes, false, true, 0, {}},
      {L"file-in-use", {}, english, Trouble::kFileInUse, Answer::kYes, true, false, 1, kept},
      {L"hostile-log", {}, english, Trouble::kHostileLog, Answer::kYes, false, false, 0, {L"."}},
  };
  // clang-format on
  for (const UninstallRow& row : rows) {
    SCOPED_TRACE(row.name);
    Run(row);
  }
}

}  // namespace
}  // namespace tgw::e2e
