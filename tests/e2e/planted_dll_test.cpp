// No planted DLL runs in the setup. Copies of the marker DLL (planted/marker.h) lie beside
// setup.exe under the names of the DLLs it loads, and Wine is told to prefer a DLL it finds beside
// the program to its own ("native,builtin", Windows' own search order): through its per-program
// DLL overrides in the registry, since Wine reads WINEDLLOVERRIDES from the environment it was
// started in, not from the environment a program gives the programs it starts. The setup is
// walked through every page, the exit question, the folder picker (cancelled, then a folder
// chosen) and a whole run that makes the shortcuts; then tgwauto.exe, lying beside it too,
// installs again with every option that loads a DLL. No marker may have run. Beside the same
// markers, two control programs of the test's own do run one: without them the test could pass
// with markers that never load.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "expected.h"
#include "planted/marker.h"
#include "scenario.h"

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

// Under Wine: the programs `programs` (file names) prefer the DLLs `names` found beside them to
// Wine's own, until this ends (HKCU\Software\Wine\AppDefaults\<program>\DllOverrides).
// Nothing on Windows, whose search order that is.
class NativeFirst {
 public:
  NativeFirst(std::vector<std::wstring> programs, const std::vector<std::wstring>& names)
      : programs_(std::move(programs)) {
    if (!UnderWine()) programs_.clear();
    Remove();
    for (const std::wstring& program : programs_) {
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
  ~NativeFirst() { Remove(); }
  NativeFirst(const NativeFirst&) = delete;
  NativeFirst& operator=(const NativeFirst&) = delete;

 private:
  static std::wstring Key(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program;
  }
  void Remove() const {
    for (const std::wstring& program : programs_) {
      RegDeleteTreeW(HKEY_CURRENT_USER, Key(program).c_str());
    }
  }

  std::vector<std::wstring> programs_;
};

// Copies the marker DLL into `folder` as each of `names`.
void Plant(const std::wstring& folder, const std::vector<std::wstring>& names) {
  MakeFolders(folder);
  const std::wstring marker = TestProgramFolder() + L"\\e2e_marker.dll";
  for (const std::wstring& name : names) CopyFileTo(marker, folder + name);
}

// The markers that ran in `folder`: each planted name whose marker file is there, with the
// program that loaded it.
std::vector<std::wstring> MarkersThatRan(const std::wstring& folder) {
  std::vector<std::wstring> ran;
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = folder + L"*" + marker::kSuffix;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return ran;
  do {
    const std::optional<std::string> program = ReadFile(folder + found.cFileName);
    std::wstring entry = found.cFileName;
    if (program && program->size() % 2 == 0) {
      entry += L" (loaded by " +
               std::wstring(reinterpret_cast<const wchar_t*>(program->data()),
                            program->size() / sizeof(wchar_t)) +
               L")";
    }
    ran.push_back(entry);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return ran;
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
  const std::vector<std::wstring> names = PlantedNames();
  const NativeFirst setup_native_first({L"setup.exe", L"tgwauto.exe"}, names);

  {
    SCOPED_TRACE("the controls: the same marker does run where the search is not restricted");
    // Only the DLLs the controls load: a planted user32, say, would stop them (the marker lacks
    // its functions).
    const std::vector<std::wstring> control_names{L"version.dll", L"uxtheme.dll", L"dwmapi.dll"};
    const NativeFirst controls_native_first(
        {L"e2e_plant_control_static.exe", L"e2e_plant_control_load.exe"}, control_names);
    const std::wstring control = scenario / L"control\\";
    Plant(control, control_names);
    for (const wchar_t* program :
         {L"e2e_plant_control_static.exe", L"e2e_plant_control_load.exe"}) {
      CopyFileTo(TestProgramFolder() + L"\\" + program, control + program);
    }
    // Imports version.dll: loads it before its first statement.
    EXPECT_EQ(RunProgram(control + L"e2e_plant_control_static.exe", L""), 0u);
    EXPECT_TRUE(FileExists(control + L"version.dll" + marker::kSuffix));
    // Loads uxtheme.dll with LoadLibraryW.
    EXPECT_EQ(RunProgram(control + L"e2e_plant_control_load.exe", L"uxtheme.dll"), 0u);
    EXPECT_TRUE(FileExists(control + L"uxtheme.dll" + marker::kSuffix));
    // The setup's first statement, alone: the same load then takes the system's DLL.
    EXPECT_EQ(RunProgram(control + L"e2e_plant_control_load.exe", L"--system32-only dwmapi.dll"),
              0u);
    EXPECT_FALSE(FileExists(control + L"dwmapi.dll" + marker::kSuffix));
  }
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the markers cannot show a load";

  const std::wstring folder = scenario / L"setup\\";
  Plant(folder, names);
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
  EXPECT_EQ(MarkersThatRan(folder), std::vector<std::wstring>{});
  EXPECT_EQ(walk_failure, "");

  // tgwauto: the picker's folder names (shell32), the pictures (gdi32), COM (ole32), the windows
  // (user32).
  CopyFileTo(AutoProgram(), folder + L"tgwauto.exe");
  const AutoRun run = RunAutoCopy(folder + L"tgwauto.exe",
                                  {folder + L"setup.exe", L"--folder", target + L"\\Tagwright",
                                   L"--no-desktop-icon", L"--shots", scenario / L"pictures"},
                                  scenario.AutoEnvironment(), 120000);
  EXPECT_EQ(run.exit_code, 0u) << ::testing::PrintToString(run.error);
  EXPECT_TRUE(FileExists(scenario / L"pictures\\stage5-completion.png"));
  EXPECT_EQ(MarkersThatRan(folder), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace tgw::e2e
