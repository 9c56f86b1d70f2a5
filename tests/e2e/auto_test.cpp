// tgwauto.exe as an administrator runs it: installs with the choices given (checked on disk as a
// walk-through by hand is), a setup that does not complete, one that shows no window, command
// lines it refuses. (Its uninstalls are among the uninstaller's scenarios, uninstall_test.cpp.)

#include <gtest/gtest.h>
// After windows.h (through scenario.h), which it needs.
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "expected.h"
#include "options.h"
#include "scenario.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

constexpr wchar_t kCompleted[] = L"Setup has been successfully completed!";
constexpr wchar_t kCompletedRussian[] = L"Установка была успешно завершена!";
constexpr wchar_t kDamaged[] =
    L"Setup did not complete: the setup file is damaged, and nothing was installed. Please obtain "
    L"the setup again.";
// Every page, and the picker, in the order tgwauto takes them.
constexpr const wchar_t* kPictures[] = {
    L"stage0-language",     L"stage1-description", L"folder-picker",     L"stage2-folder",
    L"stage3-desktop-icon", L"stage4-progress",    L"stage5-completion",
};

// The setup `setup` with the runtime files beside it, in `folder`.
std::wstring SetupIn(const std::wstring& folder, const std::string& setup) {
  MakeFolders(folder);
  const std::wstring program = folder + L"\\setup.exe";
  if (!::tgw::testing::WriteRaw(program, setup)) throw DriverError(L"cannot write " + program);
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    CopyFileTo(SampleFolder() + L"\\runtime\\" + runtime, folder + L"\\" + runtime);
  }
  return program;
}

struct InstallCase {
  const char* what;
  std::vector<std::wstring> choices;
  const char* settings;
  const wchar_t* completion;
  bool desktop_icon;
  bool pictures;
};

TEST(AutoInstall, InstallsIntoTheFolderWithTheChoicesGiven) {
  const Scenario scenario;
  const InstallCase cases[] = {
      {"English, the desktop icon, pictures",
       {L"--language", L"english", L"--desktop-icon"},
       "Language=english\r\n",
       kCompleted,
       true,
       true},
      {"Russian, no desktop icon",
       {L"--language=russian", L"--no-desktop-icon", L"--timeout", L"120"},
       "Language=russian\r\n",
       kCompletedRussian,
       false,
       false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const InstallCase& test = cases[i];
    SCOPED_TRACE(test.what);
    RemoveShortcuts();
    const std::wstring parent = scenario / (L"case" + std::to_wstring(i));
    MakeFolders(parent);
    const std::wstring dir = parent + L"\\Tagwright\\";
    std::vector<std::wstring> arguments{SmallSetup(), L"--folder", parent + L"\\Tagwright"};
    arguments.insert(arguments.end(), test.choices.begin(), test.choices.end());
    const std::wstring pictures = test.pictures ? ScreenshotFolder(L"tgwauto") : L"";
    if (test.pictures) arguments.insert(arguments.end(), {L"--shots", pictures});

    const AutoRun run = RunAuto(arguments, scenario.ProgramEnvironment());
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.out, std::wstring(test.completion) + L"\nInstalled into " + dir + L"\n");
    EXPECT_EQ(run.error, L"") << "the folder is chosen with the picker, nothing else to say";

    ExpectSmallPayloadInstalled(dir);
    EXPECT_EQ(ReadFile(dir + L"install.log"),
              InstallLog(dir, SmallPayloadNames(), test.desktop_icon));
    EXPECT_EQ(ReadFile(dir + L"Settings.dat"), test.settings);
    EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
    for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
      EXPECT_EQ(ReadFile(dir + runtime), ReadFile(SampleFolder() + L"\\runtime\\" + runtime))
          << ::testing::PrintToString(std::wstring(runtime));
    }
    const std::vector<std::wstring> shortcuts = ShortcutFiles();
    EXPECT_EQ(FileExists(shortcuts[0]), test.desktop_icon);
    for (std::size_t k = 1; k < shortcuts.size(); ++k) {
      EXPECT_TRUE(FileExists(shortcuts[k])) << ::testing::PrintToString(shortcuts[k]);
    }
    if (test.pictures) {
      for (const wchar_t* name : kPictures) {
        EXPECT_TRUE(IsPng(pictures + L"\\" + name + L".png")) << ::testing::PrintToString(name);
      }
    }
  }
}

