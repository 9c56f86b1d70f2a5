#pragma once

// Drives the setup program from another process, as a user would: it starts setup.exe, finds its
// window and controls by their stable IDs, clicks, reads texts and answers its dialogs. Every
// wait polls a condition up to a timeout; a step that cannot be taken throws DriverError, which
// GoogleTest reports as the test's failure with the message.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control.h"
#include "platform/win32/handles.h"

namespace tgw::e2e {

class DriverError : public std::runtime_error {
 public:
  explicit DriverError(const std::wstring& message);
};

// Polls `condition` every `poll_ms` until it holds: false when `timeout_ms` passed first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms, DWORD poll_ms = 10);

// Messages to another process's windows. Send waits for the answer (throws after `timeout_ms`);
// Post only queues the message: for clicks that open a modal dialog or start a long run.
LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD timeout_ms = 15000);
void Post(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

std::wstring WindowText(HWND window);  // WM_GETTEXT, answered by the window's own thread
std::wstring ClassName(HWND window);
// The first window below `parent` (at any depth) with the control ID `id`; null when none.
HWND FindDescendant(HWND parent, int id);
// The visible top-level windows of a process, optionally only those of one class.
std::vector<HWND> TopLevelWindows(DWORD process_id, std::wstring_view class_name = {});

// A standard dialog of the setup (class #32770): a message box or the folder picker.
class Dialog {
 public:
  static constexpr int kPromptId = 0xFFFF;  // the message box's text

  explicit Dialog(HWND window) : window_(window) {}
  HWND handle() const { return window_; }
  std::wstring Title() const { return WindowText(window_); }
  // The item with the control ID `id`; throws when there is none.
  HWND Item(int id) const;
  bool HasItem(int id) const { return GetDlgItem(window_, id) != nullptr; }
  std::wstring ItemText(int id) const { return WindowText(Item(id)); }
  // Whether a button is the default one (its style, which Wine's DM_GETDEFID does not report).
  bool IsDefaultButton(int id) const;
  // The IDs of the dialog's visible push buttons, in window order.
  std::vector<int> Buttons() const;
  // Clicks one of its buttons (posted: the dialog's owner may do anything after it).
  void Press(int id) const;
  bool IsOpen() const { return IsWindow(window_) && IsWindowVisible(window_); }
  // Waits for the dialog to close; throws when it stays open.
  void WaitClosed(DWORD timeout_ms = 10000) const;

 private:
  HWND window_;
};

// Whether the folder picker's tree holds its folders (it is filled after the dialog shows).
bool PickerShowsFolders(const Dialog& picker);

// Runs `program` with the command-line arguments `arguments` (as one string) and returns its exit
// code; throws when it cannot start or keeps running after `timeout_ms`.
std::uint32_t RunProgram(const std::wstring& program, const std::wstring& arguments,
                         DWORD timeout_ms = 30000);

// How the setup is started.
struct SetupOptions {
  std::wstring program;   // setup.exe, with the runtime files beside it
  std::wstring appdata;   // the setup's APPDATA, where it keeps its record
  std::wstring text_log;  // where the text hook records, a new file; empty: no hook
  std::wstring desktop;   // the desktop to show the windows on; empty: the driver's process's
  DWORD window_timeout_ms = 30000;
};

// A text the setup gave one of its windows, or an icon (see text_hook.h).
struct TextEvent {
  bool icon = false;
  int id = 0;
  std::wstring text;
};

// A running setup.exe and its wizard window. Destroying it ends the process if it still runs.
class SetupProcess {
 public:
  // Starts the program and waits for its window; throws when it does not appear.
  explicit SetupProcess(const SetupOptions& options);
  ~SetupProcess();
  SetupProcess(const SetupProcess&) = delete;
  SetupProcess& operator=(const SetupProcess&) = delete;

  HWND window() const { return window_; }
  DWORD process_id() const { return process_id_; }
  HANDLE process() const { return process_.get(); }

  // A control of the window by its ID; throws when it is missing.
  HWND Find(Control id) const;
  std::wstring Text(Control id) const { return WindowText(Find(id)); }
  void SetText(Control id, const std::wstring& text) const;
  bool Visible(Control id) const { return IsWindowVisible(Find(id)) != FALSE; }
  bool Enabled(Control id) const { return IsWindowEnabled(Find(id)) != FALSE; }

  // The pages (Frame1..Frame6) that are visible now.
  std::vector<Control> VisiblePages() const;
  // The stage whose page is the only one visible; -1 when none or several are.
  int Stage() const;
  // Waits until the page of `stage` is the only one visible; throws after `timeout_ms`.
  void WaitForStage(int stage, DWORD timeout_ms = 10000) const;

  // Clicks a button and returns when the setup has handled the click.
  void Click(Control id) const;
  // Clicks a button without waiting: for clicks that open a dialog or start the run.
  void PostClick(Control id) const;
  // Closes the window through its frame (WM_CLOSE), without waiting.
  void PostClose() const;
  // Picks an entry of the language list as a user does: the selection, then the notification.
  void SelectLanguage(int index) const;
  int LanguageCount() const;
  std::wstring LanguageEntry(int index) const;
  int LanguageSelection() const;
  int CheckState(Control id) const;
  int BarPosition() const;

  // A visible dialog of the process titled `title`, as soon as one is shown; throws after
  // `timeout_ms`.
  Dialog WaitForDialog(std::wstring_view title, DWORD timeout_ms = 10000) const;
  // The process's visible #32770 dialogs now.
  std::vector<HWND> Dialogs() const { return TopLevelWindows(process_id_, L"#32770"); }

  // Selects `folder` (which must exist) in the folder picker, as BFFM_SETSELECTIONW does: the
  // path is written into the setup's memory first, where the picker can read it.
  void SelectInPicker(const Dialog& picker, const std::wstring& folder) const;
  // The name of the folder selected in the picker's tree; empty when none is.
  std::wstring PickerSelection(const Dialog& picker) const;

  bool Running() const;
  // Waits for the process to end and returns its exit code; throws when it keeps running.
  std::uint32_t WaitForExit(DWORD timeout_ms = 15000) const;

  // What the text hook recorded so far, in order.
  std::vector<TextEvent> Events() const;
  // The texts given to the control `id`, in order.
  std::vector<std::wstring> TextsOf(Control id) const;
  // Waits until the control `id` has been given `text` (by the hook's record).
  void WaitForTextSet(Control id, std::wstring_view text, DWORD timeout_ms) const;

  // Saves a picture of the window (and of `also`, e.g. a dialog over it) as a PNG file, once the
  // screen has stopped changing.
  void Screenshot(const std::wstring& png_path, const std::vector<HWND>& also = {}) const;

 private:
  void Start(const SetupOptions& options);
  void FindWindowOf(const std::wstring& program, DWORD timeout_ms);
  void HookTexts();
  void End() noexcept;  // ends the process when it still runs

  win32::UniqueHandle process_;
  DWORD process_id_ = 0;
  HWND window_ = nullptr;
  std::wstring text_log_;
  HHOOK hook_ = nullptr;
};

}  // namespace tgw::e2e
