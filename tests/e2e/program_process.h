#pragma once

// The product's programs that have no setup window, started as a user starts them: the
// uninstaller (whose only windows are message boxes) and the editor's stand-in, Tagwright.exe.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "driver.h"
#include "platform/win32/handles.h"

namespace tgw::e2e {

// The built programs (CTest passes their paths), for installs made by hand.
std::wstring BuiltUninstaller();
std::wstring BuiltTagwright();

// A running program, on the tests' desktop, with the scenario's APPDATA, started in
// `current_folder` (as a shortcut's working folder). Destroying it ends the process if it still
// runs.
class ProgramProcess {
 public:
  ProgramProcess(const std::wstring& program, const std::wstring& appdata,
                 const std::wstring& current_folder);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  DWORD process_id() const { return process_id_; }
  // A visible top-level window of the process titled `title` (of the class `class_name`, "#32770"
  // for a message box, unless empty), as soon as one shows; throws after `timeout_ms`.
  HWND WaitForWindow(std::wstring_view title, std::wstring_view class_name = {},
                     DWORD timeout_ms = 15000) const;
  // Waits for the process to end and returns its exit code; throws when it keeps running.
  std::uint32_t WaitForExit(DWORD timeout_ms = 30000) const;

 private:
  win32::UniqueHandle process_;
  DWORD process_id_ = 0;
};

// The texts the editor's stand-in shows, read by control ID, and its exit code once closed.
struct TagwrightTexts {
  std::wstring title;
  std::wstring product;   // IDC_PRODUCT
  std::wstring language;  // IDC_LANGUAGE
  std::uint32_t exit_code = 0;
};
// Starts Tagwright.exe, reads its window (saving a picture of it as the PNG file `screenshot`,
// unless empty) and closes it.
TagwrightTexts ShowTagwright(const std::wstring& program, const std::wstring& working_folder,
                             const std::wstring& appdata, const std::wstring& screenshot = {});

// Makes `link` a junction or symbolic link to the folder `target`: under Wine a symbolic link of
// the host (Wine shows one to a folder as a reparse point), on Windows a junction. False when
// it could not.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// Removes such a link, never what it points at.
void RemoveFolderLink(const std::wstring& link);

}  // namespace tgw::e2e
