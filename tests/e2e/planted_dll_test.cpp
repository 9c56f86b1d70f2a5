// No planted DLL runs. Copies of the marker DLL (planted/marker_dll.cpp) lie beside setup.exe
// under the names of the DLLs it loads, and Wine is told to prefer a DLL it finds beside the
// program to its own ("native,builtin", Windows' own search order). The setup is clicked through
// the exit question and the language list, then tgwauto.exe, lying beside it too, installs with
// it, every page, the folder picker and a whole run that makes the shortcuts, with every option
// that loads a DLL. Nor in the product's own programs: the uninstaller and the copy of
// itself it runs from the temp folder (markers planted there too), and the editor's stand-in. No
// marker may have run. Beside the same markers, a control program of the test's own does run one:
// without it the test could pass with markers that never load.

#include "e2e.h"

namespace tgw::e2e {

// The DLLs the setup loads on some page under Wine (WINEDEBUG=+loaddll), those Windows loads for
// such a program, and Wine's own. Not KERNEL32, KERNELBASE or msvcrt: Windows takes them (its
// KnownDLLs) from the system folder whatever the search order, but Wine has no such list and,
// told "n,b", loads a planted one before any program's first statement.
const std::vector<std::wstring> kPlanted = {
    L"version.dll",  L"uxtheme.dll", L"dwmapi.dll",          L"cryptbase.dll",     L"propsys.dll",
    L"profapi.dll",  L"userenv.dll", L"advapi32.dll",        L"combase.dll",       L"comctl32.dll",
    L"comdlg32.dll", L"gdi32.dll",   L"imm32.dll",           L"ole32.dll",         L"oleaut32.dll",
    L"rpcrt4.dll",   L"sechost.dll", L"shcore.dll",          L"shell32.dll",       L"shlwapi.dll",
    L"user32.dll",   L"win32u.dll",  L"windows.storage.dll", L"windowscodecs.dll", L"clbcatq.dll",
    L"msctf.dll",    L"ntmarta.dll", L"sspicli.dll",         L"cryptsp.dll",       L"bcrypt.dll",
    L"wintrust.dll", L"crypt32.dll", L"ucrtbase.dll",        L"zlib1.dll",         L"winex11.drv",
    L"msimg32.dll",
};

constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults";

// Copies of the marker DLL in `folder` under `names`, removed at the end with what they wrote, and
// with every program's DLL overrides.
class Planted {
 public:
  Planted(std::wstring folder, std::vector<std::wstring> names)
      : folder_(std::move(folder)), names_(std::move(names)) {
    MakeFolders(folder_);
    for (const std::wstring& name : names_) {
      CopyFileTo(Built(L"tests\\e2e\\e2e_marker.dll"), folder_ + name);
    }
  }
  ~Planted() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kOverrides);
    for (const std::wstring& name : names_) {
      DeleteFileW((folder_ + name).c_str());
      DeleteFileW((folder_ + name + L".ran").c_str());
    }
  }

  // Under Wine, the `programs` (by their file names) prefer a DLL of these names beside them to
  // Wine's own, through their DLL overrides in the registry: Wine reads WINEDLLOVERRIDES from the
  // environment it was started in, not from a program's.
  void PreferredBy(const std::vector<std::wstring>& programs) const {
    static constexpr wchar_t kOrder[] = L"native,builtin";
    for (const std::wstring& program : programs) {
      const std::wstring key = kOverrides + (L"\\" + program) + L"\\DllOverrides";
      for (const std::wstring& name : names_) {
        const std::wstring dll = name.ends_with(L".dll") ? name.substr(0, name.size() - 4) : name;
        EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll.c_str(), REG_SZ, kOrder,
                                  sizeof kOrder),
                  ERROR_SUCCESS);
      }
    }
  }

  // The names whose marker ran.
  std::vector<std::wstring> Ran() const {
    std::vector<std::wstring> ran;
    for (const std::wstring& name : names_) {
      if (FileExists(folder_ + name + L".ran")) ran.push_back(name);
    }
    return ran;
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> names_;
};

