#pragma once

// What the scenarios share: the programs under test, a fresh folder per scenario, the setup with
// the text hook in it, tgwauto.exe and the editor's stand-in run, and what a complete install
// leaves. The programs are started and driven with tgwauto's driver (tools/auto), whose names are
// used as they stand. Expectations are written out rather than taken from the program's tables,
// so that a changed table shows as a failure.

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "files.h"
#include "steps.h"
#include "tagwright_ids.h"
#include "test_support.h"
#include "uninstall.h"

namespace tgw::e2e {

using namespace ::tgw::automation;
using ::tgw::testing::ReadRaw;

// The Wine virtual desktop the programs show their windows on (see main() in e2e.cpp).
inline constexpr wchar_t kDesktop[] = L"tgw-e2e";
inline constexpr wchar_t kComplete[] = L"Setup has been successfully completed!";
inline constexpr wchar_t kCompleteRussian[] = L"Установка была успешно завершена!";
// How long a run may take on a busy machine: the sample's takes about fifteen seconds.
inline constexpr DWORD kRunMs = 90000;

// `relative` in the build folder, in the small payload's folder (tests/e2e/payload) or in the
// staged sample; the folders' Unix names, as CMake gives them, are Wine's drive Z:.
inline std::wstring In(std::string_view folder, std::wstring_view relative) {
  std::wstring path = L"Z:" + std::wstring(folder.begin(), folder.end()) + L"\\";
  std::ranges::replace(path, L'/', L'\\');
  return path + std::wstring(relative);
}
inline std::wstring Built(std::wstring_view relative) { return In(TGW_E2E_BUILD, relative); }
inline std::wstring Payload(std::wstring_view relative) { return In(TGW_E2E_PAYLOAD, relative); }
inline std::wstring Sample(const std::wstring& relative) { return Built(L"stage\\" + relative); }
inline const std::wstring kFullSetup = Built(L"dist\\setup.exe");
inline const std::wstring kSmallSetup = Built(L"e2e\\small\\setup.exe");
// With its final backslash.
inline std::wstring TempFolder() { return std::filesystem::temp_directory_path().wstring(); }
inline bool IsPng(const std::wstring& path) {
  return ReadRaw(path).value_or("").starts_with("\x89PNG");
}
inline void Write(const std::wstring& path, std::string_view bytes) {
  if (!WriteWholeFile(path, bytes)) throw DriverError(L"cannot write " + path);
}
inline void CopyFileTo(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) throw DriverError(L"cannot copy " + from);
}
inline void RemoveTree(const std::wstring& path) {
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(path), error);
  if (FileExists(path) || FolderExists(path)) throw DriverError(L"cannot remove " + path);
}
// The lines of `bytes`, without their line ends; and lines, each followed by CR LF.
inline std::vector<std::wstring> Lines(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<std::wstring> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(FromUtf8(l.substr(0, l.find('\r'))));
  return lines;
}
inline std::string CrLfLines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const std::wstring& line : lines) bytes += Utf8(line) + "\r\n";
  return bytes;
}
// The setup `bytes`, with the runtime files beside it, as `folder`\setup.exe.
inline std::wstring SetupIn(const std::wstring& folder, const std::string& bytes) {
  MakeFolders(folder);
  Write(folder + L"\\setup.exe", bytes);
  for (const wchar_t* runtime : {L"\\MSVBVM60.DLL", L"\\mscomctl.ocx"}) {
    CopyFileTo(Sample(L"runtime") + runtime, folder + runtime);
  }
  return folder + L"\\setup.exe";
}
// The screenshot `name`.png, or (emptied) the folder `name` of screenshots.
inline std::wstring Shot(std::wstring_view name, bool folder = false) {
  MakeFolders(Built(L"screenshots"));
  const std::wstring path = Built(L"screenshots\\" + std::wstring(name));
  if (folder) RemoveTree(path);
  return folder ? path : path + L".png";
}

