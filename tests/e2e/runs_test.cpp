// Runs that do not install: damaged setups (each installs nothing, leaves no folder of its own and
// says so; bytes appended after the container, a signature, and an older setup without an
// integrity record still install), an install folder that cannot be made, a drive that fills up
// on the way; and what tgwauto.exe refuses, with its exit codes.

#include "e2e.h"
// After windows.h (through e2e.h), which it needs.
#include <tlhelp32.h>

#include <functional>
#include <map>

#include "options.h"

namespace tgw::e2e {
namespace {

constexpr wchar_t kDamaged[] =
    L"Setup did not complete: the setup file is damaged, and nothing was installed. Please obtain "
    L"the setup again.";
constexpr wchar_t kNoFolder[] =
    L"Setup did not complete: the install folder could not be created (path not found).";

// Damaged setups (cut short, or a byte changed, in each part of the container: its start, the
// integrity record, the name list, the contents each after a file marker, the closing marker and
// the trailer) install nothing, leave no folder or record of their own and say so; a run into a
// folder whose parent is missing makes no folder and says so; bytes appended after the container (a signature) and an older
// setup without an integrity record still install.
TEST(Runs, DamagedSetupsAndAMissingParentInstallNothingAndSaySo) {
  const Scenario scenario;
  const std::string intact = ReadFile(SmallSetup()).value_or("");
  constexpr std::size_t kStart = 12;
  constexpr std::size_t kRecord = 103;
  const std::size_t first = intact.find("s/Parcelon/p");
  ASSERT_NE(first, std::string::npos);
  ASSERT_EQ(intact.compare(first + kStart, 9, "tgw-body "), 0) << "no integrity record";
  const std::size_t body = first + kStart + kRecord + kStart;
  const std::size_t content =
      intact.find("p/NewFile/p", intact.find("p/NewFile/p", body) + 11) + 11;
  const std::size_t closing = intact.rfind("p/NewFile/p");
  const struct {
    const char* what;
    std::function<void(std::string&)> change;
    const wchar_t* page;
    bool by_tgwauto;  // run by tgwauto.exe, which ends with 1 and the page's text
  } rows[] = {
      // clang-format off
      {"cut in the name list", [&](std::string& b) { b.resize(body + 3); }, kDamaged, false},
      {"cut in a content", [&](std::string& b) { b.resize(content + 2); }, kDamaged, false},
      {"cut in the closing marker", [&](std::string& b) { b.resize(closing + 5); }, kDamaged,
       false},
      {"cut in the trailer", [](std::string& b) { b.pop_back(); }, kDamaged, false},
      {"a byte changed in the name list", [&](std::string& b) { b[body + 1] ^= 1; }, kDamaged,
       false},
      {"a byte changed in a content", [&](std::string& b) { b[content] ^= 0x40; }, kDamaged, true},
      {"a byte changed in the trailer", [](std::string& b) { b.back() = ' '; }, kDamaged, false},
      {"no parent of the install folder", [](std::string&) {}, kNoFolder, false},
      {"a signature appended", [](std::string& b) { b += std::string(3000, '0'); }, kComplete,
       false},
      {"no integrity record", [&](std::string& b) { b.erase(first + kStart, kRecord); }, kComplete,
       false},
      // clang-format on
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].what);
    std::string bytes = intact;
    rows[i].change(bytes);
    const std::wstring folder = scenario / (L"case" + std::to_wstring(i));
    const std::wstring setup = SetupIn(folder, bytes);
    const std::wstring dir =
        folder + (rows[i].page == kNoFolder ? L"\\no" : L"") + L"\\Tagwright\\";
    if (rows[i].by_tgwauto) {
      const AutoRun run =
          RunAuto({setup, L"--folder", folder + L"\\Tagwright"}, scenario.ProgramEnvironment());
      EXPECT_EQ(run.exit_code, 1u);
      EXPECT_EQ(run.error, std::wstring(kDamaged) + L"\n");
      EXPECT_EQ(run.out, L"");
    } else {
      EXPECT_EQ(scenario.Run(setup, dir, i == 0 ? L"stage5-damaged" : L""), rows[i].page);
    }
    if (rows[i].page == kComplete) {
      ExpectInstalled(scenario, {.dir = dir});
    } else {
      EXPECT_FALSE(FolderExists(dir));
    }
    EXPECT_FALSE(rows[i].page == kDamaged && FileExists(scenario.UserRecord())) << "a record";
  }
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

TEST(Runs, TgwautoRefusesWhatItCannotCarryOut) {
  const Scenario scenario;
  const std::wstring apps = scenario / L"apps";
  MakeFolders(apps);
  const struct {
    std::vector<std::wstring> arguments;
    std::uint32_t exit_code;
    std::wstring out;
    std::wstring error;
  } rows[] = {
      {{},
       2,
       L"",
       L"tgwauto: no setup program given\n" + SynopsisText() + L"tgwauto --help tells more.\n"},
      {{SmallSetup(), L"--folder", apps},
       2,
       L"",
       L"tgwauto: the install folder must end in \\Tagwright (the setup installs into a folder "
       L"named Tagwright inside the folder chosen): " +
           apps + L"\n"},
      {{SmallSetup(), L"--folder", scenario / L"missing\\Tagwright"},
       2,
       L"",
       L"tgwauto: the folder " + scenario / L"missing" +
           L" does not exist (the setup chooses only an existing folder, and makes Tagwright "
           L"inside it)\n"},
      {{scenario / L"setup.exe"}, 2, L"", L"tgwauto: no file " + scenario / L"setup.exe\n"},
      {{L"--uninstall", apps}, 2, L"", L"tgwauto: no Uninstall.exe in " + apps + L"\n"},
      {{L"--help"}, 0, UsageText(), L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.arguments));
    const AutoRun run = RunAuto(row.arguments, scenario.ProgramEnvironment());
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.error, row.error);
  }
  EXPECT_FALSE(FileExists(scenario.UserRecord())) << "a setup ran";

  // A "setup" that never shows a window (the control program, given no DLL to load, sleeps).
  const AutoRun run =
      RunAuto({TestProgramFolder() + L"\\e2e_plant_control_load.exe", L"--timeout", L"3"});
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(run.error.starts_with(L"tgwauto: no window \"Setup of Tagwright 2\" of "))
      << Utf8(run.error);
  EXPECT_GE(run.milliseconds, 3000u);
  EXPECT_LT(run.milliseconds, 15000u);
  EXPECT_FALSE(ProcessRuns(L"e2e_plant_control_load.exe")) << "it was left running";
}

