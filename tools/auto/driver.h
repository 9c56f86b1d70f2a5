#pragma once

// Drives the setup program and the product's other programs from another process, as a user
// would: it starts them, finds their windows and controls by their stable IDs, clicks, reads texts
// and answers their dialogs. Every wait polls a condition up to a timeout; a step that cannot be
// taken throws DriverError with a message that says which. tgwauto and the end-to-end tests both
// drive the programs with it.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/handles.h"
#include "wizard/control.h"

namespace tgw::automation {

class DriverError : public std::runtime_error {
 public:
  explicit DriverError(const std::wstring& message);
  // The message as given; what() holds it in UTF-8.
  const std::wstring& message() const { return message_; }

 private:
  std::wstring message_;
};

// UTF-8 bytes of a text, and a text of UTF-8 bytes.
std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

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
// The first window below `parent` (at any depth) that `matches`; null when none.
HWND FindDescendantWhere(HWND parent, const std::function<bool(HWND)>& matches);
// The visible top-level windows of a process, optionally only those of one class.
std::vector<HWND> TopLevelWindows(DWORD process_id, std::wstring_view class_name = {});

// A standard dialog of a program (class #32770): a message box or the folder picker.
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

// The text of the system's error `code`, with the code: "access denied (error 5)".
std::wstring SystemErrorText(DWORD code);

// Names and values of environment variables.
using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

// This process's environment with `changes` set in it, as CreateProcessW takes it
// (CREATE_UNICODE_ENVIRONMENT).
std::wstring EnvironmentBlock(const Environment& changes);

// `arguments` for a command line, each quoted as the C runtime reads it back.
std::wstring QuotedArguments(const std::vector<std::wstring>& arguments);

// A program to start: `arguments` are already quoted as needed (may be empty).
struct ProgramStart {
  std::wstring program{};
  std::wstring arguments{};
  Environment environment{};      // changes to this process's environment
  std::wstring desktop{};         // the desktop to show the windows on; empty: this process's
  std::wstring current_folder{};  // empty: this process's
  // New files that take its standard output and error; when empty, it inherits this process's.
  std::wstring output_file{};
  std::wstring error_file{};
};

// A program the driver started, and its windows. Destroying it ends the process if it still
// runs.
class Process {
 public:
  // Starts it; throws DriverError saying why not (administrator rights needed, not found, ...).
  explicit Process(const ProgramStart& start);
  ~Process() { End(); }
  Process(Process&&) noexcept = default;
  Process& operator=(Process&&) = delete;

  DWORD id() const { return id_; }
  // Null for a program of the host (Z:\bin\...) under Wine, which gives no handle of one.
  HANDLE handle() const { return process_.get(); }
  bool Running() const;
  // Waits for the process to end and returns its exit code; throws when it keeps running.
  std::uint32_t WaitForExit(DWORD timeout_ms = 15000) const;
  // Ends the process when it still runs.
  void End() const noexcept;

  // The process's visible top-level windows (of the class `class_name` unless empty), and its
  // dialogs (message boxes, the folder picker) among them.
  std::vector<HWND> Windows(std::wstring_view class_name = {}) const {
    return TopLevelWindows(id_, class_name);
  }
  std::vector<HWND> Dialogs() const { return Windows(L"#32770"); }
  // A visible top-level window of the process that `matches`, as soon as one shows; throws
  // after `timeout_ms` or when the process ends, saying that `what` did not appear.
  HWND WaitForWindow(const std::function<bool(HWND)>& matches, std::wstring_view what,
                     DWORD timeout_ms = 10000) const;
  // The same for a window (not a dialog) titled `title`.
  HWND WaitForWindow(std::wstring_view title, DWORD timeout_ms = 10000) const;
  // A dialog titled `title`, or one that `matches`.
  Dialog WaitForDialog(std::wstring_view title, DWORD timeout_ms = 10000) const;
  Dialog WaitForDialogWhere(const std::function<bool(const Dialog&)>& matches,
                            std::wstring_view what, DWORD timeout_ms = 10000) const;

 private:
  win32::UniqueHandle process_;
  DWORD id_ = 0;
  std::wstring name_;  // the program's file name, for messages
};

// Runs `program` with the command-line arguments `arguments` (as one string) and returns its exit
// code; throws when it cannot start or keeps running after `timeout_ms`.
std::uint32_t RunProgram(const std::wstring& program, const std::wstring& arguments,
                         DWORD timeout_ms = 30000);

// How the setup is started.
struct SetupOptions {
  std::wstring program;     // setup.exe, with the runtime files beside it
  std::wstring appdata;     // the setup's APPDATA, where it keeps its record; empty: inherited
  Environment environment;  // further changes to the environment it inherits
  std::wstring desktop;     // the desktop to show the windows on; empty: the driver's process's
  DWORD window_timeout_ms = 30000;
};

// A running setup.exe and its wizard window. Destroying it ends the process if it still runs.
class SetupProcess : public Process {
 public:
  // Starts the program and waits for its window; throws when it does not appear (the program is
  // then ended).
  explicit SetupProcess(const SetupOptions& options);
  ~SetupProcess();
  SetupProcess(const SetupProcess&) = delete;
  SetupProcess& operator=(const SetupProcess&) = delete;

  HWND window() const { return window_; }

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
  void WaitForStage(int stage, DWORD timeout_ms = 10000, DWORD poll_ms = 10) const;

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

  // Selects `folder` (which must exist) in the folder picker, as BFFM_SETSELECTIONW does: the
  // path is written into the setup's memory first, where the picker can read it.
  void SelectInPicker(const Dialog& picker, const std::wstring& folder) const;
  // The name of the folder selected in the picker's tree; empty when none is.
  std::wstring PickerSelection(const Dialog& picker) const;
  // The names of the selected item and of every item above it in the tree, up to the root.
  std::vector<std::wstring> PickerSelectionChain(const Dialog& picker) const;

  // Hooks `procedure` of the DLL `module` (WH_CALLWNDPROC) into the window's thread, for as long
  // as this object lives: instrumentation that sees the messages the setup sends itself.
  void HookWindowThread(HMODULE module, HOOKPROC procedure);

  // Saves a picture of the window (and of `also`, e.g. a dialog over it) as a PNG file, once the
  // screen has stopped changing.
  void Screenshot(const std::wstring& png_path, const std::vector<HWND>& also = {}) const;

 private:
  HWND window_ = nullptr;
  HHOOK hook_ = nullptr;
};

}  // namespace tgw::automation
