// The uninstaller, run from the install folder as its shortcut runs it, its question answered as a
// user answers it: after a real install (the full setup, desktop icon on) nothing of the product
// stays but what the user added; it asks in the language of the settings; it touches nothing a
// hostile install log names outside the product's places, and says what it skipped; a file held
// open stays and is reported, and a second run finishes. Its own file goes after it has ended.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "expected.h"
#include "planted/marker.h"
#include "program_process.h"
#include "scenario.h"
#include "screenshot.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

constexpr wchar_t kTitle[] = L"Uninstall Tagwright";
constexpr wchar_t kQuestion[] = L"Remove Tagwright and all of its components?";
constexpr wchar_t kRemoved[] = L"Tagwright has been removed from your computer.";
constexpr wchar_t kRussianTitle[] = L"Удаление Tagwright";
constexpr wchar_t kRussianQuestion[] = L"Удалить Tagwright и все его компоненты?";
constexpr wchar_t kRussianRemoved[] = L"Tagwright удалён с компьютера.";
// How long the uninstaller's own file may stay after the uninstaller ended.
constexpr DWORD kSelfRemovalMs = 5000;

enum ExitCode : std::uint32_t { kAllRemoved = 0, kNotAllRemoved = 1, kCancelled = 3 };

// The files the hand-made installs hold, and the folder tree the setup makes.
const std::vector<std::wstring> kNames = {
    L"Tagwright.exe", L"Uninstall.exe", L"languages\\english\\about.lng", L"templates\\empty.htm"};
constexpr const wchar_t* kTree[] = {L"languages\\russian", L"languages\\english", L"plug-ins",
                                    L"templates"};
constexpr const wchar_t* kRecords[] = {L"Settings.dat", L"install.log", L"MSVBVM60.DLL",
                                       L"mscomctl.ocx"};

std::wstring InstallDir(const Scenario& scenario) { return scenario / L"Tagwright\\"; }

void Write(const std::wstring& path, std::string_view bytes) {
  if (!::tgw::testing::WriteRaw(path, bytes)) throw DriverError(L"cannot write " + path);
}

// An install as the setup leaves it, made by hand: a few files (the uninstaller the built one),
// the runtime copies, the settings file (when given), the shortcuts (as plain files), the log
// (with `more_lines` at its end) and the per-user record.
void MakeInstall(const Scenario& scenario, const std::optional<std::string>& settings,
                 const std::vector<std::wstring>& more_lines = {}) {
  const std::wstring dir = InstallDir(scenario);
  RemoveTree(dir);
  RemoveShortcuts();
  for (const wchar_t* folder : kTree) MakeFolders(dir + folder);
  MakeFolders(ProgramsFolder() + L"\\Tagwright");
  std::vector<std::wstring> lines{dir};
  for (const std::wstring& name : kNames) {
    if (name == L"Uninstall.exe") {
      CopyFileTo(BuiltUninstaller(), dir + name);
    } else {
      Write(dir + name, "made by the test\r\n");
    }
    lines.push_back(dir + name);
  }
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) Write(dir + runtime, "runtime");
  if (settings) Write(dir + L"Settings.dat", *settings);
  for (const std::wstring& shortcut : ShortcutFiles()) {
    Write(shortcut, "not a real shortcut");
    lines.push_back(shortcut);
  }
  lines.insert(lines.end(), more_lines.begin(), more_lines.end());
  Write(dir + L"install.log", CrLfLines(lines));
  scenario.WriteUserRecord(dir);
}

// The uninstaller's copy in the temp folder (its finisher) made by the process `id`.
std::wstring FinisherCopy(DWORD id) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return temp + (L"~tgwun" + std::to_wstring(id) + L"-0.exe");
}

struct UninstallRun {
  std::wstring question;
  std::wstring result;  // the last message; empty after No
  std::uint32_t exit_code = 0;
  DWORD process_id = 0;
};

