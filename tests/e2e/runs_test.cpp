// Runs that do not install: a damaged setup, an install folder that cannot be made, a drive that
// fills up on the way; and what tgwauto.exe refuses, with its exit codes.

#include "e2e.h"
#include "options.h"

namespace tgw::e2e {

constexpr wchar_t kDamaged[] =
    L"Setup did not complete: the setup file is damaged, and nothing was installed. Please obtain "
    L"the setup again.";

// A setup with a byte of a file changed installs nothing, leaves no folder or record of its own
// and says so, also to tgwauto, which ends with 1 (what else damage does, a setup cut short
// included, is the reader's unit tests'; bytes after the container, the signing test's); a run
// into a folder whose parent is missing makes no folder and says why.
TEST(Runs, ADamagedSetupAndAMissingParentInstallNothingAndSaySo) {
  const Scenario scenario;
  std::string changed = ReadRaw(kSmallSetup).value_or("");
  const std::size_t first = changed.find("s/Parcelon/p");
  ASSERT_EQ(changed.compare(first + 12, 9, "tgw-body "), 0) << "no integrity record";
  changed[changed.find("p/NewFile/p", first) + 11] ^= 0x40;  // the first file's first byte
  const std::wstring setup = SetupIn(scenario / L"damaged", changed);
  EXPECT_EQ(scenario.Auto({setup, L"--folder", scenario / L"damaged\\Tagwright", L"--shots",
                           Shot(L"damaged", true)}),
            std::tuple(1u, L"", std::wstring(kDamaged) + L"\n"));
  EXPECT_FALSE(FolderExists(scenario / L"damaged\\Tagwright"));
  EXPECT_FALSE(FileExists(scenario.UserRecord())) << "a record";

  const std::wstring dir = scenario / L"missing\\Tagwright\\";
  EXPECT_EQ(scenario.Run(kSmallSetup, dir),
            L"Setup did not complete: the install folder could not be created (path not found).");
  EXPECT_FALSE(FolderExists(dir));
}

// Command lines tgwauto.exe cannot carry out end with 2 and say why on its standard error (the
// reading of the command line, --help included, is proven natively by auto_options_tests; these
// rows, its output and the checks of the folder on Windows); a "setup" that never shows a window
// is given up within --timeout and ended.
TEST(Runs, TgwautoRefusesWhatItCannotCarryOut) {
  const Scenario scenario;
  const std::pair<std::vector<std::wstring>, std::wstring> rows[] = {
      {{}, L"tgwauto: no setup program given\n" + SynopsisText() + L"tgwauto --help tells more.\n"},
      {{kSmallSetup, L"--folder", scenario / L"missing\\Tagwright"},
       L"tgwauto: the folder " + scenario / L"missing" +
           L" does not exist (the setup chooses only an existing folder, and makes Tagwright "
           L"inside it)\n"},
  };
  for (const auto& [arguments, error] : rows) {
    EXPECT_EQ(scenario.Auto(arguments), std::tuple(2u, L"", error))
        << ::testing::PrintToString(arguments);
  }

  // The control program of the planted-DLL test, given no DLL to load, sleeps (its mutex held).
  const ULONGLONG start = GetTickCount64();
  const auto [code, out, error] =
      scenario.Auto({Built(L"tests\\e2e\\e2e_plant_control.exe"), L"--timeout", L"3"});
  EXPECT_EQ(code, 2u);
  EXPECT_TRUE(error.starts_with(L"tgwauto: no window \"Setup of Tagwright 2\" of ")) << Utf8(error);
  EXPECT_GE(GetTickCount64() - start, 3000u);
  EXPECT_LT(GetTickCount64() - start, 15000u);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"tgw-e2e-control"), nullptr) << "it was left running";
}

// Whether there is the tiny drive T: (tests/win32/tiny_drive.sh), which is then emptied of what
// this test puts there.
bool EmptyTinyDrive() {
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExW(L"T:\\", nullptr, &total, nullptr) || total.QuadPart > (1 << 20)) {
    return false;
  }
  RemoveTree(L"T:\\Tagwright");
  RemoveTree(L"T:\\filler.bin");
  return true;
}

// Onto the tiny drive T:, over an earlier Uninstall.exe, with room for the install log and one
// file of the small payload (tmpfs gives whole 4 KiB pages): every file the run leaves is complete
// or absent, none is cut and no temporary file is left, the earlier file whose replacement failed
// is kept, and the completion page says that setup did not complete, and why.
TEST(DiskFull, EveryFileIsCompleteOrAbsentAndThePageSaysWhy) {
  constexpr std::uint64_t kRoom = 2 * 4096;
  const std::wstring dir = L"T:\\Tagwright\\";
  if (!EmptyTinyDrive()) GTEST_SKIP() << "no tiny drive T: (tests/win32/tiny_drive.sh, as root)";
  MakeFolders(dir);
  Write(dir + L"Uninstall.exe", "earlier");
  ULARGE_INTEGER free{};
  GetDiskFreeSpaceExW(L"T:\\", &free, nullptr, nullptr);
  ASSERT_GT(free.QuadPart, kRoom);
  Write(L"T:\\filler.bin", std::string(free.QuadPart - kRoom, 'f'));
  const Scenario scenario;
  const std::wstring page = scenario.Run(kSmallSetup, dir, L"disk-full");
  EXPECT_TRUE(page.starts_with(L"Setup did not complete")) << Utf8(page);
  EXPECT_NE(page.find(L"disk full"), std::wstring::npos) << Utf8(page);

  EXPECT_EQ(ReadRaw(dir + L"Uninstall.exe"), "earlier");
  // What each file the run makes holds when complete; nothing for any other file.
  const auto complete = [](const std::wstring& name) {
    if (name == L"Settings.dat") return std::optional<std::string>("Language=english\r\n");
    return ReadRaw(name == L"MSVBVM60.DLL" || name == L"mscomctl.ocx" ? Sample(L"runtime\\" + name)
                                                                      : Payload(name));
  };
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::wstring name = entry.path().wstring().substr(dir.size());
    const std::string bytes = ReadRaw(entry.path().wstring()).value_or("");
    if (name == L"install.log") {  // written line by line
      EXPECT_TRUE(bytes.ends_with("\r\n"));
    } else if (entry.is_regular_file() && name != L"Uninstall.exe") {
      EXPECT_EQ(bytes, complete(name)) << "cut or not the run's: " << Utf8(name);
    }
  }
  EmptyTinyDrive();
}

}  // namespace tgw::e2e
