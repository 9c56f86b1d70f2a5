#pragma once

// What the scenarios share: the programs under test (CTest gives the build folder and the small
// payload's folder in the environment), a fresh folder per scenario, the setup with the text hook
// in it, tgwauto.exe and the editor's stand-in run, files, and what a complete install leaves. The
// programs are started and driven with tgwauto's driver (tools/auto), whose names are used here as
// they stand. The expectations are written out rather than taken from the program's tables, so
// that a changed table shows as a failure.

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "driver.h"
#include "files.h"
#include "install.h"
#include "platform/win32/runtime_win.h"
#include "screenshot.h"
#include "steps.h"
#include "tagwright_ids.h"
#include "test_support.h"
#include "text_hook.h"
#include "uninstall.h"

namespace tgw::e2e {

using namespace ::tgw::automation;

// The Wine virtual desktop the programs show their windows on (see main() in e2e.cpp).
inline constexpr wchar_t kDesktop[] = L"tgw-e2e";
inline constexpr wchar_t kComplete[] = L"Setup has been successfully completed!";
inline constexpr wchar_t kCompleteRussian[] = L"Установка была успешно завершена!";
// How long a run may take on a busy machine: the sample's takes about fifteen seconds.
inline constexpr DWORD kRunMs = 90000;

// `relative` in the folder that the environment variable `variable` names (CTest sets them): the
// build folder, the small payload's, the staged sample.
inline std::wstring In(const wchar_t* variable, std::wstring_view relative) {
  const std::wstring folder = ::tgw::testing::ProgramPathFromEnvironment(variable);
  if (folder.empty()) throw DriverError(std::wstring(variable) + L" is not set");
  return folder + L"\\" + std::wstring(relative);
}
inline std::wstring Built(std::wstring_view relative) { return In(L"TGW_E2E_BUILD", relative); }
inline std::wstring Payload(std::wstring_view relative) { return In(L"TGW_E2E_PAYLOAD", relative); }
inline std::wstring Sample(std::wstring_view relative) {
  return Built(L"stage\\" + std::wstring(relative));
}
inline std::wstring FullSetup() { return Built(L"dist\\setup.exe"); }
inline std::wstring SmallSetup() { return Built(L"e2e\\small\\setup.exe"); }
inline std::wstring TestProgramFolder() {
  const std::wstring program = ::tgw::ExecutablePath().value_or(L"");
  return program.substr(0, program.rfind(L'\\'));
}
inline std::wstring TempFolder() {  // with its final backslash
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}
inline std::optional<std::string> ReadFile(const std::wstring& path) {
  return ::tgw::testing::ReadRaw(path);
}
inline bool IsPng(const std::wstring& path) {
  return ReadFile(path).value_or("").starts_with("\x89PNG\r\n\x1A\n");
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
// ASCII lines, each followed by CR LF.
inline std::string CrLfLines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const std::wstring& line : lines) {
    for (const wchar_t c : line) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    bytes += "\r\n";
  }
  return bytes;
}
// The setup `bytes`, with the runtime files beside it, as `folder`\setup.exe.
inline std::wstring SetupIn(const std::wstring& folder, const std::string& bytes) {
  MakeFolders(folder);
  Write(folder + L"\\setup.exe", bytes);
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    CopyFileTo(Sample(L"runtime\\") + runtime, folder + L"\\" + runtime);
  }
  return folder + L"\\setup.exe";
}
// The PNG file `name` in the screenshots folder, and the folder `name` there, emptied.
inline std::wstring Shot(std::wstring_view name) {
  MakeFolders(Built(L"screenshots"));
  return Built(L"screenshots\\" + std::wstring(name) + L".png");
}
inline std::wstring ShotFolder(std::wstring_view name) {
  const std::wstring folder = Built(L"screenshots\\" + std::wstring(name));
  RemoveTree(folder);
  MakeFolders(folder);
  return folder;
}

inline std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    throw DriverError(L"no shell folder " + std::to_wstring(csidl));
  }
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