// Runs `program` from its folder, answers its question and, after Yes, its last message.
// `started` is called with the process ID first.
UninstallRun RunUninstaller(const Scenario& scenario, const std::wstring& program, bool yes,
                            const wchar_t* title = kTitle, std::wstring_view screenshots = {},
                            const std::function<void(DWORD)>& started = {}) {
  const ProgramProcess uninstaller(program, scenario.appdata(), InstallDir(scenario));
  UninstallRun run;
  run.process_id = uninstaller.process_id();
  if (started) started(run.process_id);
  const Dialog question(uninstaller.WaitForWindow(title, L"#32770"));
  run.question = question.ItemText(Dialog::kPromptId);
  EXPECT_EQ(question.Buttons(), (std::vector<int>{IDYES, IDNO}));
  if (!screenshots.empty()) {
    SaveStableScreenshot({question.handle()},
                         ScreenshotPath(std::wstring(screenshots) + L"-question"));
  }
  question.Press(yes ? IDYES : IDNO);
  question.WaitClosed();
  if (yes) {
    const Dialog result(uninstaller.WaitForWindow(title, L"#32770", 60000));
    run.result = result.ItemText(Dialog::kPromptId);
    EXPECT_EQ(result.Buttons(), (std::vector<int>{IDOK}));
    if (!screenshots.empty()) {
      SaveStableScreenshot({result.handle()},
                           ScreenshotPath(std::wstring(screenshots) + L"-result"));
    }
    result.Press(IDOK);
  }
  run.exit_code = uninstaller.WaitForExit();
  return run;
}

bool GoneWithin(const std::wstring& path, DWORD timeout_ms) {
  return WaitUntil([&] { return !FileExists(path) && !FolderExists(path); }, timeout_ms, 50);
}

// Nothing of the product in `dir` (the files `names`, the records, the folder tree but for
// plug-ins when `plug_ins_stay`) nor in the user's folders (the shortcuts, the Programs group, the
// per-user record and its folder).
void ExpectNothingOfOursLeft(const Scenario& scenario, const std::vector<std::wstring>& names,
                             bool plug_ins_stay = false) {
  const std::wstring dir = InstallDir(scenario);
  for (const std::wstring& name : names) EXPECT_FALSE(FileExists(dir + name)) << Bytes(name);
  for (const wchar_t* name : kRecords) EXPECT_FALSE(FileExists(dir + name)) << Bytes(name);
  for (const wchar_t* folder : {L"languages\\russian", L"languages\\english", L"languages"}) {
    EXPECT_FALSE(FolderExists(dir + folder)) << Bytes(folder);
  }
  EXPECT_EQ(FolderExists(dir + L"plug-ins"), plug_ins_stay);
  for (const std::wstring& shortcut : ShortcutFiles()) EXPECT_FALSE(FileExists(shortcut));
  EXPECT_FALSE(FolderExists(ProgramsFolder() + L"\\Tagwright"));
  EXPECT_FALSE(FileExists(scenario.UserRecord()));
  EXPECT_FALSE(FolderExists(scenario.appdata() + L"\\TGWR"));
}

TEST(UninstallRoundTrip, NothingOfOursStaysButTheUsersFile) {
  const Scenario scenario;
  const std::wstring dir = InstallDir(scenario);
  RemoveShortcuts();
  {
    const SetupProcess setup(scenario.Options(FullSetup()));
    setup.WaitForStage(0);
    NextTo(setup, 2);
    setup.SetText(Control::Text1, dir);
    NextTo(setup, 3);
    ASSERT_EQ(setup.CheckState(Control::Check1), BST_CHECKED);
    RunToCompletion(setup, kSampleRunMs);
    setup.PostClick(Control::Command3);
    ASSERT_EQ(setup.WaitForExit(), 0u);
  }
  ASSERT_EQ(ReadFile(dir + L"install.log"), InstallLog(dir, SampleNames(), true));
  {
    SCOPED_TRACE("the installed editor, started as its shortcuts start it");
    const TagwrightTexts shown = ShowTagwright(dir + L"Tagwright.exe", dir, scenario.appdata(),
                                               ScreenshotPath(L"tagwright"));
    EXPECT_EQ(shown.product, L"Tagwright 2.50");
    EXPECT_EQ(shown.language, L"Interface language: english");
    EXPECT_EQ(shown.exit_code, 0u);
  }
  Write(dir + L"templates\\mine.htm", "the user's page");

  const UninstallRun run =
      RunUninstaller(scenario, dir + L"Uninstall.exe", true, kTitle, L"uninstall");
  EXPECT_EQ(run.question, kQuestion);
  EXPECT_EQ(run.result, kRemoved);
  EXPECT_EQ(run.exit_code, kAllRemoved);
  EXPECT_TRUE(GoneWithin(dir + L"Uninstall.exe", kSelfRemovalMs));
  ExpectNothingOfOursLeft(scenario, SampleNames());
  EXPECT_EQ(ReadFile(dir + L"templates\\mine.htm"), "the user's page");
  // The finisher's copy deletes itself as it ends.
  EXPECT_TRUE(GoneWithin(FinisherCopy(run.process_id), kSelfRemovalMs));
}