// The control: the same marker does run where the search is not restricted. Only the DLLs it loads
// are planted: a planted user32, say, would stop it (the marker lacks its functions).
void ExpectMarkersRunInTheControl(const Scenario& scenario) {
  const std::wstring folder = scenario / L"control\\", control = folder + L"e2e_plant_control.exe";
  const Planted planted(folder, {L"uxtheme.dll", L"dwmapi.dll"});
  planted.PreferredBy({L"e2e_plant_control.exe"});
  CopyFileTo(Built(L"tests\\e2e\\e2e_plant_control.exe"), control);
  // LoadLibraryW loads the planted uxtheme.dll; after the setup's first statement, the same load
  // takes the system's dwmapi.dll.
  EXPECT_EQ(RunProgram(control, L"uxtheme.dll"), 0u);
  EXPECT_EQ(RunProgram(control, L"--system32-only dwmapi.dll"), 0u);
  EXPECT_EQ(planted.Ran(), std::vector<std::wstring>{L"uxtheme.dll"});
}

// What tgwauto does not do in the setup: the exit question and the other language; then Exit.
void ClickWhatTgwautoDoesNot(const SetupProcess& setup) {
  setup.WaitForStage(kLanguageStage);
  AnswerExitNo(setup);
  setup.SelectLanguage(1);
  EXPECT_EQ(AnswerExitYes(setup), 0u);
}

// The setup clicked through, then installed by tgwauto.exe (every page, the folder picker, the run
// that makes the shortcuts; in tgwauto the picker's folder names (shell32), the pictures (gdi32),
// COM (ole32), the windows (user32)), markers beside both, into `target`\Tagwright\.
void NoneRunsInTheSetupOrTgwauto(const Scenario& scenario, const std::wstring& target) {
  const std::wstring folder = scenario / L"setup";
  const Planted planted(folder + L"\\", kPlanted);
  planted.PreferredBy({L"setup.exe", L"tgwauto.exe"});
  const std::wstring setup = SetupIn(folder, ReadRaw(kFullSetup).value());
  CopyFileTo(Built(L"dist\\tgwauto.exe"), folder + L"\\tgwauto.exe");
  MakeFolders(target);
  RemoveShortcuts();
  try {  // a planted DLL that ran may have stopped the program: the markers say which
    ClickWhatTgwautoDoesNot(SetupProcess(scenario.Options(setup)));
  } catch (const DriverError& error) {
    ADD_FAILURE() << error.what();
  }
  scenario.InstallWithTgwauto(setup, target + L"\\Tagwright\\",
                              {L"--shots", scenario / L"pictures"}, folder + L"\\tgwauto.exe");
  EXPECT_TRUE(IsPng(scenario / L"pictures\\stage5-completion.png"));
  EXPECT_EQ(planted.Ran(), std::vector<std::wstring>{});
}

// The editor's stand-in and the uninstaller of the install in `dir`, markers beside them and in
// the temp folder, where the uninstaller's copy runs.
void NoneRunsInTheUninstallerItsCopyOrTheEditor(const Scenario& scenario, const std::wstring& dir) {
  const Planted beside(dir, kPlanted);
  const Planted in_temp(TempFolder(), kPlanted);
  beside.PreferredBy({L"Uninstall.exe", L"Tagwright.exe"});
  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", dir), L"Interface language: english");
  const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), kDesktop);
  // The name of its copy (finisher.cpp), before it is made.
  const std::wstring copy = L"~tgwun" + std::to_wstring(uninstaller.id()) + L"-0.exe";
  in_temp.PreferredBy({copy});
  const UninstallOutcome outcome = DriveUninstall(uninstaller, Answer::kYes, L"", Deadline(60000));
  EXPECT_EQ(std::tie(outcome.final_message, outcome.exit_code),
            std::tuple(L"Tagwright has been removed from your computer.", 0u));
  // The copy ran to its end: the uninstaller's file is gone, and so is the copy.
  EXPECT_FALSE(FileExists(dir + L"Uninstall.exe"));
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(TempFolder() + copy); }, 5000));
  EXPECT_EQ(beside.Ran(), std::vector<std::wstring>{});
  EXPECT_EQ(in_temp.Ran(), std::vector<std::wstring>{});
}

TEST(PlantedDlls, NoneRunsInTheSetupTgwautoTheUninstallerItsCopyOrTheEditor) {
  const Scenario scenario;
  ExpectMarkersRunInTheControl(scenario);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the markers cannot show a load";
  NoneRunsInTheSetupOrTgwauto(scenario, scenario / L"target");
  NoneRunsInTheUninstallerItsCopyOrTheEditor(scenario, scenario / L"target\\Tagwright\\");
}

}  // namespace tgw::e2e