// The setup driven by a scenario; unless `hooked` is false, with the text hook (text_hook.h) in
// its window thread, which records every text the setup gives one of its windows.
class SetupProcess : public automation::SetupProcess {
 public:
  explicit SetupProcess(const SetupOptions& options, bool hooked = true)
      : SetupProcess(options, hooked
                                  ? options.appdata + L"-texts" + std::to_wstring(++logs_) + L".log"
                                  : std::wstring()) {}
  // The texts given to the control `id`, in order.
  std::vector<std::wstring> TextsOf(Control id) const {
    const std::string bytes = ReadFile(text_log_).value_or("");
    const std::wstring_view log(reinterpret_cast<const wchar_t*>(bytes.data()),
                                bytes.size() / sizeof(wchar_t));
    const std::wstring prefix = std::to_wstring(static_cast<int>(id)) + hook::kFieldEnd;
    std::vector<std::wstring> texts;
    // A record still being written has no end yet: it is left for the next read.
    for (std::size_t start = 0, end; (end = log.find(hook::kRecordEnd, start)) != log.npos;
         start = end + 1) {
      const std::wstring_view record = log.substr(start, end - start);
      if (record.starts_with(prefix)) texts.emplace_back(record.substr(prefix.size()));
    }
    return texts;
  }

 private:
  SetupProcess(SetupOptions options, std::wstring text_log)
      : automation::SetupProcess(WithTextLog(std::move(options), text_log)),
        text_log_(std::move(text_log)) {
    if (text_log_.empty()) return;
    static const HMODULE hook =
        LoadLibraryW((TestProgramFolder() + L"\\e2e_text_hook.dll").c_str());
    HookWindowThread(hook, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                               GetProcAddress(hook, hook::kProcedureName))));
  }
  static SetupOptions WithTextLog(SetupOptions options, const std::wstring& text_log) {
    if (!text_log.empty()) options.environment.emplace_back(hook::kLogVariable, text_log);
    return options;
  }

  static inline int logs_ = 0;
  std::wstring text_log_;
};

// What a run of tgwauto.exe (or of the copy `program`) on the test desktop gave: its exit code,
// its standard output and error (UTF-8, lines ending in LF) and how long it ran.
struct AutoRun {
  std::uint32_t exit_code = 0;
  std::wstring out;
  std::wstring error;
  DWORD milliseconds = 0;
};
inline AutoRun RunAuto(const std::vector<std::wstring>& arguments,
                       const Environment& environment = {}, const std::wstring& program = {}) {
  MakeFolders(Built(L"e2e\\results"));
  const std::wstring files[] = {Built(L"e2e\\results\\tgwauto-out.txt"),
                                Built(L"e2e\\results\\tgwauto-error.txt")};
  const ULONGLONG start = GetTickCount64();
  AutoRun run;
  run.exit_code = Process({.program = program.empty() ? Built(L"dist\\tgwauto.exe") : program,
                           .arguments = QuotedArguments(arguments),
                           .environment = environment,
                           .desktop = kDesktop,
                           .output_file = files[0],
                           .error_file = files[1]})
                      .WaitForExit(120000);
  run.milliseconds = static_cast<DWORD>(GetTickCount64() - start);
  std::wstring* const texts[] = {&run.out, &run.error};
  for (int i = 0; i < 2; ++i) {
    *texts[i] = FromUtf8(ReadFile(files[i]).value_or(""));
    std::erase(*texts[i], L'\r');
  }
  return run;
}

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
    return {.program = program, .appdata = appdata(), .environment = {}, .desktop = kDesktop};
  }
  // The environment of the other programs it starts (tgwauto.exe, the uninstaller, the editor).
  Environment ProgramEnvironment() const { return {{L"APPDATA", appdata()}}; }
  // Drives `setup` to its completion page with `dir` put into the folder field (as tgwauto does
  // where the picker cannot choose it), pictures that page as the screenshot `shot` unless empty,
  // presses Finish: the completion page's text.
  std::wstring Run(const std::wstring& setup, const std::wstring& dir,
                   std::wstring_view shot = {}) const {
    const SetupProcess process(Options(setup), false);
    InstallRequest request;
    request.folder = FolderChoice{dir, dir};
    request.folder_entry = FolderEntry::kField;
    const InstallOutcome outcome = DriveToCompletion(process, request, Deadline(kRunMs));
    EXPECT_EQ(outcome.install_folder, dir);
    if (!shot.empty()) process.Screenshot(Shot(shot));
    EXPECT_EQ(PressFinish(process, Deadline(kRunMs)), 0u);
    return outcome.completion_text;
  }
  // Installs `setup` into `dir` (whose parent exists) with tgwauto.exe (or its copy `program`) and
  // the `choices` given, through the folder picker: tgwauto must say that it did.
  void InstallWithTgwauto(const std::wstring& setup, const std::wstring& dir,
                          std::vector<std::wstring> choices, bool russian = false,
                          const std::wstring& program = {}) const {
    choices.insert(choices.begin(), {setup, L"--folder", dir.substr(0, dir.size() - 1)});
    const AutoRun run = RunAuto(choices, ProgramEnvironment(), program);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.out, (russian ? kCompleteRussian : kComplete) +
                           std::wstring(L"\nInstalled into ") + dir + L"\n");
    EXPECT_EQ(run.error, L"") << "the picker chose the folder: nothing else to say";
  }

 private:
  std::wstring folder_;
};

