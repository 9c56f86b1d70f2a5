#pragma once

// An unattended install: the wizard driven page by page with the choices given, as a user would
// make them, to its completion page.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "options.h"

namespace tgw::automation {

// A point in time that the steps of a run must keep to.
class Deadline {
 public:
  explicit Deadline(DWORD timeout_ms) : end_(GetTickCount64() + timeout_ms) {}
  // What is left of the time, at most `step_ms`.
  DWORD Left(DWORD step_ms = INFINITE) const;
  bool Passed() const { return GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

// Pictures of what the driver saw, as PNG files in a folder: none when the folder is empty. A
// picture that cannot be taken becomes a note rather than a failure.
class Pictures {
 public:
  Pictures(std::wstring folder, std::vector<std::wstring>& notes)
      : folder_(std::move(folder)), notes_(notes) {}
  // `name`.png of `windows` (the first one and any dialogs over it).
  void Take(const std::wstring& name, const std::vector<HWND>& windows) const;
  // `name`.png of the setup's window and `also`.
  void Take(const std::wstring& name, const SetupProcess& setup,
            const std::vector<HWND>& also = {}) const;

 private:
  std::wstring folder_;
  std::vector<std::wstring>& notes_;
};

// How the install folder reaches the field.
enum class FolderEntry {
  kPicker,  // "..." and the folder picker; the field itself where the picker cannot select it
  kField,   // the field itself
};

// The install folder to ask for: the folder to choose with "..." and the text the field then
// holds. The setup always installs into a folder named Tagwright inside the chosen one.
struct FolderChoice {
  std::wstring chosen;      // an existing folder, full path
  std::wstring field_text;  // "<chosen>\Tagwright\", as the setup records it
};

// The choice for the install folder `install_folder` (relative to the current folder, or full):
// its last part must be "Tagwright" and the folder above it must exist, and its name must be one
// that the setup accepts from the picker. Throws DriverError saying what is wrong.
FolderChoice ChooseInstallFolder(const std::wstring& install_folder);

struct InstallRequest {
  std::optional<Language> language;    // nothing: as the setup proposes (English)
  std::optional<FolderChoice> folder;  // nothing: as the setup proposes
  std::optional<bool> desktop_icon;    // nothing: as the setup proposes (yes)
  FolderEntry folder_entry = FolderEntry::kPicker;
  std::wstring pictures;  // a folder for a picture of every page; empty: none
};

struct InstallOutcome {
  bool completed = false;           // the completion page says so
  std::wstring completion_text;     // what it says
  std::wstring install_folder;      // the field's text at the run
  std::uint32_t exit_code = 0;      // the setup's, after Finish
  std::vector<std::wstring> notes;  // what went otherwise than asked without stopping the run
};

// The completion page's texts that say the install is complete, in English and in Russian.
bool SaysComplete(const std::wstring& completion_text);

// Drives `setup`, waiting on its first page, through every page with the choices of `request`,
// runs the install and reads the completion page. Throws DriverError when a step cannot be taken
// (a page that does not show, a dialog no step expects, the time is up); the setup is then ended
// as a user would end it (Exit, Yes) where it still answers.
InstallOutcome DriveToCompletion(const SetupProcess& setup, const InstallRequest& request,
                                 const Deadline& deadline);
// Presses Finish on the completion page and waits for the setup to end: its exit code. Throws
// DriverError as DriveToCompletion does; a dialog shown on the way is pictured in
// `pictures_folder` (none when it is empty).
std::uint32_t PressFinish(const SetupProcess& setup, const Deadline& deadline,
                          const std::wstring& pictures_folder = L"");
// Both: an unattended install.
InstallOutcome DriveInstall(const SetupProcess& setup, const InstallRequest& request,
                            const Deadline& deadline);

}  // namespace tgw::automation
