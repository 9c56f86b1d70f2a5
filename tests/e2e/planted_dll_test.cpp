// No planted DLL runs in the setup. Copies of the marker DLL (planted/marker.h) lie beside
// setup.exe under the names of the DLLs it loads, and Wine is told to prefer a DLL it finds beside
// the program to its own ("native,builtin", Windows' own search order): through its per-program
// DLL overrides in the registry, since Wine reads WINEDLLOVERRIDES from the environment it was
// started in, not from the environment a program gives the programs it starts. The setup is
// walked through every page, the exit question, the folder picker (cancelled, then a folder
// chosen) and a whole run that makes the shortcuts; then tgwauto.exe, lying beside it too,
// installs again with every option that loads a DLL. Nor in the product's own programs: the
// uninstaller and the copy of itself it runs from the temp folder (markers planted there too), and
// the editor's stand-in. No marker may have run. Beside the same markers, two control programs of
// the test's own do run one: without them the test could pass with markers that never load.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "expected.h"
#include "planted/marker.h"
#include "scenario.h"
#include "uninstall.h"

namespace tgw::e2e {
namespace {

// Planted everywhere: the DLLs the setup loads on some page under Wine (WINEDEBUG=+loaddll), those
// Windows loads for such a program, and Wine's own.
constexpr const wchar_t* kPlanted[] = {
    L"version.dll",  L"uxtheme.dll", L"dwmapi.dll",          L"cryptbase.dll",     L"propsys.dll",
    L"profapi.dll",  L"userenv.dll", L"advapi32.dll",        L"combase.dll",       L"comctl32.dll",
    L"comdlg32.dll", L"gdi32.dll",   L"imm32.dll",           L"ole32.dll",         L"oleaut32.dll",
    L"rpcrt4.dll",   L"sechost.dll", L"shcore.dll",          L"shell32.dll",       L"shlwapi.dll",
    L"user32.dll",   L"win32u.dll",  L"windows.storage.dll", L"windowscodecs.dll", L"clbcatq.dll",
    L"msctf.dll",    L"ntmarta.dll", L"sspicli.dll",         L"cryptsp.dll",       L"bcrypt.dll",
    L"wintrust.dll", L"crypt32.dll", L"ucrtbase.dll",        L"zlib1.dll",         L"winex11.drv",
    L"msimg32.dll",
};

// Planted on Windows only: Wine runs these planted copies where Windows does not.
constexpr const wchar_t* kPlantedOnWindowsOnly[] = {
    // Windows takes its KnownDLLs from the system folder whatever the search order; Wine has no
    // such list and, told "n,b", loads a planted KERNEL32 or msvcrt (the setup's load-time
    // imports) or KERNELBASE (theirs) before the program's first statement.
    L"kernel32.dll",
    L"kernelbase.dll",
    L"msvcrt.dll",
};

std::vector<std::wstring> PlantedNames() {
  std::vector<std::wstring> names(std::begin(kPlanted), std::end(kPlanted));
  if (!UnderWine()) {
    names.insert(names.end(), std::begin(kPlantedOnWindowsOnly), std::end(kPlantedOnWindowsOnly));
  }
  return names;
}

// Under Wine, the programs added (by their file names) prefer a DLL of the names given that lies
// beside them to Wine's own until this ends
// (HKCU\Software\Wine\AppDefaults\<program>\DllOverrides). Nothing on Windows, whose search order
// that is.
class NativeFirst {
 public:
  NativeFirst() = default;
  ~NativeFirst() {
    for (const std::wstring& program : programs_)
      RegDeleteTreeW(HKEY_CURRENT_USER, Key(program).c_str());
  }
  NativeFirst(const NativeFirst&) = delete;
  NativeFirst& operator=(const NativeFirst&) = delete;