TEST(AutoRefusal, ADamagedSetupEndsWithThePagesText) {
  const Scenario scenario;
  std::string bytes = ReadFile(SmallSetup()).value();
  // A byte in the middle of the packed files (after the program image and the record).
  const std::size_t body = bytes.find("s/Parcelon/p");
  ASSERT_NE(body, std::string::npos);
  bytes[(body + bytes.size()) / 2] ^= 0x01;
  const std::wstring folder = scenario / L"damaged";
  const std::wstring setup = SetupIn(folder, bytes);

  const AutoRun run =
      RunAuto({setup, L"--folder", folder + L"\\Tagwright"}, scenario.ProgramEnvironment());
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.error, std::wstring(kDamaged) + L"\n");
  EXPECT_EQ(run.out, L"");
  EXPECT_FALSE(FolderExists(folder + L"\\Tagwright"));
}

bool ProcessRuns(std::wstring_view name) {
  const ::tgw::win32::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, std::wstring(name).c_str()) == 0) return true;
  }
  return false;
}

TEST(AutoRefusal, ASetupThatShowsNoWindowIsEndedWithinTheTimeout) {
  const Scenario scenario;
  const AutoRun run = RunAuto({TestProgramFolder() + L"\\e2e_sleeper.exe", L"--timeout", L"3"},
                              scenario.ProgramEnvironment(), 30000);
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(run.error.starts_with(L"tgwauto: no window \"Setup of Tagwright 2\" of "))
      << ::testing::PrintToString(run.error);
  EXPECT_GE(run.milliseconds, 3000u);
  EXPECT_LT(run.milliseconds, 15000u);
  EXPECT_FALSE(ProcessRuns(L"e2e_sleeper.exe")) << "the program was left running";
}

TEST(AutoRefusal, CommandLinesItCannotCarryOut) {
  const Scenario scenario;
  MakeFolders(scenario / L"apps");
  const std::wstring usage = SynopsisText() + L"tgwauto --help tells more.\n";
  const struct {
    std::vector<std::wstring> arguments;
    std::wstring error;
  } cases[] = {
      {{}, L"tgwauto: no setup program given\n" + usage},
      {{SmallSetup(), L"--language", L"german"},
       L"tgwauto: --language is english or russian, not german\n" + usage},
      {{SmallSetup(), L"--timeout", L"0"},
       L"tgwauto: --timeout is a whole number of seconds from 1 to 86400, not 0\n" + usage},
      {{SmallSetup(), L"--folder", scenario / L"apps"},
       L"tgwauto: the install folder must end in \\Tagwright (the setup installs into a folder "
       L"named Tagwright inside the folder chosen): " +
           scenario / L"apps\n"},
      {{SmallSetup(), L"--folder", scenario / L"missing\\Tagwright"},
       L"tgwauto: the folder " + scenario / L"missing" +
           L" does not exist (the setup chooses only an existing folder, and makes Tagwright "
           L"inside it)\n"},
      {{scenario / L"setup.exe"}, L"tgwauto: no file " + scenario / L"setup.exe\n"},
      {{L"--uninstall", scenario / L"apps"},
       L"tgwauto: no Uninstall.exe in " + scenario / L"apps\n"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(::testing::PrintToString(test.arguments));
    const AutoRun run = RunAuto(test.arguments, scenario.ProgramEnvironment(), 30000);
    EXPECT_EQ(run.exit_code, 2u);
    EXPECT_EQ(run.error, test.error);
    EXPECT_EQ(run.out, L"");
  }
  EXPECT_FALSE(FileExists(scenario.UserRecord())) << "a setup ran";

  const AutoRun help = RunAuto({L"--help"});
  EXPECT_EQ(help.exit_code, 0u);
  EXPECT_EQ(help.out, UsageText());
  EXPECT_EQ(help.error, L"");
}

}  // namespace
}  // namespace tgw::e2e