struct LanguageRow {
  const char* name;
  std::optional<std::string> settings;
  const wchar_t* title;
  const wchar_t* question;
  const wchar_t* removed;  // answered Yes with this last message; nullptr: answered No
};

TEST(Uninstall, AsksInTheLanguageOfTheLastSettingsLine) {
  const Scenario scenario;
  const std::wstring dir = InstallDir(scenario);
  const LanguageRow rows[] = {
      {"no settings file", std::nullopt, kTitle, kQuestion, nullptr},
      {"English last", "Language=russian\r\nLanguage=english\r\n", kTitle, kQuestion, nullptr},
      {"Russian last", "Language=english\r\nLanguage=russian\r\n", kRussianTitle, kRussianQuestion,
       kRussianRemoved},
  };
  for (const LanguageRow& row : rows) {
    SCOPED_TRACE(row.name);
    MakeInstall(scenario, row.settings);
    const std::string log = ReadFile(dir + L"install.log").value();
    const UninstallRun run =
        RunUninstaller(scenario, dir + L"Uninstall.exe", row.removed != nullptr, row.title,
                       row.removed ? L"uninstall-russian" : L"");
    EXPECT_EQ(run.question, row.question);
    if (row.removed == nullptr) {
      // No: nothing touched.
      EXPECT_EQ(run.exit_code, kCancelled);
      EXPECT_EQ(ReadFile(dir + L"install.log"), log);
      for (const std::wstring& name : kNames) EXPECT_TRUE(FileExists(dir + name)) << Bytes(name);
      for (const std::wstring& shortcut : ShortcutFiles()) EXPECT_TRUE(FileExists(shortcut));
      EXPECT_TRUE(FileExists(scenario.UserRecord()));
      EXPECT_FALSE(FileExists(FinisherCopy(run.process_id)));
    } else {
      EXPECT_EQ(run.result, row.removed);
      EXPECT_EQ(run.exit_code, kAllRemoved);
      EXPECT_TRUE(GoneWithin(dir, kSelfRemovalMs));  // the install folder held nothing else
      ExpectNothingOfOursLeft(scenario, kNames);
    }
  }
}

TEST(Uninstall, AHostileLogTouchesNothingOutsideAndSaysWhatItSkipped) {
  const Scenario scenario;
  const std::wstring dir = InstallDir(scenario);
  const std::wstring outside = scenario / L"outside.txt";
  const std::wstring victims = scenario / L"victims";
  const std::vector<std::wstring> hostile = {
      L"..\\outside.txt",
      outside,
      dir + L"templates\\..\\..\\outside.txt",
      L"\\\\?\\" + outside,
      L"\\\\.\\" + outside.substr(0, 2),
      dir + L"COM1",
      dir + L"nul.txt",
      dir.substr(0, dir.size() - 1),  // the folder itself
      L"Q:\\Tagwright\\Tagwright.exe",
      DesktopFolder() + L"\\other.lnk",
      dir + L"plug-ins\\victim.dll",  // behind a symbolic link (a junction on Windows)
  };
  MakeInstall(scenario, "Language=english\r\n", hostile);
  Write(outside, "theirs");
  MakeFolders(victims);
  Write(victims + L"\\victim.dll", "theirs");
  Write(DesktopFolder() + L"\\other.lnk", "theirs");
  RemoveTree(dir + L"plug-ins");
  ASSERT_TRUE(MakeFolderLink(dir + L"plug-ins", victims));
  struct LinkRemover {
    std::wstring link;
    ~LinkRemover() { RemoveFolderLink(link); }
  } const remover{dir + L"plug-ins"};

  const UninstallRun run =
      RunUninstaller(scenario, dir + L"Uninstall.exe", true, kTitle, L"uninstall-hostile-log");
  EXPECT_EQ(run.exit_code, kAllRemoved);
  EXPECT_TRUE(run.result.starts_with(std::wstring(kRemoved) +
                                     L"\r\n\r\nLines of the install log left alone: "))
      << ::testing::PrintToString(run.result);
  const std::size_t shown = 8;  // the message names the first lines, then says how many more
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    const bool named = run.result.find(L"\"" + hostile[i] + L"\"") != std::wstring::npos;
    EXPECT_EQ(named, i < shown) << i;
  }
  EXPECT_NE(run.result.find(L"and 3 more."), std::wstring::npos);
  EXPECT_EQ(ReadFile(outside), "theirs");
  EXPECT_EQ(ReadFile(victims + L"\\victim.dll"), "theirs");
  EXPECT_EQ(ReadFile(DesktopFolder() + L"\\other.lnk"), "theirs");
  RemoveTree(DesktopFolder() + L"\\other.lnk");
  // The product's own files went; the link stays, and so the install folder.
  EXPECT_TRUE(GoneWithin(dir + L"Uninstall.exe", kSelfRemovalMs));
  ExpectNothingOfOursLeft(scenario, kNames, /*plug_ins_stay=*/true);
}