  void Add(const std::vector<std::wstring>& programs, const std::vector<std::wstring>& names) {
    if (!UnderWine()) return;
    for (const std::wstring& program : programs) {
      programs_.push_back(program);
      RegDeleteTreeW(HKEY_CURRENT_USER, Key(program).c_str());  // an earlier run's
      HKEY key = nullptr;
      const std::wstring path = Key(program) + L"\\DllOverrides";
      if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        throw DriverError(L"cannot make the key " + path);
      }
      static constexpr wchar_t kOrder[] = L"native,builtin";
      for (std::wstring name : names) {
        if (name.ends_with(L".dll")) name.resize(name.size() - 4);
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                       sizeof kOrder);
      }
      RegCloseKey(key);
    }
  }

 private:
  static std::wstring Key(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program;
  }

  std::vector<std::wstring> programs_;
};

// Copies of the marker DLL in `folder` under the names `names`, removed at the end with what
// they wrote.
class Planted {
 public:
  Planted(std::wstring folder, std::vector<std::wstring> names)
      : folder_(std::move(folder)), names_(std::move(names)) {
    MakeFolders(folder_);
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
  Planted(const Planted&) = delete;
  Planted& operator=(const Planted&) = delete;

  // The markers that ran: each name whose marker file is there, with the program that loaded it.
  std::vector<std::wstring> Ran() const {
    std::vector<std::wstring> ran;
    for (const std::wstring& name : names_) {
      const std::optional<std::string> program = ReadFile(folder_ + name + marker::kSuffix);
      if (!program) continue;
      ran.push_back(name + L" (loaded by " +
                    std::wstring(reinterpret_cast<const wchar_t*>(program->data()),
                                 program->size() / sizeof(wchar_t)) +
                    L")");
    }
    return ran;
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> names_;
};

void ExpectMarkersRunInControls(const Scenario& scenario, NativeFirst& native_first) {
  SCOPED_TRACE("the controls: the same marker does run where the search is not restricted");
  // Only the DLLs the controls load: a planted user32, say, would stop them (the marker lacks
  // its functions).
  const std::vector<std::wstring> names{L"version.dll", L"uxtheme.dll", L"dwmapi.dll"};
  const std::vector<std::wstring> controls{L"e2e_plant_control_static.exe",
                                           L"e2e_plant_control_load.exe"};
  native_first.Add(controls, names);
  const std::wstring folder = scenario / L"control\\";
  const Planted planted(folder, names);
  for (const std::wstring& program : controls) {
    CopyFileTo(TestProgramFolder() + L"\\" + program, folder + program);
  }
  // Imports version.dll: loads it before its first statement.
  EXPECT_EQ(RunProgram(folder + controls[0], L""), 0u);
  EXPECT_TRUE(FileExists(folder + L"version.dll" + marker::kSuffix));
  // Loads uxtheme.dll with LoadLibraryW.
  EXPECT_EQ(RunProgram(folder + controls[1], L"uxtheme.dll"), 0u);
  EXPECT_TRUE(FileExists(folder + L"uxtheme.dll" + marker::kSuffix));
  // The setup's first statement, alone: the same load then takes the system's DLL.
  EXPECT_EQ(RunProgram(folder + controls[1], L"--system32-only dwmapi.dll"), 0u);
  EXPECT_FALSE(FileExists(folder + L"dwmapi.dll" + marker::kSuffix));
}

// Every page, the exit question, the language list, Back, the folder picker cancelled and then
// choosing `target`, the run with the desktop icon, Finish.
void WalkEverything(const SetupProcess& setup, const std::wstring& target) {
  setup.WaitForStage(0);
  AnswerExitNo(setup);
  setup.SelectLanguage(1);
  setup.SelectLanguage(0);
  NextTo(setup, 2);
  setup.Click(Control::Command2);  // Back
  setup.WaitForStage(1);
  NextTo(setup, 2);

  Dialog picker = OpenFolderPicker(setup);
  picker.Press(IDCANCEL);
  picker.WaitClosed();
  picker = OpenFolderPicker(setup);
  ChooseInPicker(setup, picker, target, L"target");
  picker.Press(IDOK);
  picker.WaitClosed();
  const std::wstring install_dir = target + L"\\Tagwright\\";
  WaitUntil([&] { return setup.Text(Control::Text1) == install_dir; }, 5000);
  EXPECT_EQ(setup.Text(Control::Text1), install_dir);

  NextTo(setup, 3);
  EXPECT_EQ(setup.CheckState(Control::Check1), BST_CHECKED);
  RunToCompletion(setup, kSampleRunMs);
  setup.PostClick(Control::Command3);  // Finish
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_TRUE(FileExists(install_dir + L"Tagwright.exe"));
  for (const std::wstring& shortcut : ShortcutFiles()) {
    EXPECT_TRUE(FileExists(shortcut)) << ::testing::PrintToString(shortcut);
  }
}

TEST(PlantedDlls, NoneRunsInTheSetupOnAnyPage) {
  const Scenario scenario;
  NativeFirst native_first;
  ExpectMarkersRunInControls(scenario, native_first);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the markers cannot show a load";
  const std::vector<std::wstring> names = PlantedNames();
  native_first.Add({L"setup.exe", L"tgwauto.exe"}, names);
  const std::wstring folder = scenario / L"setup\\";
  const Planted planted(folder, names);
  CopyFileTo(FullSetup(), folder + L"setup.exe");
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    CopyFileTo(SampleFolder() + L"\\runtime\\" + runtime, folder + runtime);
  }
  const std::wstring target = scenario / L"target";
  MakeFolders(target);
  RemoveShortcuts();

  SetupOptions options = scenario.Options(folder + L"setup.exe");
  options.text_log.clear();  // no hook DLL in the setup's process
  std::string walk_failure;
  try {
    const SetupProcess setup(options);
    WalkEverything(setup, target);
  } catch (const DriverError& error) {
    walk_failure = error.what();
  }
  EXPECT_EQ(planted.Ran(), std::vector<std::wstring>{});
  EXPECT_EQ(walk_failure, "");

  // tgwauto: the picker's folder names (shell32), the pictures (gdi32), COM (ole32), the windows
  // (user32).
  CopyFileTo(AutoProgram(), folder + L"tgwauto.exe");
  const AutoRun run = RunAutoCopy(folder + L"tgwauto.exe",
                                  {folder + L"setup.exe", L"--folder", target + L"\\Tagwright",
                                   L"--no-desktop-icon", L"--shots", scenario / L"pictures"},
                                  scenario.ProgramEnvironment(), 120000);
  EXPECT_EQ(run.exit_code, 0u) << ::testing::PrintToString(run.error);
  EXPECT_TRUE(FileExists(scenario / L"pictures\\stage5-completion.png"));
  EXPECT_EQ(planted.Ran(), std::vector<std::wstring>{});
}

TEST(UninstallPlantedDlls, NoneRunsInTheUninstallerItsCopyOrTheEditorStandIn) {
  const Scenario scenario;
  NativeFirst native_first;
  ExpectMarkersRunInControls(scenario, native_first);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the markers cannot show a load";
  RemoveShortcuts();
  const std::wstring dir = scenario.Install(FullSetup(), scenario.folder());
  const std::wstring temp = TempFolder();
  const std::vector<std::wstring> names = PlantedNames();
  const Planted beside(dir, names);
  const Planted in_temp(temp, names);  // where the uninstaller's copy runs
  native_first.Add({L"Uninstall.exe", L"Tagwright.exe"}, names);

  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", dir, scenario.ProgramEnvironment()).product,
            L"Tagwright 2.50");
  const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), TestDesktop());
  // The name of its copy (finisher.cpp), before it is made.
  const std::wstring copy = L"~tgwun" + std::to_wstring(uninstaller.id()) + L"-0.exe";
  native_first.Add({copy}, names);
  const UninstallOutcome outcome = DriveUninstall(uninstaller, Answer::kYes, L"", Deadline(60000));
  EXPECT_EQ(outcome.final_message, L"Tagwright has been removed from your computer.");
  EXPECT_EQ(outcome.exit_code, 0u);
  // The copy ran to its end: the uninstaller's file is gone, and so is the copy.
  EXPECT_FALSE(FileExists(dir + L"Uninstall.exe"));
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(temp + copy); }, 5000));
  EXPECT_EQ(beside.Ran(), std::vector<std::wstring>{});
  EXPECT_EQ(in_temp.Ran(), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace tgw::e2e