// Starts Tagwright.exe in `current_folder`, reads what its window says of the interface language,
// pictures it as the screenshot `shot` unless empty, closes it; fails unless it ends with 0.
inline std::wstring ShowTagwright(const std::wstring& program, const std::wstring& current_folder,
                                  const Environment& environment, std::wstring_view shot = {}) {
  const Process tagwright({.program = program,
                           .environment = environment,
                           .desktop = kDesktop,
                           .current_folder = current_folder});
  const HWND window = tagwright.WaitForWindow(L"Tagwright 2.50", 15000);
  const HWND language = FindDescendant(window, IDC_LANGUAGE);
  const std::wstring text = language == nullptr ? L"" : WindowText(language);
  if (!shot.empty()) SaveStableScreenshot({window}, Shot(shot));
  Post(window, WM_CLOSE);
  EXPECT_EQ(tagwright.WaitForExit(30000), 0u);
  return text;
}

// The names of a manifest (one relative Windows name a line): the sample's or the small payload's.
inline std::vector<std::wstring> ManifestNames(bool sample) {
  std::istringstream lines(
      ReadFile(sample ? Sample(L"manifest.txt") : Payload(L"manifest.txt")).value_or(""));
  std::vector<std::wstring> names;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.emplace_back(line.begin(), line.end());
  }
  if (names.empty()) throw DriverError(L"no manifest");
  return names;
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
  for (const std::wstring& name : ManifestNames(installed.sample)) {
    log.push_back(dir + name);
    const auto expected = ReadFile(installed.sample ? Sample(L"product\\" + name) : Payload(name));
    ASSERT_TRUE(expected.has_value()) << Utf8(name);
    EXPECT_EQ(ReadFile(dir + name), expected) << Utf8(name);
  }
  for (const wchar_t* runtime : {L"MSVBVM60.DLL", L"mscomctl.ocx"}) {
    EXPECT_EQ(ReadFile(dir + runtime), ReadFile(Sample(L"runtime\\") + runtime)) << Utf8(runtime);
  }
  EXPECT_TRUE(FolderExists(dir + L"plug-ins"));  // the one folder no file lies in
  const std::vector<std::wstring> shortcuts = ShortcutFiles();
  for (std::size_t i = 0; i < shortcuts.size(); ++i) {
    EXPECT_EQ(FileExists(shortcuts[i]), i > 0 || installed.desktop_icon) << Utf8(shortcuts[i]);
    if (i > 0 || installed.desktop_icon) log.push_back(shortcuts[i]);
  }
  EXPECT_EQ(ReadFile(dir + L"install.log"), CrLfLines(log));
  EXPECT_EQ(ReadFile(dir + L"Settings.dat"), installed.settings);
  EXPECT_EQ(ReadFile(scenario.UserRecord()), CrLfLines({dir}));
}

}  // namespace tgw::e2e