inline std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}
// Desktop\Tagwright.lnk, then the three in Programs\Tagwright\, in the order the run logs them.
inline std::vector<std::wstring> ShortcutFiles() {
  const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright\\";
  return {ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Tagwright.lnk", group + L"Tagwright.lnk",
          group + L"Official web site.lnk", group + L"Uninstall Tagwright.lnk"};
}
inline void RemoveShortcuts() {
  RemoveTree(ShortcutFiles()[0]);
  RemoveTree(ShellFolder(CSIDL_PROGRAMS) + L"\\Tagwright");
}

// Hooks the text hook (text_hook.cpp) into the window thread of a setup started with a scenario's
// options: it records every percentage the setup shows (see Scenario::Percentages).
inline void HookPercentages(SetupProcess& setup) {
  static const HMODULE hook = LoadLibraryW(Built(L"tests\\e2e\\e2e_text_hook.dll").c_str());
  setup.HookWindowThread(hook, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                   GetProcAddress(hook, "RecordPercentages"))));
}

// What a run of tgwauto.exe gave: its exit code and its standard output and error (UTF-8, lines
// ending in LF).
using AutoRun = std::tuple<std::uint32_t, std::wstring, std::wstring>;

// A scenario's own folder, C:\tgw-e2e\<suite>.<test>\, emptied at the start, with the APPDATA
// folder `appdata\` in it; kept afterwards for a look.
class Scenario {
 public:
  Scenario() {
    const auto* const test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    folder_ = L"C:\\tgw-e2e\\" + std::wstring(name.begin(), name.end()) + L"\\";
    RemoveTree(folder_);
    MakeFolders(appdata());
  }
  const std::wstring& folder() const { return folder_; }  // with its final backslash
  std::wstring operator/(std::wstring_view name) const { return folder_ + std::wstring(name); }
  std::wstring appdata() const { return folder_ + L"appdata"; }
  // The per-user record the setup reads at start and writes at the end of a run.
  std::wstring UserRecord() const { return appdata() + L"\\TGWR\\install.log"; }
  // How the scenario starts `program`: with its APPDATA, on the test desktop.
  SetupOptions Options(const std::wstring& program) const {
    return {.program = program,
            .appdata = appdata(),
            .environment = {{L"TGW_E2E_PERCENTAGES", folder_ + L"percentages.txt"}},
            .desktop = kDesktop};
  }
  // The percentages that hooked setups (HookPercentages) showed, in order.
  std::vector<std::wstring> Percentages() const {
    return Lines(ReadRaw(folder_ + L"percentages.txt").value_or(""));
  }
  // The environment of the other programs it starts (tgwauto.exe, the uninstaller).
  Environment ProgramEnvironment() const { return {{L"APPDATA", appdata()}}; }
  // Runs tgwauto.exe (or its copy `program`) with `arguments` on the test desktop.
  AutoRun Auto(const std::vector<std::wstring>& arguments,
               const std::wstring& program = Built(L"dist\\tgwauto.exe")) const {
    const std::wstring out = folder_ + L"tgwauto-out.txt", error = folder_ + L"tgwauto-error.txt";
    const std::uint32_t exit_code = Process({.program = program,
                                             .arguments = QuotedArguments(arguments),
                                             .environment = ProgramEnvironment(),
                                             .desktop = kDesktop,
                                             .output_file = out,
                                             .error_file = error})
                                        .WaitForExit(120000);
    const auto text = [](const std::wstring& file) {
      std::wstring lines = FromUtf8(ReadRaw(file).value_or(""));
      std::erase(lines, L'\r');
      return lines;
    };
    return {exit_code, text(out), text(error)};
  }
  // Installs `setup` with tgwauto's steps, `dir` put into the folder field, pictures of every
  // page in the screenshots folder `shots` unless empty: the completion page's text.
  std::wstring Run(const std::wstring& setup, const std::wstring& dir,
                   std::wstring_view shots = {}) const {
    InstallRequest request;
    request.folder = FolderChoice{dir, dir};
    request.folder_entry = FolderEntry::kField;
    if (!shots.empty()) request.pictures = Shot(shots, /*folder=*/true);
    const InstallOutcome outcome =
        DriveInstall(SetupProcess(Options(setup)), request, Deadline(kRunMs));
    EXPECT_EQ(std::tie(outcome.install_folder, outcome.exit_code), std::tuple(dir, 0u));
    return outcome.completion_text;
  }
  // Installs `setup` into `dir` (whose parent exists) with tgwauto.exe (or its copy `program`) and
  // the `choices` given, through the folder picker: tgwauto must say that it did.
  void InstallWithTgwauto(const std::wstring& setup, const std::wstring& dir,
                          std::vector<std::wstring> choices,
                          const std::wstring& program = Built(L"dist\\tgwauto.exe")) const {
    choices.insert(choices.begin(), {setup, L"--folder", dir.substr(0, dir.size() - 1)});
    EXPECT_EQ(Auto(choices, program),
              std::tuple(0u, kComplete + (L"\nInstalled into " + dir + L"\n"), L""));
  }

