#pragma once

// What the scenarios share: the programs under test and the folders they are given (CTest passes
// them in the environment), a fresh folder per scenario, the setup with the text hook in it, the
// files to look at afterwards, and the desktop the windows are shown on. The programs are started
// and driven with tgwauto's driver (tools/auto), whose names are used here as they stand.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"
#include "files.h"
#include "steps.h"

namespace tgw::e2e {

using namespace ::tgw::automation;

// How a scenario starts the setup: as the driver does, and with the text hook's record.
struct SetupOptions : automation::SetupOptions {
  std::wstring text_log;  // where the text hook records, a new file; empty: no hook
};

// A text the setup gave one of its windows, or an icon (see text_hook.h).
struct TextEvent {
  bool icon = false;
  int id = 0;
  std::wstring text;
};

// The setup driven by a scenario: the driver's, with the text hook (text_hook.h) in its window
// thread when the options name a log, which records every text it sets.
class SetupProcess : public automation::SetupProcess {
 public:
  explicit SetupProcess(const SetupOptions& options);

  // What the text hook recorded so far, in order.
  std::vector<TextEvent> Events() const;
  // The texts given to the control `id`, in order.
  std::vector<std::wstring> TextsOf(Control id) const;
  // Waits until the control `id` has been given `text` (by the hook's record).
  void WaitForTextSet(Control id, std::wstring_view text, DWORD timeout_ms) const;

 private:
  std::wstring text_log_;
};

// The setup with the full sample product (dist/setup.exe) and the one with the small test payload.
std::wstring FullSetup();
std::wstring SmallSetup();
// A program of the staged product that the full setup carries: Uninstall.exe or Tagwright.exe.
std::wstring StagedProgram(std::wstring_view name);
// The sample (sample/: product/, runtime/, manifest.txt) and the small payload's folder.
std::wstring SampleFolder();
std::wstring SmallPayloadFolder();
// Where the scenarios leave files for the checks run natively afterwards; made when missing.
std::wstring ResultsFolder();
// The PNG file `name` in the screenshots folder (made when missing).
std::wstring ScreenshotPath(std::wstring_view name);
// The folder `name` in the screenshots folder, emptied.
std::wstring ScreenshotFolder(std::wstring_view name);

// The user's temp folder, with its final backslash.
std::wstring TempFolder();
// The folder of this test program, where the programs and DLLs built with it lie.
std::wstring TestProgramFolder();
// tgwauto.exe, as shipped in dist/.
std::wstring AutoProgram();
// Whether the tests run under Wine rather than on Windows.
bool UnderWine();

// The desktop the setup's windows are shown on: a Wine virtual desktop, whose windows get
// frames drawn the Windows way (see main.cpp); empty on Windows itself.
const std::wstring& TestDesktop();
void UseTestDesktop();

// A scenario's own folder, C:\tgw-e2e\<suite>.<test>\, emptied at the start, with the APPDATA
// folder `appdata\` in it. Kept afterwards for a look.
class Scenario {
 public:
  Scenario();
  const std::wstring& folder() const { return folder_; }  // with its final backslash
  std::wstring appdata() const { return folder_ + L"appdata"; }
  std::wstring operator/(std::wstring_view name) const { return folder_ + std::wstring(name); }
  // The per-user record the setup reads at start: %APPDATA%\TGWR\install.log.
  std::wstring UserRecord() const { return appdata() + L"\\TGWR\\install.log"; }
  // Writes the record with `install_dir` as its line, as an earlier install would have.
  void WriteUserRecord(std::wstring_view install_dir) const;
  // Options to start `program` with this scenario's APPDATA and text log (`log_name`).
  SetupOptions Options(const std::wstring& program, std::wstring_view log_name = L"texts") const;
  // The environment of the other programs a scenario starts (tgwauto.exe, the uninstaller, the
  // editor's stand-in): this scenario's APPDATA, which the programs they start inherit.
  Environment ProgramEnvironment() const { return {{L"APPDATA", appdata()}}; }
  // Installs `setup` into `parent`\Tagwright\ with tgwauto's steps (the folder put into the
  // field, the setup's other choices kept) and returns that folder; fails the test unless the
  // install completes.
  std::wstring Install(const std::wstring& setup, const std::wstring& parent) const;

 private:
  std::wstring folder_;
};

// What a run of tgwauto.exe gave.
struct AutoRun {
  std::uint32_t exit_code = 0;
  std::wstring out;  // its standard output and error, read as UTF-8, lines ending in LF
  std::wstring error;
  DWORD milliseconds = 0;  // how long it ran
};

// Runs tgwauto.exe with `arguments` and this scenario's environment changes, on the test
// desktop; throws when it does not end in `timeout_ms`.
AutoRun RunAuto(const std::vector<std::wstring>& arguments, const Environment& environment = {},
                DWORD timeout_ms = 120000);
// The same with the copy `program` of tgwauto.exe.
AutoRun RunAutoCopy(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    const Environment& environment, DWORD timeout_ms);

// The texts the editor's stand-in shows, read by control ID, and its exit code once closed.
struct TagwrightTexts {
  std::wstring title{};
  std::wstring product{};   // IDC_PRODUCT
  std::wstring language{};  // IDC_LANGUAGE
  std::uint32_t exit_code = 0;
};
// Starts Tagwright.exe in `current_folder` with `environment`, reads its window (saving a
// picture of it as the PNG file `screenshot`, unless empty) and closes it.
TagwrightTexts ShowTagwright(const std::wstring& program, const std::wstring& current_folder,
                             const Environment& environment, const std::wstring& screenshot = {});

// Whether the file `path` is a PNG picture.
bool IsPng(const std::wstring& path);

// Files, read and checked with Win32 calls of the test's own (the driver's for FileExists,
// FolderExists and MakeFolders).
std::optional<std::string> ReadFile(const std::wstring& path);
void RemoveTree(const std::wstring& path);                          // throws when it stays
void CopyFileTo(const std::wstring& from, const std::wstring& to);  // throws on failure
// ASCII text as the single bytes the setup writes it in.
std::string Bytes(std::wstring_view ascii);
// Lines each followed by CR LF.
std::string CrLfLines(const std::vector<std::wstring>& lines);

// The current user's Desktop and Programs folders, without a final backslash.
std::wstring DesktopFolder();
std::wstring ProgramsFolder();
// The four shortcut files a run makes: Desktop\Tagwright.lnk, then the three in
// Programs\Tagwright\, in the order the run makes (and logs) them.
std::vector<std::wstring> ShortcutFiles();
// Removes the shortcuts (and the Programs\Tagwright folder) that earlier runs left.
void RemoveShortcuts();

}  // namespace tgw::e2e
