// The setup program: the wizard over its window and the Win32 platform.

#include <objbase.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/decimal.h"
#include "platform/win32/dll_search_win.h"
#include "platform/win32/file_system_win.h"
#include "platform/win32/folder_picker_win.h"
#include "platform/win32/runtime_win.h"
#include "platform/win32/shell_win.h"
#include "wizard/install_run.h"
#include "wizard/win32/dpi_win.h"
#include "wizard/win32/toolkit_win.h"
#include "wizard/win32/window_win.h"
#include "wizard/wizard.h"

namespace {

// COM, apartment threaded, from the first call that needs it to the program's end: the shell's
// shortcut objects and folder picker need it. Entered on first use rather than at start, where it
// would hold back the window (a few milliseconds, more under Wine). Every caller is on the
// window's thread. When it fails, the shell's calls fail, and the wizard carries on as when they
// do.
class ComApartment {
 public:
  ComApartment() noexcept = default;
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  void Enter() noexcept {
    if (tried_) return;
    tried_ = true;
    entered_ =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  }

 private:
  bool tried_ = false;
  bool entered_ = false;
};

// The Win32 shell and folder picker, each entering the apartment before its first call.
class ComShell final : public tgw::Shell {
 public:
  explicit ComShell(ComApartment& com) noexcept : com_(com) {}
  tgw::Result<std::wstring> SpecialFolder(std::wstring_view name) override {
    com_.Enter();
    return shell_.SpecialFolder(name);
  }
  tgw::Result<std::unique_ptr<tgw::ShellLink>> CreateShortcut(std::wstring_view path) override {
    com_.Enter();
    return shell_.CreateShortcut(path);
  }

 private:
  ComApartment& com_;
  tgw::win32::Win32Shell shell_;
};

class ComFolderPicker final : public tgw::FolderPicker {
 public:
  ComFolderPicker(ComApartment& com, HWND owner) noexcept : com_(com), picker_(owner) {}
  tgw::Result<std::optional<std::wstring>> Pick(std::wstring_view title) override {
    com_.Enter();
    return picker_.Pick(title);
  }

 private:
  ComApartment& com_;
  tgw::win32::Win32FolderPicker picker_;
};

// The window could not be made (out of window handles, a desktop that refuses windows): the user
// is told why, and the program ends with the system's code.
int CannotOpenWindow(const tgw::Error& error) noexcept {
  const std::wstring text =
      L"Setup could not open its window (error " + tgw::Decimal(error.code) + L").";
  MessageBoxW(nullptr, text.c_str(), L"Setup", MB_OK | MB_ICONERROR);
  return error.code != 0 ? static_cast<int>(error.code) : 1;
}

// What a failure the handlers did not expect (out of memory outside the run, which catches its
// own) does: the user is told, and the program ends.
[[noreturn]] void StopUnexpectedly() noexcept {
  MessageBoxW(nullptr, L"Setup stopped because of an unexpected error (not enough memory?).",
              L"Setup", MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

// The window's events, to the wizard's handlers. No exception crosses the window procedure.
class WizardEvents final : public tgw::win32::WindowEvents {
 public:
  explicit WizardEvents(tgw::Wizard& wizard) noexcept : wizard_(wizard) {}

  void Clicked(tgw::Control button) override {
    Guarded([this, button] {
      switch (button) {
        case tgw::Control::Command1:
          wizard_.Command1_Click();
          break;
        case tgw::Control::Command2:
          wizard_.Command2_Click();
          break;
        case tgw::Control::Command3:
          wizard_.Command3_Click();
          break;
        case tgw::Control::Command4:
          wizard_.Command4_Click();
          break;
        default:
          break;
      }
    });
  }
  void ListChanged(tgw::Control list) override {
    if (list == tgw::Control::Lang) Guarded([this] { wizard_.Lang_Click(); });
  }
  void CloseRequested() override {
    Guarded([this] { wizard_.Form_QueryUnload(); });
  }

 private:
  template <typename Handler>
  static void Guarded(const Handler& handler) noexcept {
    try {
      handler();
    } catch (...) {
      StopUnexpectedly();
    }
  }

  tgw::Wizard& wizard_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show) {
  // First of all: no DLL from the folder setup.exe lies in (a downloads folder, where anyone may
  // have left a DLL named like a system one). Without it the program does not run.
  if (!tgw::win32::LoadDllsFromTheSystemFolderOnly()) return 1;

  // The manifest makes the program per-monitor DPI aware; this is for when it was not read.
  tgw::win32::EnableDpiAwareness();
  ComApartment com;  // entered on first use; left after the window is gone
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  tgw::win32::WizardWindow window(instance);
  if (const tgw::Status created = window.Create(); !created.ok()) {
    return CannotOpenWindow(created.error());
  }

  tgw::win32::Win32Toolkit toolkit(window);
  tgw::Win32Runtime runtime;
  tgw::Win32FileSystem files;
  ComShell shell(com);
  ComFolderPicker picker(com, window.handle());
  tgw::Wizard wizard(tgw::Platform{toolkit, runtime, files, shell}, picker);
  WizardEvents events(wizard);
  window.SetEvents(&events);

  // The window's first look is the one Form_Load gives it.
  try {
    wizard.Form_Load();
  } catch (...) {
    StopUnexpectedly();
  }
  window.Show(show, tgw::Control::Command1);
  const int code = window.RunMessageLoop();
  return window.failure() ? CannotOpenWindow(*window.failure()) : code;
}