 private:
  std::wstring folder_;
};

// Starts Tagwright.exe in `current_folder`, reads what its window says of the interface language,
// closes it; fails unless it ends with 0.
inline std::wstring ShowTagwright(const std::wstring& program, const std::wstring& current_folder) {
  const Process tagwright(
      {.program = program, .desktop = kDesktop, .current_folder = current_folder});
  const HWND window = tagwright.WaitForWindow(L"Tagwright 2.50", 15000);
  const std::wstring text = WindowText(FindDescendant(window, IDC_LANGUAGE));
  Post(window, WM_CLOSE);
  EXPECT_EQ(tagwright.WaitForExit(30000), 0u);
  return text;
}

// What a complete install leaves, checked: every file byte for byte, the runtime copies, the
// empty folder, the install log, the settings file, the scenario's user record, the shortcuts.
struct Installed {
  std::wstring dir;
  bool sample = false;  // the full sample; otherwise the small payload
  std::string settings = "Language=english\r\n";
  bool desktop_icon = true;
};
inline void ExpectInstalled(const Scenario& scenario, const Installed& installed) {
  const std::wstring& dir = installed.dir;
  std::vector<std::wstring> log{dir};
  const std::wstring manifest =
      installed.sample ? Sample(L"manifest.txt") : Payload(L"manifest.txt");
  for (const std::wstring& name : Lines(ReadRaw(manifest).value_or(""))) {
    log.push_back(dir + name);
    const auto expected = ReadRaw(installed.sample ? Sample(L"product\\" + name) : Payload(name));
    EXPECT_TRUE(expected && ReadRaw(dir + name) == expected) << Utf8(name);
  }
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    EXPECT_EQ(ReadRaw(dir + runtime), ReadRaw(Sample(L"runtime\\") + runtime)) << Utf8(runtime);
  }
  EXPECT_TRUE(FolderExists(dir + L"plug-ins"));  // the one folder no file lies in
  const std::vector<std::wstring> shortcuts = ShortcutFiles();
  for (std::size_t i = 0; i < shortcuts.size(); ++i) {
    EXPECT_EQ(FileExists(shortcuts[i]), i > 0 || installed.desktop_icon) << Utf8(shortcuts[i]);
    if (i > 0 || installed.desktop_icon) log.push_back(shortcuts[i]);
  }
  EXPECT_EQ(ReadRaw(dir + L"install.log"), CrLfLines(log));
  EXPECT_EQ(ReadRaw(dir + L"Settings.dat"), installed.settings);
  EXPECT_EQ(ReadRaw(scenario.UserRecord()), CrLfLines({dir}));
}

}  // namespace tgw::e2e