TEST(Uninstall, AFileHeldOpenIsReportedAndASecondRunFinishes) {
  const Scenario scenario;
  const std::wstring dir = InstallDir(scenario);
  MakeInstall(scenario, "Language=english\r\n");
  const std::wstring held_path = dir + L"templates\\empty.htm";
  {
    const win32::UniqueFile held(CreateFileW(held_path.c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const UninstallRun run =
        RunUninstaller(scenario, dir + L"Uninstall.exe", true, kTitle, L"uninstall-file-in-use");
    EXPECT_EQ(run.exit_code, kNotAllRemoved);
    EXPECT_EQ(run.result, L"Tagwright was not removed completely. Not removed: \"" + held_path +
                              L"\" (file in use). Close any program that uses them, then run \"" +
                              dir + L"Uninstall.exe\" again to finish.");
    // The rest went; what a second run needs stays: the uninstaller, its log and the language.
    for (const wchar_t* gone :
         {L"Tagwright.exe", L"languages\\english\\about.lng", L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
      EXPECT_FALSE(FileExists(dir + gone)) << Bytes(gone);
    }
    for (const std::wstring& shortcut : ShortcutFiles()) EXPECT_FALSE(FileExists(shortcut));
    EXPECT_FALSE(FileExists(scenario.UserRecord()));
    for (const wchar_t* kept :
         {L"templates\\empty.htm", L"Uninstall.exe", L"install.log", L"Settings.dat"}) {
      EXPECT_TRUE(FileExists(dir + kept)) << Bytes(kept);
    }
    EXPECT_FALSE(FileExists(FinisherCopy(run.process_id)));
  }
  const UninstallRun again = RunUninstaller(scenario, dir + L"Uninstall.exe", true);
  EXPECT_EQ(again.result, kRemoved);
  EXPECT_EQ(again.exit_code, kAllRemoved);
  EXPECT_TRUE(GoneWithin(dir, kSelfRemovalMs));
}

// --- No planted DLL runs in the uninstaller, nor in its copy in the temp folder ---

// The DLLs planted (those of tests/e2e/planted_dll_test.cpp that a program with message boxes may
// load); Wine runs a planted KERNEL32, KERNELBASE or msvcrt where Windows does not (KnownDLLs).
const std::vector<std::wstring> kPlanted = {
    L"version.dll",  L"uxtheme.dll", L"dwmapi.dll",          L"cryptbase.dll",     L"propsys.dll",
    L"profapi.dll",  L"userenv.dll", L"advapi32.dll",        L"combase.dll",       L"comctl32.dll",
    L"comdlg32.dll", L"gdi32.dll",   L"imm32.dll",           L"ole32.dll",         L"oleaut32.dll",
    L"rpcrt4.dll",   L"sechost.dll", L"shcore.dll",          L"shell32.dll",       L"shlwapi.dll",
    L"user32.dll",   L"win32u.dll",  L"windows.storage.dll", L"windowscodecs.dll", L"clbcatq.dll",
    L"msctf.dll",    L"ntmarta.dll", L"sspicli.dll",         L"cryptsp.dll",       L"bcrypt.dll",
    L"wintrust.dll", L"crypt32.dll", L"ucrtbase.dll",        L"winex11.drv",       L"msimg32.dll",
};

// Under Wine, the programs added prefer the DLLs `names` beside them to Wine's own (Windows'
// order) until this ends: HKCU\Software\Wine\AppDefaults\<program>\DllOverrides.
class NativeFirst {
 public:
  ~NativeFirst() {
    for (const std::wstring& key : keys_) RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  void Add(const std::wstring& program, const std::vector<std::wstring>& names = kPlanted) {
    if (!UnderWine()) return;
    keys_.push_back(L"Software\\Wine\\AppDefaults\\" + program);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (keys_.back() + L"\\DllOverrides").c_str(), 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      throw DriverError(L"cannot make the DLL overrides of " + program);
    }
    static constexpr wchar_t kOrder[] = L"native,builtin";
    for (const std::wstring& name : names) {
      RegSetValueExW(key, name.substr(0, name.rfind(L".dll")).c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(kOrder), sizeof kOrder);
    }
    RegCloseKey(key);
  }

 private:
  std::vector<std::wstring> keys_;
};

// Copies of the marker DLL in `folder` under the names `names`, removed at the end with what
// they wrote.
class Planted {
 public:
  explicit Planted(std::wstring folder, std::vector<std::wstring> names = kPlanted)
      : folder_(std::move(folder)), names_(std::move(names)) {
    for (const std::wstring& name : names_) {
      CopyFileTo(TestProgramFolder() + L"\\e2e_marker.dll", folder_ + name);
    }
  }
  ~Planted() {
    for (const std::wstring& name : names_) {
      DeleteFileW((folder_ + name).c_str());
      DeleteFileW((folder_ + name + marker::kSuffix).c_str());
    }
  }
  // The names whose marker ran.
  std::vector<std::wstring> Ran() const {
    std::vector<std::wstring> ran;
    for (const std::wstring& name : names_) {
      if (FileExists(folder_ + name + marker::kSuffix)) ran.push_back(name);
    }
    return ran;
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> names_;
};

TEST(UninstallPlantedDlls, NoneRunsInTheUninstallerItsCopyOrTheEditorStandIn) {
  const Scenario scenario;
  const std::wstring dir = InstallDir(scenario);
  MakeInstall(scenario, "Language=english\r\n");
  wchar_t temp_path[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp_path);
  const std::wstring temp = temp_path;
  NativeFirst native_first;
  const Planted beside(dir);
  const Planted in_temp(temp);
  {
    SCOPED_TRACE("the control: the same markers do run where the search is not restricted");
    const std::wstring control = scenario / L"e2e_plant_control_static.exe";
    // Only the DLL it loads: a planted user32, say, would stop it (the marker lacks its functions).
    const Planted beside_control(scenario.folder(), {L"version.dll"});
    native_first.Add(L"e2e_plant_control_static.exe", {L"version.dll"});
    CopyFileTo(TestProgramFolder() + L"\\e2e_plant_control_static.exe", control);
    EXPECT_EQ(RunProgram(control, L""), 0u);  // imports version.dll
    EXPECT_EQ(beside_control.Ran(), std::vector<std::wstring>{L"version.dll"});
  }
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the markers cannot show a load";

  native_first.Add(L"Uninstall.exe");
  const UninstallRun run =
      RunUninstaller(scenario, dir + L"Uninstall.exe", true, kTitle, {}, [&](DWORD id) {
        // The name of its copy (finisher.cpp).
        native_first.Add(L"~tgwun" + std::to_wstring(id) + L"-0.exe");
      });
  EXPECT_EQ(run.result, kRemoved);
  EXPECT_EQ(run.exit_code, kAllRemoved);
  // The copy ran to its end: the uninstaller's file is gone, and so is the copy.
  EXPECT_TRUE(GoneWithin(dir + L"Uninstall.exe", kSelfRemovalMs));
  EXPECT_TRUE(GoneWithin(FinisherCopy(run.process_id), kSelfRemovalMs));
  EXPECT_EQ(beside.Ran(), std::vector<std::wstring>{});
  EXPECT_EQ(in_temp.Ran(), std::vector<std::wstring>{});

  // The editor's stand-in among the same DLLs.
  native_first.Add(L"Tagwright.exe");
  CopyFileTo(BuiltTagwright(), dir + L"Tagwright.exe");
  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", dir, scenario.appdata()).product,
            L"Tagwright 2.50");
  EXPECT_EQ(beside.Ran(), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace tgw::e2e
