// The product's own programs in an install of the full setup by tgwauto.exe: the editor's
// stand-in shows the interface language of the settings beside it; the uninstaller asks in the
// last language of the settings, touches nothing on No, leaves a file held open and says so (run
// by tgwauto.exe, which ends with 1), then, run again, removes everything of the product but what
// the user added and the files of others that hostile lines of the log name, its own file too.

#include "e2e.h"

namespace tgw::e2e {

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

// The uninstaller in `dir` driven with tgwauto's code, answering `answer`, pictured into the
// screenshots folder `shots`.
UninstallOutcome Uninstall(const Scenario& scenario, const std::wstring& dir, Answer answer,
                           std::wstring_view shots) {
  const Process uninstaller = StartUninstaller(dir, scenario.ProgramEnvironment(), kDesktop);
  UninstallOutcome outcome =
      DriveUninstall(uninstaller, answer, Shot(shots, true), Deadline(60000));
  EXPECT_EQ(outcome.notes, std::vector<std::wstring>{});
  return outcome;
}

TEST(Uninstall, AsksInTheSettingsLanguageRemovesOnlyOursAndSaysWhatStayed) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  RemoveShortcuts();
  scenario.InstallWithTgwauto(kFullSetup, dir, {});
  ExpectInstalled(scenario, {.dir = dir, .sample = true});
  Write(dir + L"templates\\mine.htm", "the user's");
  const std::wstring outside = scenario / L"outside.txt";
  Write(outside, "theirs");
  const std::vector<std::wstring> hostile{L"..\\outside.txt", outside,
                                          dir + L"templates\\..\\..\\outside.txt"};
  const std::string log = ReadRaw(dir + L"install.log").value() + CrLfLines(hostile);
  Write(dir + L"install.log", log);

  const std::vector<std::wstring> before = Left(dir);
  UninstallOutcome run = Uninstall(scenario, dir, Answer::kNo, L"uninstall-no");
  EXPECT_EQ(
      std::tie(run.title, run.question, run.final_message, run.exit_code),
      std::tuple(L"Uninstall Tagwright", L"Remove Tagwright and all of its components?", L"", 3u));
  EXPECT_EQ(Left(dir), before);
  EXPECT_EQ(ReadRaw(dir + L"install.log"), log);

  // Started from another folder, the editor reads the last language of the settings beside it.
  Write(dir + L"Settings.dat", "Language=english\r\nLanguage=russian\r\n");
  EXPECT_EQ(ShowTagwright(dir + L"Tagwright.exe", scenario.folder()),
            L"Interface language: russian");
  const std::wstring held = dir + L"templates\\empty.htm";
  std::optional<win32::UniqueFile> held_open(
      std::in_place,
      CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  const std::wstring pictures = Shot(L"uninstall-in-use", true);
  const auto [code, out, error] = scenario.Auto({L"--uninstall", dir, L"--shots", pictures});
  EXPECT_EQ(std::tie(code, out), std::tuple(1u, L""));
  EXPECT_TRUE(error.starts_with(L"Tagwright удалён не полностью. Не удалено: «" + held + L"» ("))
      << Utf8(error);
  EXPECT_TRUE(error.ends_with(L"\n(the uninstaller's exit code: 1)\n"));
  EXPECT_TRUE(IsPng(pictures + L"\\uninstall-question.png") &&
              IsPng(pictures + L"\\uninstall-message.png"));
  // What a second run needs stays: the uninstaller, its log and the language.
  EXPECT_EQ(Left(dir), (std::vector<std::wstring>{
                           L".", L"Settings.dat", L"Uninstall.exe", L"install.log", L"templates",
                           L"templates\\empty.htm", L"templates\\mine.htm"}));

  held_open.reset();
  run = Uninstall(scenario, dir, Answer::kYes, L"uninstall-yes");
  EXPECT_EQ(std::tie(run.title, run.question, run.exit_code),
            std::tuple(L"Удаление Tagwright", L"Удалить Tagwright и все его компоненты?", 0u));
  EXPECT_TRUE(run.final_message.starts_with(
      L"Tagwright удалён с компьютера.\r\n\r\nОставлены без изменений строки журнала установки: "))
      << Utf8(run.final_message);
  for (const std::wstring& line : hostile) {
    EXPECT_NE(run.final_message.find(L"«" + line + L"»"), std::wstring::npos) << Utf8(line);
  }
  EXPECT_EQ(ReadRaw(outside), "theirs");
  // It and its copy have ended (the copy going is the planted-DLL test's): its own file is gone,
  // the user's file stays.
  EXPECT_EQ(Left(dir), (std::vector<std::wstring>{L".", L"templates", L"templates\\mine.htm"}));
  for (const std::wstring& shortcut : ShortcutFiles()) EXPECT_FALSE(FileExists(shortcut));
  EXPECT_FALSE(FolderExists(ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright"));
  EXPECT_FALSE(FolderExists(scenario.appdata() + L"\\TGWR"));
}

}  // namespace tgw::e2e