// Onto the tiny drive T:, with room for the install log and one file of the small payload (tmpfs
// gives whole 4 KiB pages): every file the run leaves is complete or absent, none is cut and no
// temporary file is left, and the completion page says that setup did not complete, and why.
TEST(DiskFull, EveryFileIsCompleteOrAbsentAndThePageSaysWhy) {
  constexpr std::uint64_t kRoom = 2 * 4096;
  const auto free = ::tgw::testing::EmptiedTinyDrive();
  if (!free) GTEST_SKIP() << ::tgw::testing::kNoTinyDrive;
  ASSERT_GT(*free, kRoom);
  Write(L"T:\\filler.bin", std::string(*free - kRoom, 'f'));
  const Scenario scenario;
  const std::wstring dir = L"T:\\Tagwright\\";
  const std::wstring page = scenario.Run(SmallSetup(), dir, L"stage5-not-completed");
  EXPECT_TRUE(page.starts_with(L"Setup did not complete")) << Utf8(page);
  EXPECT_NE(page.find(L"disk full"), std::wstring::npos) << Utf8(page);

  std::map<std::wstring, std::string> complete{{L"Settings.dat", "Language=english\r\n"}};
  for (const std::wstring& name : ManifestNames(/*sample=*/false))
    complete[name] = ReadFile(Payload(name)).value();
  for (const std::wstring name : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    complete[name] = ReadFile(Sample(L"runtime\\" + name)).value();
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::wstring path = entry.path().wstring();
    const std::wstring name = path.substr(dir.size());
    const std::string bytes = ReadFile(path).value_or("");
    if (name == L"install.log") {  // written line by line
      EXPECT_TRUE(bytes.ends_with("\r\n")) << "cut: " << Utf8(path);
    } else if (!complete.contains(name)) {
      ADD_FAILURE() << "a file the run does not make: " << Utf8(path);
    } else {
      EXPECT_EQ(bytes, complete[name]) << "cut: " << Utf8(path);
    }
  }
  (void)::tgw::testing::EmptiedTinyDrive();
}

}  // namespace
}  // namespace tgw::e2e
